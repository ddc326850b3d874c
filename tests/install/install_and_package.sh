#!/usr/bin/env bash
# The program as a user installs it: into a prefix that is then moved elsewhere, run from outside
# the source tree; the Debian package built from the same rules, its fields, contents and
# lintian; the user unit; and the manual page against every option the command line accepts.
# Usage: install_and_package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "== Install into a prefix (the user unit checked there), then move it: the program finds its resources beside itself"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
unit="$work/prefix/lib/systemd/user/quillane.service"
grep -q "^ExecStart=$work/prefix/bin/quillane serve --port" "$unit" || fail "the unit names another program"
systemd-analyze verify --man=no "$unit" || fail "systemd-analyze rejects the user unit"
mv "$work/prefix" "$work/moved"
prefix="$work/moved"
quillane="$prefix/bin/quillane"
for file in share/quillane/Quillane.bundle share/quillane/device/enabled-modules.plist \
  share/quillane/web/index.html share/man/man1/quillane.1.gz share/doc/quillane/copyright \
  share/bash-completion/completions/quillane share/fish/vendor_completions.d/quillane.fish \
  share/zsh/site-functions/_quillane share/applications/quillane.desktop \
  share/icons/hicolor/scalable/apps/quillane.svg lib/systemd/user/quillane.service \
  lib/quillane/quillane-image-decoder; do
  [ -e "$prefix/$file" ] || fail "the install lacks $file"
done
[ ! -e "$prefix/share/quillane/web/tests" ] || fail "the browser UI's tests were installed"

cd "$work"
version=$("$quillane" --version)
[ -n "$version" ] || fail "--version printed nothing"
"$quillane" device init --root "$work/device" >/dev/null
grep -q "Version: $version" "$work/device/var/lib/dpkg/status" ||
  fail "the device's package database does not report version $version"
# Images are decoded by a program of the installation's own, found beside the moved one.
preset=$("$quillane" theme-from-image --root "$work/device" \
  "$repo/fuzz/corpus/image_theme/flat.png" --name Installed) ||
  fail "the installed program could not make a theme from an image"
[ "$preset" = Installed ] || fail "theme-from-image printed '$preset'"

export XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR"
"$quillane" serve --root "$work/device" >"$work/serve.out" 2>"$work/serve.err" &
server=$!
for _ in $(seq 200); do
  grep -q '^Quillane settings: ' "$work/serve.out" && break
  sleep 0.05
done
address=$(sed -n 's/^Quillane settings: //p' "$work/serve.out")
[[ $address =~ ^http://127\.0\.0\.1:[0-9]+/\?token=[0-9a-f]+$ ]] ||
  fail "serve printed no address: $(cat "$work/serve.out" "$work/serve.err")"
origin=${address%%/\?token=*}
token=${address##*token=}
[ "$(stat -c %a "$XDG_STATE_HOME/quillane/token")" = 600 ] || fail "the secret is readable by others"
[ "$("$quillane" open --print)" = "$address" ] || fail "open --print does not give the running server"
page=$(curl -sf -H "Authorization: Bearer $token" "$origin/")
grep -q '<title>' <<<"$page" || fail "the installed server does not serve the browser UI"
status=$(curl -s -o /dev/null -w '%{http_code}' "$origin/api/screen")
[ "$status" = 401 ] || fail "a request without the secret got $status"
screen=$(curl -sf -H "Authorization: Bearer $token" -H 'Content-Type: application/json' \
  --data '{"event":"open"}' "$origin/api/event")
grep -q '"class":"QLNRootListController"' <<<"$screen" || fail "the open event did not open the bundle"
kill "$server"
wait "$server" || fail "serve did not stop cleanly on SIGTERM"
server=""
[ ! -e "$XDG_RUNTIME_DIR/quillane/address" ] || fail "a stopped server left its address behind"

echo "== The manual page and --help agree"
manual=$(MANWIDTH=100 man -l "$prefix/share/man/man1/quillane.1.gz" 2>"$work/man.err" | col -b)
[ ! -s "$work/man.err" ] || fail "the manual page does not render cleanly: $(cat "$work/man.err")"
help_options=""
for command in "" serve open script theme "device init" theme-from-image theme-from-colour; do
  # shellcheck disable=SC2086
  options=$("$quillane" $command --help | grep -oE -- '--[a-z][a-z-]+' | sort -u)
  for option in $options; do
    grep -qwF -- "$option" <<<"$manual" || fail "the manual page lacks ${command:-quillane} $option"
  done
  help_options+=" $options"
done
# The examples also show other programs' options.
for option in $(sed '/^EXAMPLES/,$d' <<<"$manual" | grep -oE -- '--[a-z][a-z-]+' | sort -u); do
  grep -qw -- "$option" <<<"$help_options" || fail "the manual page names $option, which no --help shows"
done

echo "== The Debian package"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >/dev/null
deb=$(ls "$work"/package/quillane_"$version"_*.deb)
info=$(dpkg-deb --info "$deb")
for field in "Package: quillane" "Version: $version" "Maintainer: The Quillane settings authors"; do
  grep -qF "$field" <<<"$info" || fail "the package's control lacks '$field'"
done
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
# Every shared library the program links comes from a package the package depends on.
for program in "$build/src/quillane" "$build/lib/quillane/quillane-image-decoder"; do
libraries=$(ldd "$program")
for name in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
  path=$(awk -v name="$name" '$1 == name && $2 == "=>" {print $3}' <<<"$libraries")
  owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null || dpkg -S "$path")
  owner=${owner%%:*}
  tr ',' '\n' <<<"$depends" | awk '{print $1}' | grep -qxF "$owner" ||
    fail "the package does not depend on $owner (for $path): $depends"
done
done
contents=$(dpkg-deb --contents "$deb")
for file in ./usr/bin/quillane ./usr/lib/quillane/quillane-image-decoder \
  ./usr/share/quillane/web/index.html \
  ./usr/share/quillane/Quillane.bundle/ ./usr/share/man/man1/quillane.1.gz \
  ./usr/share/doc/quillane/copyright ./usr/share/doc/quillane/changelog.gz \
  ./usr/share/zsh/vendor-completions/_quillane ./usr/lib/systemd/user/quillane.service; do
  grep -qF " $file" <<<"$contents" || fail "the package lacks $file"
done
grep -q "^ExecStart=/usr/bin/quillane serve" <(dpkg-deb --fsys-tarfile "$deb" |
  tar -xO ./usr/lib/systemd/user/quillane.service) || fail "the packaged unit does not run /usr/bin/quillane"
lintian --fail-on error --suppress-tags uses-dpkg-database-directly "$deb" ||
  fail "lintian reports errors"
echo "install and package: all checks passed"
