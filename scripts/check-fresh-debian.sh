#!/usr/bin/env bash
# The two README commands on a fresh Debian 12, as a new user would run them: a check by hand,
# not part of CI (it took 66 minutes on two busy cores; the README has the figures) and needs root.
#
#   sudo nice -n 10 scripts/check-fresh-debian.sh [WORKDIR]     (default /var/tmp/qln-fresh-debian)
#
# It bootstraps a minimal Debian 12 root (debootstrap --variant=minbase bookworm) in
# WORKDIR/root, copies in what reaching the package registries needs from this machine (CA
# certificates, apt sources and settings, npm settings, name resolution), and a clean clone of
# this work tree's current commit. Inside, as root, it runs `scripts/run.sh` until it prints its
# address, stops it, then runs `QLN_QUICK=1 scripts/test.sh`, and prints how long each took.
# Logs go to WORKDIR/*.log. A second run starts again from nothing. QLN_DEBIAN_MIRROR chooses
# the mirror debootstrap uses (default http://deb.debian.org/debian).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work=$(realpath -m "${1:-/var/tmp/qln-fresh-debian}")
root=$work/root
mirror=${QLN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
run_timeout=${QLN_RUN_TIMEOUT:-3600}

if [ "$(id -u)" -ne 0 ]; then
  echo "check-fresh-debian: needs root (debootstrap and chroot); run it with sudo" >&2
  exit 1
fi
case $root in
  / | /root | /usr* | /etc* | /home | /work*)
    echo "check-fresh-debian: refusing to work in $work" >&2
    exit 1
    ;;
esac

# Unmounts everything under the root, innermost first.
unmount_all() {
  local mounts
  mapfile -t mounts < <(awk -v r="$root" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/mounts | sort -r)
  for m in "${mounts[@]}"; do
    umount "$m" 2>/dev/null || umount -l "$m"
  done
}
server=""
cleanup() {
  [ -n "$server" ] && kill -- -"$server" 2>/dev/null || true
  unmount_all
}
trap cleanup EXIT

if ! command -v debootstrap >/dev/null; then
  echo "check-fresh-debian: installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

unmount_all
if [ -e "$root" ]; then
  # --one-file-system: never into a mount that is somehow still there.
  rm -rf --one-file-system "$root"
fi
mkdir -p "$work"
rm -f "$work"/*.log

seconds() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", b - a }'; }
minutes() { awk -v s="$1" 'BEGIN { printf "%d min %02d s", s / 60, s % 60 }'; }

echo "check-fresh-debian: bootstrapping Debian 12 into $root"
start=$(seconds)
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 || {
  tail -n 30 "$work/debootstrap.log" >&2
  exit 1
}
bootstrap_s=$(elapsed "$start" "$(seconds)")

# What reaching the registries needs from this machine.
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
mkdir -p "$root/etc/ssl" "$root/usr/local/share"
cp -rL /etc/ssl/certs "$root/etc/ssl/"
[ -d /usr/local/share/ca-certificates ] && cp -r /usr/local/share/ca-certificates "$root/usr/local/share/"
if ls /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources >/dev/null 2>&1; then
  rm -f "$root/etc/apt/sources.list"
  cp /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/" 2>/dev/null || true
fi
[ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$root/etc/apt/sources.list"
cp -r /etc/apt/apt.conf.d/. "$root/etc/apt/apt.conf.d/"
[ -d /etc/apt/auth.conf.d ] && cp -r /etc/apt/auth.conf.d/. "$root/etc/apt/auth.conf.d/"
[ -f /etc/npmrc ] && cp /etc/npmrc "$root/etc/npmrc"
[ -f "$HOME/.npmrc" ] && cp "$HOME/.npmrc" "$root/root/.npmrc"

# A clean clone of what is committed here.
branch=$(git -C "$repo" rev-parse --abbrev-ref HEAD)
commit=$(git -C "$repo" rev-parse HEAD)
git clone -q --no-hardlinks --branch "$branch" "$repo" "$root/root/quillane"
[ "$(git -C "$root/root/quillane" rev-parse HEAD)" = "$commit" ]

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"

# A login's environment, and this machine's proxy settings if it has any.
environment=(HOME=/root LANG=C.UTF-8 TERM=dumb
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
for name in http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY NO_PROXY; do
  [ -n "${!name:-}" ] && environment+=("$name=${!name}")
done
inside() { chroot "$root" /usr/bin/env -i "${environment[@]}" bash -c "cd /root/quillane && $1"; }

echo "check-fresh-debian: scripts/run.sh (log: $work/run.log)"
start=$(seconds)
# In a session of its own, so that stopping it reaches the server that run.sh becomes.
setsid chroot "$root" /usr/bin/env -i "${environment[@]}" bash -c 'cd /root/quillane && scripts/run.sh' \
  >"$work/run.log" 2>&1 </dev/null &
server=$!
address=""
deadline=$((SECONDS + run_timeout))
while [ -z "$address" ]; do
  address=$(grep -o 'http://127\.0\.0\.1:[0-9]*/' "$work/run.log" | head -n1 || true)
  [ -n "$address" ] && break
  if ! kill -0 "$server" 2>/dev/null || [ $SECONDS -gt $deadline ]; then
    echo "check-fresh-debian: scripts/run.sh never printed its address" >&2
    tail -n 40 "$work/run.log" >&2
    exit 1
  fi
  sleep 1
done
run_s=$(elapsed "$start" "$(seconds)")
first_page=$(curl -fsS -o /dev/null -w '%{http_code}' "$address" 2>/dev/null || echo "no answer")
kill -- -"$server" 2>/dev/null || true
wait "$server" 2>/dev/null || true
server=""
echo "check-fresh-debian: run.sh served $address after $(minutes "$run_s") (GET / answered $first_page)"

echo "check-fresh-debian: QLN_QUICK=1 scripts/test.sh (log: $work/test.log)"
start=$(seconds)
test_status=0
inside 'QLN_QUICK=1 scripts/test.sh' >"$work/test.log" 2>&1 </dev/null || test_status=$?
test_s=$(elapsed "$start" "$(seconds)")
[ $test_status -eq 0 ] || tail -n 60 "$work/test.log" >&2

cat <<EOF

Fresh Debian 12 (debootstrap --variant=minbase bookworm), commit ${commit:0:12}, $(nproc) cores
($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))
  debootstrap                      $(minutes "$bootstrap_s")
  scripts/run.sh to its address    $(minutes "$run_s")   (set-up, packages, program build)
  QLN_QUICK=1 scripts/test.sh      $(minutes "$test_s")   (exit status $test_status)
  $(grep -E '^[0-9]+% tests passed' "$work/test.log" || echo "no CTest summary")
EOF
exit $test_status
