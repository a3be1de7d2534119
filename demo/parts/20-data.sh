#!/usr/bin/env bash
# The demo's data files: about 200 properties and 3000 flats, generated and loaded with the
# recman tool, protected with the suite's owner name. Made anew on every run.
set -euo pipefail
dir=$1
build=$2
inst=$dir/inst
owner=$("$build/orbicade-gendata" owner)
raw=$(mktemp -d)
trap 'rm -rf "$raw"' EXIT
"$build/orbicade-gendata" demo "$raw/props" "$raw/flats" 2>/dev/null
for file in FinquesV:props DepartaV:flats; do
  name=${file%%:*}
  rm -f "$inst/DADES/$name.dat" "$inst/DADES/$name.dat.lck"
  "$build/recman" create "$inst/DADES/$name.dat" "$inst/ddf/$name.xdf" >/dev/null
  "$build/recman" load "$inst/DADES/$name.dat" < "$raw/${file##*:}" >/dev/null
  "$build/recman" owner "$inst/DADES/$name.dat" "$owner" >/dev/null
done
