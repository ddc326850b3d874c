#!/usr/bin/env bash
# Under a private session bus, two processes on one device: `quillane theme` shows the colours
# that `quillane script` writes, and its switch to dark appearance applies the dark preset so
# that the presets page open in the script process rebuilds with that preset current and saved;
# a new toggle order shows once the script process restarts SpringBoard.
set -euo pipefail
quillane=$1
# Without jq every check below would read nothing; say so instead.
command -v jq >/dev/null || { echo "FAIL: this test needs jq (scripts/setup.sh installs it)"; exit 1; }
work=$(mktemp -d)
cleanup() {
  exec 3>&- 2>/dev/null || true
  [ -n "${script_pid:-}" ] && kill "$script_pid" 2>/dev/null || true
  [ -n "${theme:-}" ] && kill "$theme" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- last screen of the script process:"; echo "${screen:-}"
  echo "--- theme's standard error:"; cat "$work/theme.err"
  echo "--- script's standard error:"; cat "$work/script.err" 2>/dev/null || true
  echo "--- theme's last table, its start:"; last_table | head -12
  exit 1
}

# The palette table the theme process printed last.
last_table() { awk '/^Control Center palette/ { table = "" } { table = table $0 "\n" } END { printf "%s", table }' "$work/theme.out"; }

# Waits until one table of the theme process, its last, matches every extended regular expression
# given: the table is read whole each time, since the process may be printing the next one.
table_shows() {
  local table pattern matched
  for _ in $(seq 200); do
    table=$(last_table)
    matched=1
    for pattern in "$@"; do
      grep -Eq -- "$pattern" <<<"$table" || { matched=0; break; }
    done
    [ "$matched" = 1 ] && return 0
    sleep 0.05
  done
  fail "the theme process never showed /$*/"
}

# Sends one event to the script process and reads its answer screen into $screen.
send() {
  echo "$1" >&"${SCRIPT[1]}"
  IFS= read -r -t 30 screen <&"${SCRIPT[0]}" || fail "no answer to $1"
  local refused
  refused=$(jq -r 'has("error")' <<<"$screen") || fail "the answer to $1 is not a JSON object"
  if [ "${2:-}" != "may-fail" ] && [ "$refused" != false ]; then
    fail "event $1 could not apply"
  fi
}

# jq filter over the presets page's row of one preset.
preset_row() { jq -c --arg name "$1" '.page.rows[] | select(.cellClass == "QLNPreset" and .title == $name)' <<<"$screen"; }

pick_wifi() {
  send '{"event":"tap","row":{"title":"Connectivity"}}'
  send '{"event":"tap","row":{"key":"wifiEnabled"}}'
  send "{\"event\":\"pick\",\"color\":\"$1\"}"
  send '{"event":"closePicker"}'
  send '{"event":"back"}'
}

# The root page has a group and a link both titled "Presets": tap the link.
open_presets() {
  local index
  index=$(jq '[.page.rows[] | select(.cell == "link" and .title == "Presets")][0].index' <<<"$screen")
  send "{\"event\":\"tap\",\"row\":$index}"
}

new_preset() {
  send '{"event":"tap","row":{"title":"New Preset"}}'
  send "{\"event\":\"alert\",\"button\":\"Save\",\"text\":[\"$1\"]}"
}

"$quillane" device init --root "$work/device" >/dev/null
mkfifo "$work/theme.in"
"$quillane" theme --root "$work/device" <"$work/theme.in" >"$work/theme.out" 2>"$work/theme.err" &
theme=$!
exec 3>"$work/theme.in"
table_shows '^  3 Wi-Fi +on +background #007AFF:1.00 stock'

coproc SCRIPT { "$quillane" script --root "$work/device" 2>"$work/script.err"; }
# Bash forgets a coprocess's variables once it ends; its exit status is checked at the end.
script_pid=$SCRIPT_PID
send '{"event":"open"}'
send '{"event":"alert","button":"OK"}'

# 1. A colour written by the settings process reaches the theme process.
pick_wifi '#123456'
table_shows '^  3 Wi-Fi +on +background #123456:1.00 stored'

# 2. "Night" holds that colour and is the dark preset; "Day" holds another and is current.
open_presets
new_preset Night
send '{"event":"tap","row":{"fileName":"Night"}}'
send '{"event":"alert","button":"Use for Dark Mode"}'
send '{"event":"back"}'
pick_wifi '#654321'
table_shows '^  3 Wi-Fi +on +background #654321:1.00 stored'
open_presets
new_preset Day
[ "$(preset_row Day | jq -r .accessory)" = checkmark ] || fail "Day is not the current preset"
[ "$(preset_row Night | jq -r .accessory)" != checkmark ] || fail "Night is current too early"
preset_row Night | grep -q 'Used for Dark Mode' || fail "Night is not the dark preset"

# 3. Dark appearance in the theme process applies Night; the open presets page follows.
echo dark >&3
table_shows '^  dark: preset "Night" applied'
table_shows '^  3 Wi-Fi +on +background #123456:1.00 stored'
# The notification crosses the bus on its own time: look again until the page shows it.
for _ in $(seq 30); do
  send '{"event":"settle","ms":100}'
  [ "$(preset_row Night | jq -r .accessory)" = checkmark ] && break
  sleep 0.1
done
[ "$(preset_row Night | jq -r .accessory)" = checkmark ] || fail "the presets page never marked Night current"
preset_row Night | grep -q Unsaved && fail "Night is marked unsaved"
[ "$(preset_row Day | jq -r .accessory)" != checkmark ] || fail "Day is still marked current"
[ "$(jq -r .page.rightButton.enabled <<<"$screen")" = false ] || fail "Save is offered for a saved preset"

# 4. A new toggle order waits for SpringBoard's restart, which the theme process notices.
send '{"event":"back"}'
send '{"event":"tap","row":{"title":"Connectivity"}}'
send '{"event":"tap","row":{"title":"Rearrange Toggles"}}'
send '{"event":"move","from":1,"to":6}'
[ "$(jq '.effects | map(select(.op == "post")) | length' <<<"$screen")" = 0 ] || fail "the order was announced"
send '{"event":"barButton"}'
jq -e '.spawned[0][0] == "/usr/bin/sbreload"' <<<"$screen" >/dev/null || fail "no SpringBoard restart"
# Airplane Mode went last, so Cellular Data moved up to first.
table_shows '^  1 Cellular Data ' '^  6 Airplane Mode '

echo quit >&3
wait "$theme" || fail "the theme process ended with an error"
theme=
# The end of its input ends the script process; a fault on its way out (a sanitizer's report at
# exit among them) shows only in its exit status.
script_in=${SCRIPT[1]}
exec {script_in}>&-
script_status=0
wait "$script_pid" || script_status=$?
script_pid=
[ "$script_status" = 0 ] || fail "the script process ended with status $script_status"
echo "1 passed, 0 failed"
