#!/usr/bin/env bash
# Runs every benchmark program of a build directory (default build/): each *_bench found
# there, one after the other, with Google Benchmark's console output.
set -euo pipefail
build=${1:-build}
found=0
for program in "$build"/*_bench; do
  [ -x "$program" ] || continue
  found=1
  echo "== $(basename "$program")"
  "$program" "${@:2}"
done
if [ "$found" -eq 0 ]; then
  echo "no benchmark programs in $build (is libbenchmark-dev installed?)" >&2
  exit 1
fi
