#!/usr/bin/env bash
# A documented check, not part of the test command: the Debian package installs on a freshly
# bootstrapped Debian 12 with apt (which brings the libraries it depends on), the installed
# `quillane serve` answers the browser UI and an event, and removing the package leaves the
# user's state (the default device and the secret) where it was.
#
#   sudo scripts/check-package-on-fresh-debian.sh   (after `cpack -G DEB` in build/)
#
# It bootstraps into /var/tmp/qln-package-check (QLN_PACKAGE_CHECK_DIR) from the mirror
# debootstrap uses (QLN_DEBIAN_MIRROR, default http://deb.debian.org/debian).
set -euo pipefail
cd "$(dirname "$0")/.."
root=${QLN_PACKAGE_CHECK_DIR:-/var/tmp/qln-package-check}
mirror=${QLN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
[ "$(id -u)" -eq 0 ] || { echo "check-package: needs root (debootstrap and chroot)" >&2; exit 1; }
deb=$(ls build/quillane_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || { echo "check-package: no package; run 'cpack -G DEB' in build/ first" >&2; exit 1; }
command -v debootstrap >/dev/null ||
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap

unmount_all() { umount "$root/proc" "$root/dev" 2>/dev/null || true; }
unmount_all
[ -e "$root" ] && rm -rf --one-file-system "$root"
echo "check-package: bootstrapping Debian 12 into $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
cp -rL /etc/ssl/certs "$root/etc/ssl/"
cp -r /etc/apt/apt.conf.d/. "$root/etc/apt/apt.conf.d/"
cp "$deb" "$root/root/"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
trap unmount_all EXIT
inside() {
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive \
    PATH=/usr/sbin:/usr/bin:/sbin:/bin bash -euo pipefail -c "$1"
}

echo "check-package: apt install ./$(basename "$deb")"
inside "apt-get update -qq && apt-get install -y -qq --no-install-recommends ./root/$(basename "$deb") curl procps >/dev/null"
echo "check-package: the installed quillane serve"
inside '
  quillane --version
  quillane serve >/tmp/serve.out 2>/tmp/serve.err &
  server=$!
  for _ in $(seq 100); do grep -q "^Quillane settings: " /tmp/serve.out && break; sleep 0.1; done
  url=$(sed -n "s/^Quillane settings: //p" /tmp/serve.out)
  token=${url##*token=}
  origin=${url%%/?token=*}
  curl -sf -H "Authorization: Bearer $token" "$origin/" | grep -q "<title>"
  curl -sf -H "Authorization: Bearer $token" -H "Content-Type: application/json" \
    --data "{\"event\":\"open\"}" "$origin/api/event" | grep -q "\"class\":\"QLNRootListController\""
  kill "$server"
  wait "$server"
  echo "served the UI and an event at $origin"'
echo "check-package: apt remove quillane"
inside '
  apt-get remove -y -qq quillane >/dev/null
  ! command -v quillane
  test -f /root/.local/state/quillane/token
  test -f /root/.local/state/quillane/device/var/mobile/Library/Preferences/com.tarrowvine.quillane.plist
  echo "removed; the default device and the secret are still in ~/.local/state/quillane"'
echo "check-package: passed"
