#!/bin/bash
# The program on a Wayland compositor nested in the test's X server, as an
# XWayland client and as a native Wayland client (tests/e2e/compositor_test.py),
# on a private D-Bus session whose accessibility bus reads it.
#   compositor_test.sh <weston|mutter> <build dir> <source dir>
set -euo pipefail
kind=$1
build=$2
source=$3
[ -n "${DISPLAY:-}" ] || { echo "no X server (run inside scripts/test-env.sh)"; exit 1; }
for tool in "$kind" Xwayland xdotool convert import; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/setup.sh installs it)"; exit 1; }
done
work=$(mktemp -d /tmp/tirvelo-$kind.XXXXXX)
trap 'rm -rf "$work"' EXIT
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
dbus-run-session -- /usr/bin/python3 "$source/tests/e2e/compositor_test.py" "$kind" "$build/tirvelo" \
  "$build/tests/engines/librecording_upctv.so" "$work" || { status=$?; for log in "$work"/*.log; do
    echo "---- $(basename "$log")"; tail -40 "$log"; done; exit $status; }
