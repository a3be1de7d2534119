#!/usr/bin/env bash
# The whole program on a real terminal, as an operator uses it: ORBICADE runs in a private
# tmux server (80 x 25) on the demo installation (real record-manager files, the real print
# program writing its text device). Listings are confirmed with S and handed to ZAZIRIVI; an
# empty range or another answer restarts the form; Esc ends with exit code 0. Also: the
# session language, a data file that cannot be opened, another program holding a record or
# the whole file, a print file that cannot be written and a print program that is missing.
set -euo pipefail

build="${ORB_BINARY_DIR:?}"
src="${ORB_SOURCE_DIR:?}"
sock="orb-run-$$"
source "$(dirname "$0")/tmux_lib.sh"
holder=
extra_cleanup() { [ -z "$holder" ] || kill "$holder" 2>/dev/null; }

bash "$src/demo/make-demo.sh" "$work/demo" "$build" >/dev/null 2>&1 || fail "demo installation"
inst=$work/demo/inst
tmp=$work/demo/tmp
owner=$("$build/orbicade-gendata" owner)
# A fixed working date, and the print program writing a text file instead of the preview.
terminal() {
  printf '[Pantalla]\r\nSeleccio=1\r\nCol1=15011500000700070015\r\n[Sistema]\r\nData=20250315\r\nSortida=%s\r\nIdioma=%s\r\n' \
    "$work/llistat.txt" "${1:-}" | iconv -f UTF-8 -t CP850 >"$tmp/NuvoTerm.ini"
}
terminal CAT

start() {
  run_in_tmux "cd '$work' && env ARXROOT='$inst/' ARXEXE='${1:-$work/demo/prog/}' ARXTMP='$tmp/' '$build/ORBICADE'"
}
# Fills in form 1: month, first property and flat, last property and flat (Ctrl-Y clears).
fill() {
  keys C-y "$1" Tab C-y "$2" Tab C-y "$3" Tab C-y "$4" Tab C-y "$5" Enter
}
# The print file in UTF-8 without its CR, as a file (greps that stop early would break pipes).
print_file() {
  iconv -f CP850 -t UTF-8 "$tmp/zazirivi.tmp" | tr -d '\r' >"$work/print.txt"
  cat "$work/print.txt"
}
# Waits for the print program to have written its device for the current print file, then
# answers its closing prompt until the form is back.
wait_listing() {
  for _ in $(seq 1 200); do
    [ -f "$work/llistat.txt" ] && break
    sleep 0.05
  done
  [ -f "$work/llistat.txt" ] || fail "the print program wrote nothing"
  for _ in $(seq 1 200); do
    flat_screen | grep -qE 'Mes del (llistat|listado):' && return 0
    flat_screen | grep -qE 'tecla|TECLA' && keys Enter
    sleep 0.05
  done
  fail "the form did not come back after the print program"
}

# ---- a listing over the whole range ----
start
wait_text 'Mes del llistat: 150325'
fill 010325 1 0 999 999
wait_text 'Confirmeu el llistat \(S/N\):'
keys S Enter
wait_listing
wait_text 'Mes del llistat: 010325' # the form is back after the print program, as it was
print_file >/dev/null
[ "$(sed -n 1p "$work/print.txt")" = "DEVICE$work/llistat.txt" ] || fail "device line: $(sed -n 1p "$work/print.txt")"
grep -q 'RELACIÓ DE CONTRACTES QUE VENCEN DURANT MARÇ DEL 2025' "$work/print.txt" || fail "no title"
grep -q 'ADMINISTRACIÓ DE FINQUES MONTSENY' "$work/print.txt" || fail "no company name"
# Detail lines, counted by their receipt items (six digits at column 1).
lines_all=$(grep -cE '^ 1 ,[0-9]{6}, 0 $' "$work/print.txt" || true)
[ "$lines_all" -gt 100 ] || fail "only $lines_all detail lines"
grep -q 'RELACIÓ DE CONTRACTES' "$work/llistat.txt" || fail "the print program's output lacks the title"

# ---- a second listing replaces the first: property 3 only ----
rm -f "$work/llistat.txt"
fill 010325 3 0 3 999
wait_text 'Confirmeu'
keys S Enter
wait_listing
wait_text 'Mes del llistat: 010325'
print_file >/dev/null
detail=$(grep -cE '^ 1 ,[0-9]{6}, 0 $' "$work/print.txt" || true)
grep -E '^ 1 ,[0-9]{6}, 0 $' "$work/print.txt" | grep -qv '^ 1 ,003' && fail "a flat of another property is listed"
[ "$detail" -gt 0 ] && [ "$detail" -lt "$lines_all" ] || fail "second listing has $detail lines"

# ---- an empty range restarts the form without the confirmation ----
rm -f "$work/llistat.txt"
fill 010325 12 0 5 999
sleep 0.5
flat_screen | grep -q 'Confirmeu' && fail "the confirmation opened for an empty range"
[ -f "$work/llistat.txt" ] && fail "a listing ran for an empty range"
# ---- an answer other than S restarts the form ----
fill 010325 1 0 999 999
wait_text 'Confirmeu'
keys N Enter
wait_gone 'Confirmeu'
sleep 0.5
[ -f "$work/llistat.txt" ] && fail "a listing ran after the answer N"

# ---- Esc ends the program with exit code 0 ----
keys Escape Escape
wait_dead || fail "the program did not end"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status")"
tm kill-server

