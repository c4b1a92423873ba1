#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as $BUILD_DIR); extra
# arguments go to the configure step. $BUILD_TARGETS names the targets to build
# (all of them when unset). ccache is used when it is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "${launcher[@]}" "$@" >/dev/null
targets=()
[ -n "${BUILD_TARGETS:-}" ] && targets=(--target $BUILD_TARGETS)
cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}"
