#!/usr/bin/env bash
# Installs what is missing, builds, and opens the bundled sample book.
# Without a display it runs the program on Xvfb for a few seconds and saves a
# screenshot of the first page.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only what it runs: the program and its speech engine.
BUILD_TARGETS="tirvelo upctv" bash scripts/build.sh
book=$PWD/examples/sample/Conte.Lumbrix
cd examples/sample
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec ../../build/tirvelo "$book"
fi
shot=${TIRVELO_SCREENSHOT:-/tmp/tirvelo-first-page.png}
display=:$((500 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export XDG_CONFIG_HOME=${XDG_CONFIG_HOME:-$(mktemp -d)}
../../build/tirvelo "$book" &
program=$!
sleep 6
import -window root "$shot"
kill "$program" 2>/dev/null || true
echo "No display: the program ran on Xvfb; screenshot of the first page: $shot"
