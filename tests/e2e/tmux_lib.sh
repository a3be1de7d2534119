# Shared by the end-to-end scripts that drive ORBICADE in a private tmux server (80 x 25).
# Source it after setting `sock` (the server's name). It makes the work directory `work`,
# removes it and the server at exit (after `extra_cleanup`, when the script defines one), and
# writes the base tmux.conf to "$work/tmux.conf" (a script may append to it).

export LC_ALL=C.UTF-8
command -v tmux >/dev/null || { echo "tmux is not installed"; exit 1; }
work=$(mktemp -d)

tm() { tmux -L "$sock" "$@"; }
cleanup() {
  if declare -F extra_cleanup >/dev/null; then extra_cleanup || true; fi
  tm kill-server 2>/dev/null || true
  # A pane's shell may still be writing its status file for a moment.
  rm -rf "$work" 2>/dev/null || { sleep 0.5; rm -rf "$work"; } || true
}
trap cleanup EXIT

cat >"$work/tmux.conf" <<'CONF'
set -s escape-time 20
set -g status off
set -g remain-on-exit on
set -g default-terminal tmux-256color
CONF

fail() {
  echo "FAIL: $*"
  echo "---- screen ----"
  tm capture-pane -p -t t 2>/dev/null || true
  exit 1
}

# Runs a command line in a new session "t"; its exit status lands in "$work/status".
run_in_tmux() {
  rm -f "$work/status"
  tm -f "$work/tmux.conf" new-session -d -x 80 -y 25 -s t "$1; echo \$? >'$work/status'"
}

keys() { tm send-keys -t t "$@"; }
screen_text() { tm capture-pane -p -t t; }
line() { screen_text | sed -n "${1}p"; }
# The screen as one line, single-line box characters dropped, blanks and line ends squeezed.
flat_screen() { screen_text | sed 's/[│┌┐└┘─]//g' | tr -s ' \n' ' '; }

wait_line() {
  local n=$1 pattern=$2
  for _ in $(seq 1 200); do
    if line "$n" | grep -qE -- "$pattern"; then return 0; fi
    sleep 0.05
  done
  fail "line $n does not match: $pattern (it is: $(line "$n"))"
}
wait_text() {
  for _ in $(seq 1 200); do
    flat_screen | grep -qE -- "$1" && return 0
    sleep 0.05
  done
  fail "the screen does not show: $1"
}
wait_gone() {
  for _ in $(seq 1 200); do
    flat_screen | grep -qE -- "$1" || return 0
    sleep 0.05
  done
  fail "the screen still shows: $1"
}
# The cursor's place (row col, from 1) once it has settled there.
wait_cursor() {
  local want=$1 now
  for _ in $(seq 1 200); do
    now=$(tm display -p -t t '#{e|+:#{cursor_y},1} #{e|+:#{cursor_x},1}')
    [ "$now" = "$want" ] && return 0
    sleep 0.05
  done
  fail "cursor at $now, not $want"
}
# True once the program has ended (its status is in "$work/status").
wait_dead() {
  for _ in $(seq 1 200); do
    [ -s "$work/status" ] && return 0
    sleep 0.05
  done
  return 1
}

# Fails when the program, waiting for a key, uses more than 3 % of a core over 2 seconds.
check_idle_cpu() {
  local what=$1 shell_pid pid t0 t1 hz
  shell_pid=$(tm display -p -t t '#{pane_pid}')
  pid=$(pgrep -P "$shell_pid" | head -1)
  [ -n "$pid" ] || fail "no program process"
  t0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep 2
  t1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  hz=$(getconf CLK_TCK)
  echo "idle CPU $what: $((t1 - t0)) ticks in 2 s ($hz ticks/s)"
  [ $((t1 - t0)) -le $((2 * hz * 3 / 100)) ] || fail "idle CPU too high: $((t1 - t0)) ticks in 2 s"
}
