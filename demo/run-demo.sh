#!/usr/bin/env bash
# make demo: prepares the demo installation in BUILD/demo and starts ORBICADE in this terminal.
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
case "$build" in /*) ;; *) build="$top/$build" ;; esac
dir="$build/demo"
bash "$top/demo/make-demo.sh" "$dir" "$build"
export ARXROOT="$dir/inst/" ARXEXE="$dir/prog/" ARXTMP="$dir/tmp/"
echo "Demo installation: $dir (ARXROOT=$ARXROOT ARXTMP=$ARXTMP)"
cd "$dir"
status=0
"$dir/prog/ORBICADE" || status=$?
echo "ORBICADE ended with exit code $status"
exit $status
