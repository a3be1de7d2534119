#!/usr/bin/env bash
# The print program's preview on a real terminal: ZAZIRIVI runs in a private tmux server
# (80 x 25) on a two-page listing whose device line names no file; the window moves over the
# 135-column pages with the cursor and page keys, shows where it is on the last row, and Esc
# ends the program with exit code 0, the print file unchanged. A malformed print file gives
# its message in a box and ends on a key.
set -euo pipefail

bin="${ORB_BINARY_DIR:?}/ZAZIRIVI"
[ -x "$bin" ] || { echo "missing $bin"; exit 1; }

sock="orb-preview-$$"
source "$(dirname "$0")/tmux_lib.sh"

# The print file in code page 850, lines given as arguments, each ended with CR LF.
print_file() { for l in "$@"; do printf '%s\r\n' "$l"; done | iconv -f UTF-8 -t CP850 >"$work/zazirivi.tmp"; }

start() { # language
  printf '[Sistema]\r\nIdioma=%s\r\nSortida=\r\n' "$1" >"$work/NuvoTerm.ini"
  run_in_tmux "cd '$work' && env ARXTMP='$work/' ARXROOT='$work/' '$bin'"
}

rule=$(printf '%0135d' 0 | tr 0 -)
page() { # number
  echo "PAGE 66 "; echo "*@e"; echo " 1 ,FINQUES MONTSERRAT, 0 "; echo "JUSD"
  echo " 85 ,PÀGINA   $1, 2 "; echo " 1 ,REBUT, 0 "; echo " 13 ,ADREÇA, 0 "; echo "JUSD"
  echo " 116 ,DUR., 0 "; echo " 126 ,VENCIMENT, 1 "; echo " 1 ,$rule, 1 "
  for i in $(seq 1 30); do
    echo " 1 ,$1$(printf '%05d' "$i"), 0 "; echo " 13 ,CARRER $i, 0 "; echo "JUSD"
    echo " 116 ,  12, 0 "; echo " 126 ,0$1/03/2024, 1 "
  done
}
mapfile -t lines < <(echo "DEVICE"; page 1; page 2)
print_file "${lines[@]}"
before=$(sha256sum "$work/zazirivi.tmp")

start CAT
wait_line 25 '^ Pàgina 1/2   Línia 1-24/66   Columna 1-80/135 +Esc: sortir$'
wait_line 1 '^FINQUES MONTSERRAT {57}PÀGIN$'
wait_line 3 '^REBUT       ADREÇA'
wait_line 5 '^100001      CARRER 1$'

# Waiting for a key keeps no processor busy.
pid=$(pgrep -P "$(tm display -p -t t '#{pane_pid}')" | head -1)
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
t0=$(ticks); sleep 2; t1=$(ticks)
limit=$(( 2 * $(getconf CLK_TCK) * 2 / 100 ))
[ $((t1 - t0)) -le "$limit" ] || fail "idle CPU: $((t1 - t0)) ticks in 2 s (limit $limit)"

tm send-keys -t t PgDn
wait_line 25 '^ Pàgina 2/2   Línia 1-24/66'
wait_line 1 '^FINQUES MONTSERRAT'
wait_line 5 '^200001      CARRER 1$'

# Right six times: columns 56 to 135; the page number ends at column 85, VENCIMENT starts at 126.
for _ in 1 2 3 4 5 6; do tm send-keys -t t Right; done
wait_line 25 'Columna 56-135/135'
wait_line 1 '^ {20}PÀGINA   2$'
wait_line 3 '^ {57}DUR\. {9}VENCIMENT$'
wait_line 5 '^ {59}12 {9}02/03/2024$'

tm send-keys -t t End
# The bottom of the sheet: the last 24 of its 66 lines, below the 36 that hold text.
wait_line 25 'Línia 43-66/66'
[ -z "$(screen_text | sed -n 1,24p | tr -d ' \n')" ] || fail "text below the listing"
tm send-keys -t t Up
wait_line 25 'Línia 42-65/66'
tm send-keys -t t PgUp
wait_line 25 '^ Pàgina 1/2   Línia 1-24/66   Columna 56-135/135'
tm send-keys -t t Home
wait_line 25 'Columna 1-80/135'
tm send-keys -t t Down
wait_line 1 '^$'
wait_line 2 '^REBUT'

tm send-keys -t t Escape
wait_dead || fail "the preview did not end on Esc"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status"), not 0"
[ "$(sha256sum "$work/zazirivi.tmp")" = "$before" ] || fail "the print file changed"

# A malformed print file: the message in the operator's language, a key, exit code 0.
tm kill-server
print_file "DEVICE" "PAGE 66 " " 1 ,sense avanç"
start GLG
wait_line 10 '│ O ficheiro de impresión non é correcto na liña 3  Prema unha tecla │'
tm send-keys -t t x
wait_dead || fail "the message did not end on a key"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status"), not 0"

echo "zazirivi preview: all cases passed"
