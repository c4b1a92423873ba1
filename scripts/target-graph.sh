#!/bin/bash
# Draws the libraries and programs and their links as docs/targets.svg, from
# CMake's own graph (cmake --graphviz), without tests, benchmarks or
# third-party libraries. Needs graphviz (dot).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/tirvelo-graph.XXXXXX)
trap 'rm -rf "$work"' EXIT

cat > "$work/CMakeGraphVizOptions.cmake" <<'OPTIONS'
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_CUSTOM_TARGETS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "^(unit|gui|bench|fuzz)_.*" "tirvelo_test_support" "tirvelo_gui_main"
    "recording_.*" "upctv_.*")
OPTIONS
cmake -S "$root" -B "$work" -DTIRVELO_TESTS=OFF -DTIRVELO_BENCH=OFF \
  --graphviz="$work/targets.dot" > "$work/configure.log"
# The legend explains every kind of target CMake knows; ours are programs
# (ovals), static libraries and the engine (double octagon).
sed "/^subgraph clusterLegend {/,/^}/d" "$work/targets.dot" > "$work/ours.dot"
dot -Tsvg "$work/ours.dot" -o "$root/docs/targets.svg"
echo "wrote docs/targets.svg"
