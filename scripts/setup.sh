#!/usr/bin/env bash
# Installs everything the project needs on a Debian machine. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config git
  libpugixml-dev libplist-dev libsystemd-dev libboost-dev libqrencode-dev nlohmann-json3-dev
  libcli11-dev libicu-dev zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev
  dbus dbus-x11 clang clang-format libclang-rt-14-dev
  libvips-dev liblcms2-dev libheif1 libde265-0
  chromium jq curl zbar-tools iproute2
  file lintian man-db systemd
  strace ccache
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

# The browser-test packages say which Node.js they run on (package.json's "engines"); an older
# one would fail them all later, one by one, so refuse it here.
browser=tests/browser
node scripts/node-version.mjs "$browser/package.json"

# Browser tests drive Debian's Chromium through playwright-core (no browser download). The
# stamp holds the lock file the packages were installed from, so a changed lock installs again.
stamp=$browser/node_modules/.qln-lock-sha256
lock_sum=$(sha256sum "$browser/package-lock.json" | cut -d' ' -f1)
if [ "$(cat "$stamp" 2>/dev/null || true)" != "$lock_sum" ]; then
  echo "setup: installing the browser-test packages (npm ci in $browser)"
  if ! (cd "$browser" && npm ci --no-audit --no-fund --loglevel=error); then
    echo "setup: npm ci failed in $browser (its messages are above)" >&2
    exit 1
  fi
  echo "$lock_sum" >"$stamp"
fi
echo "setup: done"
