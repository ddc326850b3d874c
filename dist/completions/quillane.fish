# fish completion for quillane
set -l commands serve open script theme theme-from-image theme-from-colour device

complete -c quillane -f
complete -c quillane -n "not __fish_seen_subcommand_from $commands" -l help -s h -d 'Print help'
complete -c quillane -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version'
complete -c quillane -n "not __fish_seen_subcommand_from $commands" -a serve -d 'Serve the settings in a browser'
complete -c quillane -n "not __fish_seen_subcommand_from $commands" -a open -d 'Open the settings in the default browser'
complete -c quillane -n "not __fish_seen_subcommand_from $commands" -a script -d 'Read events as JSON lines, answer screens'
complete -c quillane -n "not __fish_seen_subcommand_from $commands" -a theme -d 'Run the theming component'
complete -c quillane -n "not __fish_seen_subcommand_from $commands" -a theme-from-image -d 'Make a new preset from the colours of an image'
complete -c quillane -n "not __fish_seen_subcommand_from $commands" -a theme-from-colour -d 'Make a new preset from one colour'
complete -c quillane -n "not __fish_seen_subcommand_from $commands" -a device -d 'Manage simulated devices'

complete -c quillane -n "__fish_seen_subcommand_from serve script theme init theme-from-image theme-from-colour" -l root -r -a '(__fish_complete_directories)' -d 'Device directory'
complete -c quillane -n "__fish_seen_subcommand_from serve" -l port -x -d 'Port on 127.0.0.1'
complete -c quillane -n "__fish_seen_subcommand_from serve" -l phone -d 'Share the picture with a phone on the local network'
complete -c quillane -n "__fish_seen_subcommand_from theme-from-image" -F -d 'Image'
complete -c quillane -n "__fish_seen_subcommand_from theme-from-image theme-from-colour" -l name -x -d 'Name of the preset'
complete -c quillane -n "__fish_seen_subcommand_from theme-from-colour" -l harmony -x -a 'monochrome analogous complementary' -d 'Hues beside the colour'
complete -c quillane -n "__fish_seen_subcommand_from open" -l print -d 'Print the address instead of opening a browser'
complete -c quillane -n "__fish_seen_subcommand_from device; and not __fish_seen_subcommand_from init" -a init -d 'Lay out a simulated device'
complete -c quillane -n "__fish_seen_subcommand_from init" -l system-version -x -d 'iOS version, e.g. 14.4'
complete -c quillane -n "__fish_seen_subcommand_from init" -l prysm -d 'Prysm is installed'
complete -c quillane -n "__fish_seen_subcommand_from init" -l power-module -d 'PowerModule is installed'
complete -c quillane -n "__fish_seen_subcommand_from init" -l bcix-weather -d "BetterCCXI's weather module is installed"
complete -c quillane -n "__fish_seen_subcommand_from init" -l cc-ringer -d 'CCRingerModule is installed'
complete -c quillane -n "__fish_seen_subcommand_from init" -l noctis -d 'NoctisToggle is installed'
complete -c quillane -n "__fish_seen_subcommand_from init" -l all-tweaks -d 'Every supported tweak is installed'
complete -c quillane -n "__fish_seen_subcommand_from init" -l modules -x -d 'Enabled modules in order, comma-separated'
complete -c quillane -n "__fish_seen_subcommand_from init" -l no-ccservices -d 'The device lacks ControlCenterServices'
complete -c quillane -n "__fish_seen_subcommand_from init" -l no-shell -d 'The device has no /bin/sh'
complete -c quillane -n "__fish_seen_subcommand_from init" -l force -d 'Replace a device that is already there'
complete -c quillane -n "__fish_seen_subcommand_from $commands" -l help -s h -d 'Print help'
