#!/usr/bin/env bash
# Builds the benchmarks in build-bench (Release) and runs them all, then prints the tables of
# targets and medians. Not part of the tests or CI.
#
#   scripts/bench.sh            the full run (about 15 minutes on 2 cores)
#   scripts/bench.sh --quick    fewer repetitions, for a first look
#
# Times are CPU time unless a table says otherwise: the machine may be shared, and CPU time is
# what stays put when other processes are busy. Results (JSON) stay in build-bench/bench-results.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$repo/build-bench"
out="$build/bench-results"
repetitions=9
events=200
startups=31
paints=15
history_writes=10000
if [[ "${1:-}" == "--quick" ]]; then
  repetitions=3
  events=40
  startups=9
  paints=5
  history_writes=1000
fi

pushd "$repo" >/dev/null
source scripts/compiler-cache.sh
popd >/dev/null
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target quillane qln_bench_plist qln_bench_pages qln_bench_events \
  qln_bench_footprint qln_bench_preview qln_bench_history qln_bench_images qln_bench_server

rm -rf "$out"
mkdir -p "$out/data"
common=(--benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true
  --benchmark_out_format=json)

echo "== Property lists"
"$build/bench/qln_bench_plist" --data_dir="$out/data" "${common[@]}" \
  --benchmark_out="$out/plist.json"
echo "== Python's plistlib on the same bytes"
python3 "$repo/bench/plistlib_bench.py" "$out/data" "$repetitions" >"$out/plistlib.json"
echo "== Pages"
"$build/bench/qln_bench_pages" --benchmark_filter='^(unit|page)/' "${common[@]}" \
  --benchmark_out="$out/pages.json"
echo "== Scale"
"$build/bench/qln_bench_pages" --benchmark_filter='^scale/' "${common[@]}" \
  --benchmark_out="$out/scale.json"
echo "== Interactions"
"$build/bench/qln_bench_events" --event_repetitions="$events" "${common[@]}" \
  --benchmark_out="$out/events.json"
echo "== History"
"$build/bench/qln_bench_history" --history_repetitions="$events" \
  --history_size_writes="$history_writes" "${common[@]}" \
  --benchmark_out="$out/history.json"
echo "== Start-up and memory"
"$build/bench/qln_bench_footprint" --startup_repetitions="$startups" "${common[@]}" \
  --benchmark_out="$out/footprint.json"

echo "== Live preview: a pick and its push"
"$build/bench/qln_bench_preview" --picks="$events" "${common[@]}" \
  --benchmark_out="$out/preview.json"

echo "== The web server under load"
"$build/bench/qln_bench_server" --benchmark_out_format=json --benchmark_out="$out/server.json"

echo "== Themes from images"
"$build/bench/qln_bench_images" "${common[@]}" --benchmark_out="$out/images.json"

# Runs a browser benchmark against a fresh all-tweaks device served on a free port:
#   in_browser NAME OUTPUT SCRIPT [ARGUMENTS...]   (the script gets the address first)
server=""
trap '[[ -n "$server" ]] && kill "$server" 2>/dev/null || true' EXIT
in_browser() {
  local name="$1" output="$2" script="$3"
  shift 3
  local device="$out/$name-device"
  "$build/src/quillane" device init --root "$device" --all-tweaks >/dev/null
  "$build/src/quillane" serve --root "$device" --port 0 >"$out/serve.out" 2>/dev/null &
  server=$!
  for _ in $(seq 100); do
    grep -q http "$out/serve.out" 2>/dev/null && break
    sleep 0.05
  done
  local url
  url="$(grep -o 'http://[^ ]*' "$out/serve.out")"
  node "$repo/bench/$script" "$url" "$@" >"$out/$output"
  kill "$server"
  wait "$server" 2>/dev/null || true
  server=""
}

echo "== First paint in Chromium"
in_browser paint paint.json first-paint.mjs "$paints"
echo "== Live preview in Chromium: pointer move to restyle"
in_browser drag drag.json picker-drag.mjs 240
echo "== A 12-megapixel wallpaper in Chromium: drop to the picture drawn over it"
in_browser wallpaper wallpaper.json wallpaper-upload.mjs "$paints" "$out"

# The phone's page on a local network of two network namespaces joined by a veth pair on the
# documentation range: the server and the desktop's browser in one, the phone's browser in the
# other. Making namespaces needs root; without it this part is skipped.
echo "== The picture on a phone, over a local network"
desk=qln-bench-desk
handset=qln-bench-phone
# Without IPv6: its link-local addresses arrive a moment after a link comes up, and Chromium
# takes that for a change of network and fails the requests it has under way.
phone_net() {
  ip netns add "$desk" && ip netns add "$handset" &&
    for space in "$desk" "$handset"; do
      ip netns exec "$space" sh -c 'for s in /proc/sys/net/ipv6/conf/all/disable_ipv6 \
        /proc/sys/net/ipv6/conf/default/disable_ipv6; do [ ! -w "$s" ] || echo 1 >"$s"; done' ||
        return 1
    done &&
    ip link add qln-bench0 netns "$desk" type veth peer name qln-bench1 netns "$handset" &&
    ip -n "$desk" addr add 192.0.2.1/24 dev qln-bench0 &&
    ip -n "$handset" addr add 192.0.2.2/24 dev qln-bench1 &&
    ip -n "$desk" link set lo up && ip -n "$handset" link set lo up &&
    ip -n "$desk" link set qln-bench0 up && ip -n "$handset" link set qln-bench1 up
}
if [ "$(id -u)" = 0 ] && phone_net 2>/dev/null; then
  trap 'ip netns del "$desk" 2>/dev/null; ip netns del "$handset" 2>/dev/null; [[ -n "$server" ]] && kill "$server" 2>/dev/null || true' EXIT
  printf '#!/bin/sh\nexec ip netns exec %s /usr/bin/chromium "$@"\n' "$handset" >"$out/phone-chromium"
  chmod +x "$out/phone-chromium"
  "$build/src/quillane" device init --root "$out/phone-device" >/dev/null
  ip netns exec "$desk" "$build/src/quillane" serve --root "$out/phone-device" --phone \
    >"$out/serve-phone.out" 2>/dev/null &
  server=$!
  for _ in $(seq 100); do
    grep -q "on your phone" "$out/serve-phone.out" 2>/dev/null && break
    sleep 0.05
  done
  ip netns exec "$desk" node "$repo/bench/phone-follow.mjs" \
    "$(sed -n 's/^Quillane settings: //p' "$out/serve-phone.out")" \
    "$(sed -n 's/^Quillane on your phone: //p' "$out/serve-phone.out")" 120 \
    "$out/phone-chromium" >"$out/phone.json"
  kill "$server"
  wait "$server" 2>/dev/null || true
  server=""
  ip netns del "$desk"
  ip netns del "$handset"
else
  echo "   (skipped: making network namespaces needs root)"
fi

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
python3 "$repo/bench/report.py" "$out"
