#!/usr/bin/env bash
# Installs the demo's text files (kept as UTF-8 in demo/files) in code page 850: the language
# file with CR LF line ends, help pages as records of 80 bytes (78 characters and CR LF), and
# the dictionaries of the data files as they are.
set -euo pipefail
dir=$1
src=$(cd "$(dirname "$0")/.." && pwd)
inst=$dir/inst

sed 's/$/\r/' "$src/files/LOCALE/ORBICADE.LNG" | iconv -f UTF-8 -t CP850 > "$inst/LOCALE/ORBICADE.LNG"
for page in "$src"/files/AJUDA/*.txt; do
  name=$(basename "$page" .txt)
  iconv -f UTF-8 -t CP850 "$page" | while IFS= read -r line; do
    printf '%-78.78s\r\n' "$line"
  done > "$inst/AJUDA/$name.HLP"
done
if [ -f "$src/files/FORMS/ORBICADE.APN" ]; then
  sed 's/$/\r/' "$src/files/FORMS/ORBICADE.APN" | iconv -f UTF-8 -t CP850 > "$inst/FORMS/ORBICADE.APN"
fi
cp "$src"/ddf/*.xdf "$inst/ddf/"
