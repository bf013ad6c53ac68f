#!/usr/bin/env bash
# Builds the Debian package in the build folder (default: build) and checks
# it unpacked into a temporary folder: the files it holds and nothing else,
# the launcher, the icons, the dependencies, and a first start of the
# unpacked program, which must copy the delivered databases into the user's
# data folder. Nothing is installed on this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
prefix=/opt/pellomar

rm -f "$build"/pellomar_*.deb
if ! (cd "$build" && cpack -G DEB >cpack.log 2>&1); then
  cat "$build/cpack.log" >&2
  exit 1
fi
debs=("$build"/pellomar_*.deb)
deb=${debs[0]}
tmp=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
root=$tmp/root
dpkg-deb -x "$deb" "$root"

status=0
fail() {
  echo "package check: $*" >&2
  status=1
}

# Every file, and no other.
expected=(
  "$prefix/bin/pellomar"
  "$prefix/share/table.mdb"
  "$prefix/share/zero.mdb"
  /usr/share/applications/pellomar.desktop
)
for size in 16 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/pellomar.png")
done
actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\.||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$actual" != "$wanted" ]; then
  fail "files differ from the expected list:"
  diff <(echo "$wanted") <(echo "$actual") >&2 || true
fi

[ -x "$root$prefix/bin/pellomar" ] || fail "$prefix/bin/pellomar is not executable"
# libgsf and GLib are loaded at the first export, not at every start.
if objdump -p "$root$prefix/bin/pellomar" | grep -q 'NEEDED.*libgsf'; then
  fail "the program links libgsf at start-up"
fi
for db in table.mdb zero.mdb; do
  cmp -s "data/$db" "$root$prefix/share/$db" || fail "$prefix/share/$db differs from data/$db"
done
for size in 16 32 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/pellomar.png
  file -b "$icon" | grep -q "^PNG image data, $size x $size," ||
    fail "the ${size}x${size} icon is not a PNG of that size: $(file -b "$icon")"
done

# The launcher is valid, names the program in Chinese and starts the
# packaged executable.
desktop=$root/usr/share/applications/pellomar.desktop
desktop-file-validate "$desktop" || fail "pellomar.desktop does not validate"
grep -qx 'Name\[zh_CN\]=会员系统' "$desktop" || fail "the launcher has no Chinese name"
grep -qx 'Categories=Office;' "$desktop" || fail "the launcher is not in the Office category"
grep -qx 'Icon=pellomar' "$desktop" || fail "the launcher does not name the pellomar icon"
exec_path=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec_path" = "$prefix/bin/pellomar" ] || fail "the launcher starts $exec_path"

# The package carries the program's one version (project()).
version=$(sed -n 's/^#define PELLOMAR_VERSION "\(.*\)"$/\1/p' "$build/generated/base/Version.h")
[ -n "$version" ] && [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
  fail "the package's version $(dpkg-deb -f "$deb" Version) is not the program's ($version)"

# Debian's libraries, and the plugins loaded at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libqt6sql6 libsodium23 libqt6sql6-sqlite qt6-qpa-plugins libgsf-1-114; do
  grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done

# A first start of the unpacked program copies the delivered databases into
# the user's data folder and leaves the program folder alone. The program
# waits at the login screen, where it is ended.
home=$tmp/home
user_data=$home/.local/share/Pellomar
mkdir -p "$home"
HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config \
  XDG_RUNTIME_DIR=$tmp QT_QPA_PLATFORM=offscreen \
  "$root$prefix/bin/pellomar" >"$tmp/run.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
  [ -f "$user_data/table.mdb" ] && [ -f "$user_data/zero.mdb" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
sleep 0.5
if ! kill -0 "$pid" 2>/dev/null; then
  fail "the unpacked program ended at its first start:"
  cat "$tmp/run.log" >&2
fi
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=
# Opening table.mdb puts it in the write-ahead log, which changes the
# header's first 100 bytes only.
cmp -s data/zero.mdb "$user_data/zero.mdb" || fail "the first start did not copy zero.mdb into $user_data"
cmp -s <(tail -c +101 data/table.mdb) <(tail -c +101 "$user_data/table.mdb") ||
  fail "the first start did not copy table.mdb into $user_data"
[ ! -e "$root$prefix/bin/table.mdb" ] || fail "the first start wrote into the program folder"

if [ "$status" -eq 0 ]; then echo "Package $deb: contents, launcher and first start checked."; fi
exit "$status"
