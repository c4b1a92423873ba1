#!/bin/bash
# The program read and driven through the real AT-SPI bus on a private D-Bus
# session: the sample book opens, the page number is read, "Següent" is pressed
# by its accessible action and the new number is read.
#   atspi_test.sh <build dir> <source dir>
set -euo pipefail
build=$1
source=$2
[ -n "${DISPLAY:-}" ] || { echo "no X server (run inside scripts/test-env.sh)"; exit 1; }
home=$(mktemp -d /tmp/tirvelo-atspi.XXXXXX)
trap 'rm -rf "$home"' EXIT
export XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data HOME=$home
export TIRVELO_SPEECH_LIBRARY=$build/tests/engines/librecording_upctv.so TIRVELO_RECORDING_LOG=$home/engine.log
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0

exec dbus-run-session -- bash -c '
  set -euo pipefail
  # The sample book names its pages relative to the working folder.
  cd "$1/examples/sample"
  "$0/tirvelo" Conte.Lumbrix &
  program=$!
  trap "kill $program 2>/dev/null || true" EXIT
  timeout 120 /usr/bin/python3 "$1/tests/e2e/atspi_pages.py"
' "$build" "$source"
