#!/usr/bin/env bash
# Idle benchmark: the CPU time the program uses while it sits idle on each of its four screens
# (timers, fades, blinking, the clipboard watch), against a minimal program with one 10 ms timer
# (layered_baseline --idle-timer) measured in the same run, screen by screen, over the same wall
# time. CPU time comes from the processes' own counters (/proc: user + system time of all their
# threads) plus the Wine server's over the same interval (it serves their timers and messages;
# nothing else runs in the private prefix meanwhile). While the baseline is measured the program
# is stopped, so that the server's time is the baseline's alone. Goal: program + server within
# 1.3 times baseline + server on every screen.
#   idle_cpu_bench.sh VORNADA_EXE PROBE_EXE BASELINE_EXE [SECONDS_PER_SCREEN]
source "$(dirname "$0")/lib.sh" "$1" "$2"
BASELINE_EXE=$3
SECONDS_PER_SCREEN=${4:-20}
GOAL=1.3
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

# CPU ticks of a process and of the server over SECONDS_PER_SCREEN: "process server wall".
sample() { # pid
  local server before after sbefore=0 safter=0 start end
  server=$(wineserver_pid)
  before=$(cpu_ticks "$1")
  [ -n "$server" ] && sbefore=$(cpu_ticks "$server")
  start=$(date +%s.%N)
  sleep "$SECONDS_PER_SCREEN"
  after=$(cpu_ticks "$1")
  [ -n "$server" ] && safter=$(cpu_ticks "$server")
  end=$(date +%s.%N)
  echo "$((after - before)) $((safter - sbefore)) $(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')"
}

# The baseline runs only while it is measured, with the program stopped meanwhile.
baseline_sample() {
  local exe pid _ p
  exe=$(winpath "$BASELINE_EXE")
  wine "$exe" --idle-timer >/dev/null 2>&1 &
  started_pids+=("$!")
  pid=
  for _ in $(seq 1 200); do
    # The Windows process (its command line starts with the Windows path), not the launcher.
    for p in $(pgrep -f 'layered_baseline\.exe' || true); do
      case "$({ tr '\0' ' ' <"/proc/$p/cmdline"; } 2>/dev/null)" in
        "$exe"*) pid=$p ;;
      esac
    done
    [ -n "$pid" ] && break
    sleep 0.05
  done
  [ -n "$pid" ] || fail "the baseline's process did not appear"
  kill -STOP "$program_pid"
  sleep 1  # let the baseline's window show and settle
  sample "$pid"
  kill "$pid" 2>/dev/null || true
  wait_until 10000 bash -c "! kill -0 $pid 2>/dev/null" || true
  kill -CONT "$program_pid"
}

all_met=1
measure() { # screen name
  sleep 1  # let the screen change settle (fade, first paint)
  local prog base
  prog=$(sample "$program_pid")
  base=$(baseline_sample)
  awk -v n="$1" -v t="$TICKS" -v g="$GOAL" -v prog="$prog" -v base="$base" 'BEGIN {
        split(prog, p, " "); split(base, b, " ")
        pc = 100 * p[1] / t / p[3]; ps = 100 * p[2] / t / p[3]
        bc = 100 * b[1] / t / b[3]; bs = 100 * b[2] / t / b[3]
        r = (bc + bs > 0) ? (pc + ps) / (bc + bs) : 999
        printf "%-10s program %5.2f%% + server %5.2f%% = %5.2f%%; baseline %5.2f%% + server %5.2f%% = %5.2f%%; ratio %.2f (goal %.1f) %s\n",
               n, pc, ps, pc + ps, bc, bs, bc + bs, r, g, (r <= g) ? "goal met" : "GOAL MISSED"
        exit (r <= g) ? 0 : 1 }' || all_met=0
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
