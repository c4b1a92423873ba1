#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs one of them
# for a given time on its seed corpus (and dictionary, when there is one).
#
#   scripts/fuzz.sh <target> <seconds> [extra libFuzzer options...]
#   scripts/fuzz.sh rtf_reader 600
#
# New inputs the fuzzer finds go to build-fuzz/corpus/<target>/ (the seeds in
# fuzz/corpus/<target>/ are only read). A crash, leak, timeout or out-of-memory
# input is copied to tests/data/<area>/regressions/ under a name that says which
# target found it; the script then ends with status 1 and prints the command
# that reproduces it. The last lines are libFuzzer's final statistics.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 2 ]; then
  echo "usage: $0 <target> <seconds> [libFuzzer options...]" >&2
  echo "targets: $(ls fuzz/*.cpp | xargs -n1 basename | sed 's/\.cpp$//' | tr '\n' ' ')" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
if [ ! -f "fuzz/$target.cpp" ]; then
  echo "no fuzz target fuzz/$target.cpp" >&2
  exit 2
fi
case "$seconds" in
  ''|*[!0-9]*) echo "seconds must be a whole number: $seconds" >&2; exit 2 ;;
esac

# Where a crash of each target is kept, next to the data of the part it tests.
area_of() {
  case "$1" in
    rtf*) echo rtf ;;
    jpeg*|bmp*|ico*|picture*) echo pictures ;;
    wmf*|emf*|metafile*) echo metafiles ;;
    shell*|ini*|settings*) echo shell ;;
    book*) echo books ;;
    epub*) echo epub ;;
    *) echo "$1" ;;
  esac
}

build_dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRVELO_FUZZ=ON >/dev/null
cmake --build "$build_dir" -j"${FUZZ_BUILD_JOBS:-$(nproc)}" --target "fuzz_$target"

work_corpus=$build_dir/corpus/$target
artifacts=$build_dir/artifacts/$target
mkdir -p "$work_corpus" "$artifacts"
options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1
         -artifact_prefix="$artifacts/")
[ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
seeds=()
[ -d "fuzz/corpus/$target" ] && seeds+=("fuzz/corpus/$target")

# Leaks inside the system's libraries (Qt's font and format caches) are not ours.
# libFuzzer checks for leaks after each input; the check at exit would only
# find the application object and Qt's caches, which live until then.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
if [ -f tests/lsan-suppressions.txt ]; then
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan-suppressions.txt:print_suppressions=0:leak_check_at_exit=0}
fi
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen

before=$(ls "$artifacts" | sort)
status=0
"$build_dir/fuzz/fuzz_$target" "${options[@]}" "$@" "$work_corpus" "${seeds[@]}" || status=$?
after=$(ls "$artifacts" | sort)

found=0
regressions=tests/data/$(area_of "$target")/regressions
for artifact in $(comm -13 <(echo "$before") <(echo "$after")); do
  mkdir -p "$regressions"
  kept=$regressions/$target-$artifact
  cp "$artifacts/$artifact" "$kept"
  echo "kept $kept; reproduce with: $build_dir/fuzz/fuzz_$target $kept" >&2
  found=1
done
if [ "$found" -ne 0 ]; then
  exit 1
fi
exit "$status"
