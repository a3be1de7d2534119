#!/usr/bin/env bash
# The calculator and the calendar on a real terminal: ORBICADE runs in a private tmux server
# (80 x 25) on a small installation, with the date field of the parameter form being edited.
# Alt+X opens the calculator at the bottom left; its result goes into the field as typed keys
# and editing of the field goes on; the tape is still there at the next opening (ARXCALC.TMP
# of the terminal directory); a division by zero beeps. Alt+C opens the calendar at the right
# edge on the working date; the chosen day goes into the field as it would be typed. The
# calculator waiting for a key leaves the processor idle.
set -euo pipefail

bin="${ORB_BINARY_DIR:?}/ORBICADE"
src="${ORB_SOURCE_DIR:?}"
[ -x "$bin" ] || { echo "missing $bin"; exit 1; }

sock="orb-popups-$$"
source "$(dirname "$0")/tmux_lib.sh"

# ---- installation: the form of the forms test, the report's dictionaries, a terminal ----
mkdir -p "$work/root/FORMS" "$work/root/LOCALE" "$work/root/ddf" "$work/root/DADES" \
  "$work/tmp" "$work/term"
cp "$src/tests/forms/fixtures/ORBICADE.APN" "$work/root/FORMS/"
cp "$src/demo/ddf/FinquesV.xdf" "$src/demo/ddf/DepartaV.xdf" "$work/root/ddf/"
printf '[Menu]\r\nTitol=Venciment de contractes\r\nNomMenu=\r\n' >"$work/tmp/Sessio.ini"
printf '[Pantalla]\r\nSeleccio=1\r\nCol1=15011500000700070015\r\n[Sistema]\r\nData=20240315\r\nIdioma=CAT\r\n' \
  >"$work/tmp/NuvoTerm.ini"

# Every bell of the program's window is counted in a file.
cat >>"$work/tmux.conf" <<CONF
set -g monitor-bell on
set -g bell-action any
set-hook -g alert-bell 'run-shell "echo bell >>$work/bells"'
CONF

start() {
  run_in_tmux "env ARXROOT='$work/root/' ARXTMP='$work/tmp/' ARXTERM='$work/term/' '$bin'"
}

bells() { [ -f "$work/bells" ] && wc -l <"$work/bells" || echo 0; }

rule() { printf '%s' "$1"; printf '─%.0s' $(seq 1 24); printf '%s' "$2"; }

start
wait_line 10 '^ {19}║   Mes del llistat: 150324  +║$'
wait_cursor "10 41"

# ---- calculator: 1 2 + 3 = F types 1500 into the cleared field ----
keys C-y M-x
wait_line 25 "^$(rule └ ┘)"
wait_line 23 "^$(rule ┌ ┐)"
wait_line 24 '^│ {21}0  │'
# Waiting for a key in the calculator: the process sleeps between polls.
check_idle_cpu "in the calculator"
keys 1 2 + 3 =
wait_line 24 '^│ {20}15  │'
wait_line 20 '^│ {20}12 \+│'
wait_line 21 '^│ {21}3 =│'
wait_line 22 '^│ {20}15  │'
wait_line 23 "^$(rule ├ ┤)"
keys F
wait_line 25 '^ *$'
wait_line 10 '^ {19}║   Mes del llistat: 1500     +║$'
# Editing goes on in the same field: the cursor stands after what was typed, and keys edit it.
wait_cursor "10 45"
keys BSpace 9
wait_line 10 'Mes del llistat: 1509  '
wait_cursor "10 45"
[ "$(head -1 "$work/term/ARXCALC.TMP" | tr -d '\r')" = "1,20,15,15" ] ||
  fail "calculator state not kept: $(head -1 "$work/term/ARXCALC.TMP")"

# ---- calendar: Right from the working date 15 March 2024, F types 160324 ----
keys C-y M-c
wait_line 1 ' 2024 '
wait_line 2 '│DL DT DC DJ DV DS DG│$'
wait_line 17 '│        MARÇ        │$'
keys Right f
wait_line 1 '^ {28}Venciment de contractes$'
wait_line 10 '^ {19}║   Mes del llistat: 160324   +║$'
wait_cursor "10 47"

# ---- the tape is there again; 2 . 3 F gives 230 ----
keys C-y M-x
wait_line 19 "^$(rule ┌ ┐)"
wait_line 22 '^│ {20}15  │'
keys 2 . 3
wait_line 24 "^│ {19}2'3  │"
keys F
wait_line 10 'Mes del llistat: 230  '
wait_cursor "10 44"

# ---- 5 / 0 = beeps and keeps the calculator as it was; Esc types nothing ----
# The calculator opens as it was left: 2.3 being typed; C drops it and shows the total.
keys C-y M-x
wait_line 24 "^│ {19}2'3  │"
keys C
wait_line 24 '^│ {20}15  │'
keys 5 /
wait_line 24 '^│ {21}5  │'
b0=$(bells)
keys 0 =
for _ in $(seq 1 100); do
  [ "$(bells)" -gt "$b0" ] && break
  sleep 0.05
done
[ "$(bells)" -gt "$b0" ] || fail "no beep on a division by zero"
wait_line 24 '^│ {21}0  │'
wait_line 22 '^│ {21}5 /│'
keys 2 =
wait_line 24 "^│ {19}2'5  │"
keys Escape
wait_line 25 '^ *$'
wait_line 10 'Mes del llistat:        '
wait_cursor "10 41"
grep -qiE 'inf|nan' "$work/term/ARXCALC.TMP" && fail "a non-number was saved"

# ---- leave the form with Esc ----
keys 1 5 0 3 2 4 Escape
wait_dead || fail "the program did not end on Esc"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status"), not 0"

echo "PASS"
