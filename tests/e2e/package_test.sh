#!/usr/bin/env bash
# The Debian package, end to end: cpack makes it, lintian finds nothing to
# complain of, and the program unpacked into a throwaway root (never installed
# system-wide, so no other test meets its desktop entry or file type) opens the
# sample book it installs, started from another folder, on the test's X server:
# one window, the first page drawn, the speech engine loaded from the
# package's own folder.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d /tmp/tirvelo-package.XXXXXX)
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/tirvelo_*_amd64.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no tirvelo_<version>_amd64.deb"
echo "package: $(basename "$deb")"

# Contents and dependencies; the sample book comes with the package.
sample=./usr/share/doc/tirvelo/examples/sample/Conte.Lumbrix
dpkg-deb -c "$deb" >"$work/contents"
engine=$(grep -oE '\./usr/lib/([^/ ]+/)?tirvelo/libupctv\.so$' "$work/contents") || fail "the package lacks the engine"
for path in ./usr/bin/tirvelo ./usr/bin/tirvelo-llibre ./usr/share/man/man1/tirvelo-llibre.1.gz ./usr/share/applications/tirvelo.desktop \
            ./usr/share/mime/packages/tirvelo-lumbrix.xml ./usr/share/icons/hicolor/scalable/apps/tirvelo.svg \
            ./usr/share/man/man1/tirvelo.1.gz ./usr/share/doc/tirvelo/copyright $sample; do
  grep -q " $path\$" "$work/contents" || fail "the package lacks $path"
done
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libespeak-ng1 espeak-ng-data fonts-liberation2 fonts-crosextra-carlito \
              fonts-crosextra-caladea fonts-dejavu-core; do
  grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
# A Wayland session gets the native Wayland platform.
grep -q qt6-wayland <<<"$(dpkg-deb -f "$deb" Recommends)" || fail "Recommends lacks qt6-wayland"
# Page sounds go straight to the sound server: no media framework is needed.
if grep -q gstreamer <<<"$depends"; then fail "Depends names GStreamer: $depends"; fi

# lintian: no error and no warning.
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 \
    || { cat "$work/lintian.log"; fail "lintian"; }
  cat "$work/lintian.log"
else
  fail "lintian is not installed (scripts/setup.sh installs it)"
fi

# The unpacked program on the package's sample book, which its manual page names.
root=$work/root
dpkg-deb -x "$deb" "$root"
zcat "$root/usr/share/man/man1/tirvelo.1.gz" | grep -qF "${sample#.}" || fail "the manual page does not name the sample book"
for entry in $(tr -d '\r' <"$root/$sample" | tail -n +7); do
  for file in ${entry//#/ }; do # a picture and its companion
    [ -f "$root/usr/share/doc/tirvelo/examples/sample/$file" ] || fail "the package lacks the sample's $file"
  done
done
[ -n "${DISPLAY:-}" ] || fail "no X server (run inside scripts/test-env.sh)"
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"
# Started from another folder, as a new user would: by the book's full path.
cd "$work"
LD_DEBUG=libs LD_DEBUG_OUTPUT=$work/ld "$root/usr/bin/tirvelo" "$root/${sample#./}" \
  >"$work/program.log" 2>&1 &
program_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$program_pid" 2>/dev/null | head -1) \
  || fail "no window within 20 s"
# Anything the program would show at start-up (a message box) comes up with
# the first page; let it, then count the windows.
sleep 3
kill -0 "$program_pid" 2>/dev/null || fail "the program ended: $(cat "$work/program.log")"
windows=$(xdotool search --onlyvisible --pid "$program_pid" | wc -l)
[ "$windows" -eq 1 ] || fail "$windows windows: a message at start-up"
import -window root "$work/shot.png" # the window covers the screen
mean=$(convert "$work/shot.png" -colorspace Gray -format '%[fx:mean]' info:)
awk -v m="$mean" 'BEGIN { exit !(m > 0.05) }' || fail "the window is black (mean $mean): no page drawn"
grep -qs "calling init: $root/usr/bin/\.\./${engine#./usr/}" "$work"/ld.* || fail "the engine was not loaded from the package"
echo "the unpacked program shows the sample book's first page (mean grey $mean), engine from the package"
