#!/usr/bin/env bash
# Under a private session bus: every row write of `quillane script` reaches another process as
# exactly one update notification.
set -euo pipefail
quillane=$1
work=$(mktemp -d)
trap 'kill "${monitor:-0}" 2>/dev/null || true; rm -rf "$work"' EXIT

"$quillane" device init --root "$work/device" >/dev/null
dbus-monitor --session "type='signal',interface='com.tarrowvine.quillane.Notify'" >"$work/monitor" 2>/dev/null &
monitor=$!
sleep 0.5

events='{"event":"open"}
{"event":"alert","button":"OK"}
{"event":"tap","row":{"title":"Connectivity"}}
{"event":"switch","row":{"key":"connectivityModeEnabled"},"value":false}
{"event":"switch","row":{"key":"connectivityModeEnabled"},"value":true}
{"event":"tap","row":{"key":"wifiEnabled"}}
{"event":"pick","color":"#123456"}
{"event":"closePicker"}'
# A fault on the way out (a sanitizer's report at exit among them) shows only in the exit status.
echo "$events" | "$quillane" script --root "$work/device" >"$work/screens" || {
  echo "quillane script ended with status $?"
  exit 1
}
sleep 0.5

writes=3
seen=$(grep -c 'string "com.tarrowvine.quillane/update"' "$work/monitor" || true)
if [ "$seen" -ne "$writes" ]; then
  echo "expected $writes update notifications on the bus, saw $seen"
  cat "$work/monitor"
  exit 1
fi
grep -q 'member=Darwin' "$work/monitor" || { echo "signals are not Darwin notifications"; exit 1; }
echo "1 passed, 0 failed"
