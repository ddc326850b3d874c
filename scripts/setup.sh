#!/usr/bin/env bash
# Installs everything the project needs on a Debian machine. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config git
  libpugixml-dev libplist-dev libsystemd-dev libcpp-httplib-dev nlohmann-json3-dev
  libcli11-dev libicu-dev zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev
  dbus dbus-x11 clang libclang-rt-14-dev
  chromium
)
# Node.js and npm drive the browser tests; a machine that already has them keeps its own
# (Debian's npm package conflicts with a Node.js that brings its own npm).
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Browser tests drive Debian's Chromium through playwright-core (no browser download).
if [ ! -d tests/browser/node_modules/playwright-core ]; then
  (cd tests/browser && npm ci --no-audit --no-fund --silent 2>/dev/null || npm install --no-audit --no-fund --silent)
fi
echo "setup: done"
