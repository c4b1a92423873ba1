#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite with ctest on a
# private X server and PulseAudio server. Ends with ctest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
source scripts/test-env.sh
tirvelo_start_test_env
cd build
ctest --output-on-failure -j1 "$@"
