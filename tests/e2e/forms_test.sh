#!/usr/bin/env bash
# The parameter form on a real terminal: ORBICADE runs in a private tmux server (80 x 25) on a
# small installation; form 1 shows the session title, its labels and preset values in its
# window; typing, Tab, Down, Up and Esc move and store as on the headless console; Esc on the
# first field ends the program with status 0 and the terminal given back. A malformed form
# definition file stops the program with a message naming the file, line and item.
set -euo pipefail

bin="${ORB_BINARY_DIR:?}/ORBICADE"
src="${ORB_SOURCE_DIR:?}"
[ -x "$bin" ] || { echo "missing $bin"; exit 1; }

sock="orb-forms-$$"
source "$(dirname "$0")/tmux_lib.sh"

# ---- installation ----
mkdir -p "$work/root/FORMS" "$work/root/LOCALE" "$work/root/DADES" "$work/root/ddf" "$work/tmp"
cp "$src/tests/forms/fixtures/ORBICADE.APN" "$work/root/FORMS/"
cp "$src"/demo/ddf/*.xdf "$work/root/ddf/" # the data files are created empty from these
printf '[Menu]\r\nTitol=Venciment de contractes\r\nNomMenu=\r\n' >"$work/tmp/Sessio.ini"
printf '[Pantalla]\r\nSeleccio=1\r\nCol1=15011500000700070015\r\n[Sistema]\r\nData=20240315\r\nIdioma=CAT\r\n' \
  >"$work/tmp/NuvoTerm.ini"

start() {
  run_in_tmux "env ARXROOT='$work/root/' ARXTMP='$work/tmp/' '$bin'"
}

# ---- form 1 as it opens: the window centred, title, labels, presets ----
start
wait_line 1 '^ {28}Venciment de contractes$'
wait_line 8 '^ {19}╔═{40}╗$'
wait_line 18 '^ {19}╚═{40}╝$'
# Field 1 is being edited: its typing form; the others in their display forms.
wait_line 10 '^ {19}║   Mes del llistat: 150324  +║$'
wait_line 12 '^ {19}║   Des de la finca:   1    pis:   0 +║$'
wait_line 14 '^ {19}║   Fins a la finca: 999    pis: 999 +║$'
wait_line 16 '^ {19}║   F1 Ajuda   F4 Llista   Esc Sortir  +║$'
wait_cursor "10 41"

# Waiting for a key in a field: the process sleeps between polls.
check_idle_cpu "in a field"

# ---- a new month typed over the old one, Tab to the first property ----
keys C-y 010424 Tab
wait_line 10 'Mes del llistat: 1/4/2024  '
wait_cursor "12 41"
# Typing (overwrite mode, the terminal's first setting) over the 1; Down stores it and moves
# to the flat, whose typing form is edited.
keys 1 2 Down
wait_line 12 'Des de la finca:  12    pis: 0  '
wait_cursor "12 53"
# Up goes back to the property, whose typing form is edited again.
keys Up
wait_cursor "12 41"
keys End 5 Enter
wait_line 12 'Des de la finca: 125    pis: 0  '
wait_cursor "12 53"
# An impossible date is refused: the field stays being edited.
keys Up Up
wait_cursor "10 41"
keys C-y 310224 Enter
sleep 0.3
wait_cursor "10 41" # edited again from its start
wait_line 10 'Mes del llistat: 310224  '
keys C-y 150524 Enter
wait_line 10 'Mes del llistat: 15/5/2024 '
wait_cursor "12 41"

# ---- Esc goes back to the first field, Esc there ends the program ----
keys Escape
wait_cursor "10 41"
wait_line 12 'Des de la finca: 125    pis:   0'
# A click on a label selects its field: "Fins a la finca" (row 14, column 24), as an X10 report.
tm send-keys -t t -H 1b 5b 4d 20 38 2e
wait_cursor "14 41"
keys Escape
wait_cursor "10 41"
keys Escape
wait_dead || fail "the program did not end on Esc"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status"), not 0"
screen_text | grep -q 'Venciment' && fail "the terminal was not restored at exit"

# ---- a malformed definition: message with file, line and item; a key ends with 0 ----
tm kill-server
sed -i 's/^"d,1b",1,0,20,23,23,58/"d,1b",1,7,20,23,23,58/' "$work/root/FORMS/ORBICADE.APN"
start
for _ in $(seq 1 100); do
  screen_text | tr -d '\n' | grep -q 'FITXER DE FORMULARIS INCORRECTE' && break
  sleep 0.05
done
text=$(screen_text | sed 's/[│┌┐└┘─]//g' | tr -s ' \n' ' ')
echo "$text" | grep -q 'FITXER DE FORMULARIS INCORRECTE' || fail "no message for a malformed file"
echo "$text" | grep -q 'ORBICADE.APN, LÍNIA 13, ELEMENT 3: VALOR NO VÀLID. PREMEU UNA TECLA.' ||
  fail "the message does not name line and item: $text"
keys x
wait_dead || fail "the program did not end after the message"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status"), not 0"

echo "PASS"
