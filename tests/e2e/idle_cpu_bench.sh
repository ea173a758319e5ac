#!/usr/bin/env bash
# Idle benchmark: the CPU time the program uses while it sits idle on each of its four screens
# (timers, fades, blinking, the clipboard watch), against the same wall time, measured from the
# process's own counters (/proc: user + system time of all its threads). The Wine server's CPU
# time over the same interval is printed beside it (it serves the program's timers and
# messages; nothing else runs in the private prefix meanwhile). Goal: below 1% of one core on
# every screen.
#   idle_cpu_bench.sh VORNADA_EXE PROBE_EXE [SECONDS_PER_SCREEN]
source "$(dirname "$0")/lib.sh" "$1" "$2"
SECONDS_PER_SCREEN=${3:-20}
OUT=${E2E_OUTPUT_DIR:-$PWD}/idle-bench
rm -rf "$OUT"
mkdir -p "$OUT"
WINDIR_DIR=$OUT/windir
mkdir -p "$WINDIR_DIR/System32/Drivers/etc"
printf '127.0.0.1       localhost\r\n' >"$WINDIR_DIR/System32/Drivers/etc/hosts"
TICKS=$(getconf CLK_TCK)

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The Wine server of this prefix (its environment names the prefix).
wineserver_pid() {
  local p
  for p in $(pgrep -u "$(id -u)" '^wineserver' || true); do
    if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$p"
      return 0
    fi
  done
}

all_met=1
measure() { # screen name
  sleep 1  # let the screen change settle (fade, first paint)
  local server before after sbefore safter start end
  server=$(wineserver_pid)
  before=$(cpu_ticks "$program_pid")
  sbefore=0 safter=0
  [ -n "$server" ] && sbefore=$(cpu_ticks "$server")
  start=$(date +%s.%N)
  sleep "$SECONDS_PER_SCREEN"
  after=$(cpu_ticks "$program_pid")
  [ -n "$server" ] && safter=$(cpu_ticks "$server")
  end=$(date +%s.%N)
  awk -v n="$1" -v c=$((after - before)) -v s=$((safter - sbefore)) -v t="$TICKS" \
      -v a="$start" -v b="$end" 'BEGIN {
        wall = b - a; p = 100 * c / t / wall; q = 100 * s / t / wall
        printf "%-10s program %5.2f%% of one core over %.1f s (wineserver %5.2f%%) %s\n",
               n, p, wall, q, (p < 1) ? "goal met" : "GOAL MISSED"
        exit (p < 1) ? 0 : 1 }' || all_met=0
}

start_program_with_windir "$WINDIR_DIR" "${BENCH_LOCALE:-ru_RU.UTF-8}"
probe watch-alpha "$TITLE" 20000 >/dev/null || fail "the window did not fade in"
window_geometry
measure question
click_at 247 83
measure password
type_text 'F@lc0nry'
for _ in $(seq 1 100); do window_geometry; [ "$win_width" -eq 620 ] && break; sleep 0.1; done
[ "$win_width" -eq 620 ] || fail "the editor did not open"
measure editor
click_at 504 16
measure reference
click_at 595 16
wait_until 10000 bash -c "! kill -0 $program_pid 2>/dev/null" || fail "the program did not end"
[ "$all_met" = 1 ] && echo "GOAL MET on every screen" || echo "GOAL MISSED on some screen"
