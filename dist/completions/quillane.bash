# bash completion for quillane

_quillane()
{
    local cur prev words cword
    _init_completion || return

    local commands="serve open script theme theme-from-image theme-from-colour device"
    local command="" sub="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=${words[i]}
                elif [[ $command == device && -z $sub ]]; then
                    sub=${words[i]}
                fi
                ;;
        esac
    done

    case $prev in
        --root)
            _filedir -d
            return
            ;;
        --port | --system-version | --modules | --name)
            return
            ;;
        --harmony)
            COMPREPLY=($(compgen -W "monochrome analogous complementary" -- "$cur"))
            return
            ;;
    esac

    local options
    case $command in
        "") options="--help --version"; COMPREPLY=($(compgen -W "$commands $options" -- "$cur")); return ;;
        serve) options="--root --port --phone --help" ;;
        open) options="--print --help" ;;
        script | theme) options="--root --help" ;;
        theme-from-image)
            options="--root --name --help"
            if [[ $cur != -* ]]; then
                _filedir '@(jpg|jpeg|png|webp|heic|heif)'
                return
            fi
            ;;
        theme-from-colour) options="--root --harmony --name --help" ;;
        device)
            if [[ -z $sub ]]; then
                COMPREPLY=($(compgen -W "init --help" -- "$cur"))
                return
            fi
            options="--root --system-version --prysm --power-module --bcix-weather --cc-ringer
                --noctis --all-tweaks --modules --no-ccservices --no-shell --force --help"
            ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
} && complete -F _quillane quillane
