#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite with ctest on a
# private X server and PulseAudio server: first the normal build (build/), then
# the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/, no benchmarks). Ends with ctest's summary for both together.
#
#   scripts/run-tests.sh [ctest options]     e.g. -R gui_  (applies to both passes)
#   TIRVELO_SANITIZE_PASS=0 scripts/run-tests.sh    the normal pass only
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
set -e
bash scripts/setup.sh
# Warnings are errors in the test builds.
bash scripts/build.sh -DTIRVELO_WERROR=ON
sanitize=${TIRVELO_SANITIZE_PASS:-1}
if [ "$sanitize" != 0 ]; then
  BUILD_DIR=build-asan bash scripts/build.sh -DTIRVELO_WERROR=ON -DTIRVELO_SANITIZE=ON -DTIRVELO_BENCH=OFF
fi
set +e
source scripts/test-env.sh
tirvelo_start_test_env

logs=$(mktemp -d /tmp/tirvelo-ctest.XXXXXX)
(cd build && ctest --output-on-failure -j1 "$@") 2>&1 | tee "$logs/normal.log"
normal_status=${PIPESTATUS[0]}

sanitizer_status=0
if [ "$sanitize" != 0 ]; then
  echo
  echo "==== The same tests under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan) ===="
  # Leaks count as failures; the suppressions name only leaks inside system
  # libraries. Freed memory is kept in quarantine to catch late uses.
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1:check_initialization_order=1:suppressions=$root/tests/asan-suppressions.txt"
  export LSAN_OPTIONS="suppressions=$root/tests/lsan-suppressions.txt:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # A shorter soak: the full count runs in the normal pass.
  export TIRVELO_SOAK_TURNS=${TIRVELO_SANITIZER_SOAK_TURNS:-400}
  (cd build-asan && ctest --output-on-failure -j1 "$@") 2>&1 | tee "$logs/sanitizer.log"
  sanitizer_status=${PIPESTATUS[0]}
fi

# ctest's summary over both passes.
summary() {
  local total=0 failed=0 line
  for log in "$@"; do
    line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
    [ -z "$line" ] && continue
    failed=$((failed + $(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")))
    total=$((total + $(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")))
  done
  echo
  echo "==== Whole suite: normal build and sanitizer build ===="
  if [ "$total" -gt 0 ]; then
    echo "$(( (total - failed) * 100 / total ))% tests passed, $failed tests failed out of $total"
  else
    echo "no tests were run"
  fi
  for log in "$@"; do
    if grep -q 'The following tests FAILED' "$log"; then
      echo "Failed in $(basename "$log" .log):"
      sed -n '/The following tests FAILED/,$p' "$log" | grep -E '^\s+[0-9]+ - '
    fi
  done
}
if [ "$sanitize" != 0 ]; then
  summary "$logs/normal.log" "$logs/sanitizer.log"
else
  summary "$logs/normal.log"
fi
rm -rf "$logs"
[ "$normal_status" -eq 0 ] && [ "$sanitizer_status" -eq 0 ]
