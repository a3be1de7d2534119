#!/usr/bin/env bash
# The help window on a real terminal: a small program built from the console code runs in a
# private tmux server (80 x 25); F1 opens a 40-line help file, the paging keys move through it,
# Esc closes it and the screen is as before. Also checked: box characters and accented letters
# as the terminal shows them, idle CPU while waiting for a key, and the terminal given back
# when the program ends or is sent SIGTERM.
set -euo pipefail

bin="${ORB_BINARY_DIR:?}/helpdemo"
[ -x "$bin" ] || { echo "missing $bin"; exit 1; }

sock="orb-help-$$"
source "$(dirname "$0")/tmux_lib.sh"

# ---- installation: a help file of 40 records of 80 bytes in code page 850 ----
mkdir -p "$work/root/AJUDA" "$work/tmp"
for i in $(seq 1 40); do
  # "Línia NN: càrrec, plaça, més, camí, Àngel" in CP850 bytes, padded to 78 bytes, CR LF.
  LC_ALL=C printf '%-78s\r\n' "$(LC_ALL=C printf 'L\xa1nia %02d: c\x85rrec, pla\x87a, m\x82s, cam\xa1, \xb7ngel' "$i")"
done >"$work/root/AJUDA/MENU01.HLP"
[ "$(stat -c %s "$work/root/AJUDA/MENU01.HLP")" -eq 3200 ] || fail "help file is not 40 records"

# The pane's shell runs the program and writes its exit status to a file when it ends (tmux
# itself does not always collect the status of a dead pane).
start() { # extra environment assignments may be given
  run_in_tmux "env ARXROOT='$work/root/' ARXTMP='$work/tmp/' $* '$bin' MENU01"
}

# The program's process: the child of the pane's shell.
program_pid() {
  local shell_pid
  shell_pid=$(tm display -p -t t '#{pane_pid}')
  for _ in $(seq 1 100); do
    pgrep -P "$shell_pid" && return 0
    sleep 0.05
  done
  return 1
}

expect_page() { # first and last help line shown on screen rows 5 and 21
  wait_line 5 "^║ Línia $1: càrrec, plaça, més, camí, Àngel +║$"
  wait_line 21 "^║ Línia $2: "
}

start
wait_line 2 '^Benvinguts: Àngel, còdol, façana, línia, Müller, niño, cel·la$'
wait_line 25 '^ F1=Ajuda  Q=Sortir'
sleep 0.2
before=$(tm capture-pane -p -e -t t)

tm send-keys -t t F1
wait_line 4 "^╔═{78}╗$"
wait_line 22 "^╚═{78}╝$"
expect_page 01 17
[ "$(line 3)" = "$(echo "$before" | sed 's/\x1b\[[0-9;]*m//g' | sed -n 3p)" ] || fail "row 3 changed"

# Idle at the help prompt: the process sleeps between polls.
pid=$(program_pid)
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
t0=$(ticks)
sleep 3
t1=$(ticks)
hz=$(getconf CLK_TCK)
used=$((t1 - t0))
limit=$((3 * hz * 2 / 100))
echo "idle CPU: $used ticks in 3 s (limit $limit, $hz ticks/s)"
[ "$used" -le "$limit" ] || fail "idle CPU too high: $used ticks in 3 s"

tm send-keys -t t PgDn; expect_page 18 34
tm send-keys -t t End; expect_page 24 40
tm send-keys -t t PgUp; expect_page 08 24
tm send-keys -t t Home; expect_page 01 17
tm send-keys -t t Down; expect_page 02 18
tm send-keys -t t Up; expect_page 01 17
tm send-keys -t t Escape
wait_line 4 '^Fila 04 │ '
sleep 0.2
after=$(tm capture-pane -p -e -t t)
[ "$before" = "$after" ] || {
  diff <(echo "$before") <(echo "$after") || true
  fail "the screen after Esc differs from the screen before F1"
}