# ---- F4 lists: pick a property on page 2, then list only that property's flats ----
# (a pause after each list key: keys typed while the list fetches records are dropped)
start
wait_text 'Mes del llistat'
keys Tab
sleep 0.3
keys F4
wait_text 'Núm Adreça de la finca'
keys PgDn
sleep 0.5
keys Down
sleep 0.3
picked=$(screen_text | sed -n 6p | sed 's/║//g' | awk '{print $1}')
[[ "$picked" =~ ^[0-9]{3}$ ]] || fail "no property number on the highlighted line: $picked"
keys Enter
wait_gone 'Núm Adreça de la finca'
wait_text "Des de la finca: +$((10#$picked)) +pis:"
keys F4
wait_text 'Núm Titular del contracte'
rows=$(screen_text | sed -n 5,20p | sed 's/║//g' | grep -cE '^ *[0-9]{3} ' || true)
expected=$("$build/recman" dump "$inst/DADES/DepartaV.dat" --owner "$owner" --hex | cut -c1-4 |
  grep -ic "^$(printf '%02x%02x' $((128 + 10#$picked / 100)) $((128 + 10#$picked % 100)))" || true)
[ "$rows" -eq "$expected" ] || fail "the flats list shows $rows lines, the property has $expected flats"
screen_text | sed -n 5p | grep -q '001' || fail "the flats list does not start at the property's first flat"
keys Down
sleep 0.3
keys Enter
wait_gone 'Núm Titular del contracte'
wait_text 'pis: +2 '
keys Escape
sleep 0.3
keys Escape
wait_dead || fail "the program did not end"
tm kill-server

# ---- another program holds property 3's record: the listing reads without locks ----
"$build/recman" lock "$inst/DADES/FinquesV.dat" --owner "$owner" --key 0:hex:8083 --hold 30 >"$work/lock.out" &
holder=$!
for _ in $(seq 1 100); do grep -q locked "$work/lock.out" && break; sleep 0.05; done
rm -f "$work/llistat.txt"
start
wait_text 'Mes del llistat'
fill 010325 3 0 3 999
wait_text 'Confirmeu'
keys S Enter
wait_listing
print_file >/dev/null
grep -qE '^ 1 ,003[0-9]{3}, 0 $' "$work/print.txt" || fail "property 3 was not listed while its record was locked"
keys Escape Escape
wait_dead || fail "the program did not end"
kill "$holder"; wait "$holder" 2>/dev/null || true; holder=
tm kill-server

# ---- the flats file held exclusively at start-up: the program waits, then shows the form ----
"$build/recman" lock "$inst/DADES/DepartaV.dat" --owner "$owner" --exclusive --hold 4 >"$work/lock.out" &
holder=$!
for _ in $(seq 1 100); do grep -q locked "$work/lock.out" && break; sleep 0.05; done
start
sleep 2
flat_screen | grep -q 'Mes del llistat' && fail "the form showed while the flats file was held"
wait_text 'Mes del llistat' # within the next retries after the holder let go
wait "$holder" 2>/dev/null || true; holder=
keys Escape
wait_dead || fail "the program did not end"
tm kill-server

# ---- the session language changes every text ----
terminal SPA
start
wait_text 'Mes del listado: 150325'
wait_text 'Desde la finca:'
fill 010325 3 0 3 999
wait_text 'Confirme el listado \(S/N\):'
keys S Enter
wait_listing
print_file >/dev/null
grep -q 'RELACIÓN DE CONTRATOS QUE VENCEN DURANTE MARZO DE 2025' "$work/print.txt" || fail "Spanish title: $(sed -n 7p "$work/print.txt")"
grep -q 'PÁGINA' "$work/print.txt" || fail "Spanish page heading"
keys Escape Escape
wait_dead || fail "the program did not end"
tm kill-server
terminal CAT

# ---- the print file cannot be written: message, no listing, no print program ----
rm -f "$tmp/zazirivi.tmp" "$work/llistat.txt"
mkdir "$tmp/zazirivi.tmp"
start
wait_text 'Mes del llistat'
fill 010325 3 0 3 999
wait_text 'Confirmeu'
keys S Enter
wait_text "NO ES POT ESCRIURE EL FITXER D'IMPRESSIÓ"
[ -f "$work/llistat.txt" ] && fail "the print program ran without a print file"
keys x
wait_gone "NO ES POT ESCRIURE"
keys Escape Escape
wait_dead || fail "the program did not end"
rmdir "$tmp/zazirivi.tmp"
tm kill-server

# ---- the print program cannot be started: message ----
start "$work/nowhere/"
wait_text 'Mes del llistat'
fill 010325 3 0 3 999
wait_text 'Confirmeu'
keys S Enter
wait_text "NO ES POT EXECUTAR EL PROGRAMA D'IMPRESSIÓ"
keys x
wait_gone "NO ES POT EXECUTAR"
keys Escape Escape
wait_dead || fail "the program did not end"
tm kill-server

# ---- a data file that is missing and cannot be created: message, key, exit code 0 ----
rm -f "$inst/DADES/FinquesV.dat" "$inst/ddf/FinquesV.xdf"
start
wait_text 'NO ES POT ACCEDIR AL FITXER .*FinquesV \('
keys x
wait_dead || fail "the program did not end"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status") after the failed open"

echo "PASS"
