#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for the given number of seconds each,
# starting from its seed inputs. Fails when a target finds a crash.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$build"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=$(mktemp -d)
  seeds="$top/tests/fuzz/seeds/$name"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  echo "== $name ($seconds s)"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$build/$name-" "$corpus" 2>"$build/$name.log"; then
    tail -40 "$build/$name.log"; status=1
  else
    grep -E "stat::number_of_executed_units|Done" "$build/$name.log" | tail -2
  fi
  rm -rf "$corpus"
done
exit $status