# Keys and clicks as the terminal sends them become the console's input events: key text
# (one byte, or 0 and a scan code, or 255 255 event buttons), modifiers (Alt 2, Ctrl 8, Shift 16).
key_case() { # tmux key, expected description on row 24
  tm send-keys -t t "$1"
  wait_line 24 "^$2 *$"
}
key_case M-x 'tecla 00 2d mod 2'
key_case M-C 'tecla 00 2e mod 2'
key_case C-Left 'tecla 00 4b mod 8'
key_case C-Right 'tecla 00 4d mod 8'
key_case C-Home 'tecla 00 47 mod 8'
key_case S-F1 'tecla 00 3b mod 16'
key_case C-F4 'tecla 00 3e mod 8'
key_case M-F4 'tecla 00 3e mod 2'
key_case F10 'tecla 00 44 mod 0'
key_case BTab 'tecla 00 0f mod 16'
key_case IC 'tecla 00 52 mod 0'
key_case DC 'tecla 00 53 mod 0'
key_case KP5 'tecla 35 mod 0' # the application keypad's 5
tm send-keys -t t -H 1b 4f 45 # the keypad centre key without NumLock (xterm)
wait_line 24 '^tecla 00 4c mod 0 *$'
key_case Enter 'tecla 0d mod 0'
key_case BSpace 'tecla 08 mod 0'
key_case Tab 'tecla 09 mod 0'
key_case é 'tecla 82 mod 0'
key_case € 'tecla d5 mod 0'
key_case C-c 'tecla 03 mod 0'
key_case Escape 'tecla 1b mod 0'
key_case C-c 'tecla 03 mod 0'
tm send-keys -t t -H 1b 1b # two Esc in one burst: two plain Esc, not Alt+Esc
wait_line 24 '^tecla 1b mod 0 *$'
tm send-keys -t t -H 1b 5b 4d 20 2a 25 # a left press at column 10, row 5 (X10 report)
wait_line 24 '^tecla ff ff 04 01 mod 0 fila 5 col 10 *$'
# A known row 24 for the comparisons below.
tm send-keys -t t Escape
wait_line 24 '^tecla 1b mod 0 *$'
before=$(tm capture-pane -p -e -t t)

# A terminal smaller than 80 x 25 shows a notice until it is enlarged again.
tm resize-window -t t -x 70 -y 20
wait_line 1 '^El terminal ha de tenir almenys 80 columnes i 25 files\.$'
wait_line 2 '^Ara en té 70 x 20\.$'
tm resize-window -t t -x 80 -y 25
wait_line 2 '^Benvinguts: '
sleep 0.2
[ "$(tm capture-pane -p -e -t t)" = "$before" ] || fail "the screen was not redrawn after enlarging"

# Q ends the program, and the terminal is given back (the program's screen is gone).
tm send-keys -t t q
wait_dead || fail "the program did not end on Q"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status"), not 0"
screen_text | grep -q Benvinguts && fail "the terminal was not restored at exit"

# SIGTERM while the help is open: the terminal is given back as well.
tm kill-server
start
wait_line 2 '^Benvinguts'
tm send-keys -t t F1
wait_line 4 "^╔═{78}╗$"
kill -TERM "$(program_pid)"
wait_dead || fail "the program did not end on SIGTERM"
[ "$(cat "$work/status")" = 143 ] || fail "not ended by SIGTERM: status $(cat "$work/status")"
screen_text | grep -qE 'Benvinguts|╔' && fail "the terminal was not restored after SIGTERM"

# "WIN" output mode: the help launcher runs in the terminal, without a shell in between, and
# the screen comes back as it was when it ends.
tm kill-server
printf '#!/bin/sh\necho "launcher args: $*"\nread -r answer\n' >"$work/launcher"
chmod +x "$work/launcher"
start "WINDIR='C:\\WINDOWS' COMSPEC='$work/launcher'"
wait_line 2 '^Benvinguts'
sleep 0.2
before=$(tm capture-pane -p -e -t t)
tm send-keys -t t F1
launched='^launcher args: /C REDERO AJUDA\\MENU01\.HTM$'
for _ in $(seq 1 100); do
  screen_text | grep -q -- "$launched" && break
  sleep 0.05
done
screen_text | grep -q -- "$launched" || fail "the launcher did not run"
tm send-keys -t t Enter
wait_line 2 '^Benvinguts'
sleep 0.2
[ "$(tm capture-pane -p -e -t t)" = "$before" ] || fail "the screen was not drawn again after the launcher"
tm send-keys -t t q
wait_dead || fail "the program did not end on Q"

echo "PASS"
