#!/usr/bin/env bash
# Idle benchmark: the CPU time the program uses while it sits idle on each of its four screens
# (timers, fades, blinking, the clipboard watch), against a minimal program with one 10 ms timer
# (layered_baseline --idle-timer) measured in the same run, screen by screen, over the same wall
# time. CPU time comes from the processes' own counters (/proc: the run time of all their
# threads, in nanoseconds; the process's user + system time when a thread ended meanwhile) plus
# the Wine server's over the same interval (it serves their timers and messages; nothing else
# runs in the private prefix meanwhile). While the baseline is measured the program
# is stopped, and the other way round, so that the server's time is the measured one's alone.
# Each screen is measured in IDLE_ROUNDS rounds (default 3) that alternate the program and the
# baseline, SECONDS_PER_SCREEN each per round, so that a passing load on the machine falls on
# both; the ratio is that of the sums over all rounds (the rounds' own ratios and their median
# are shown too). Goal: program + server within 1.3 times baseline + server on every screen.
#   idle_cpu_bench.sh VORNADA_EXE PROBE_EXE BASELINE_EXE [SECONDS_PER_SCREEN]
source "$(dirname "$0")/lib.sh" "$1" "$2"
BASELINE_EXE=$3
SECONDS_PER_SCREEN=${4:-20}
ROUNDS=${IDLE_ROUNDS:-3}
GOAL=1.3
OUT=${E2E_OUTPUT_DIR:-$PWD}/idle-bench
rm -rf "$OUT"
mkdir -p "$OUT"
WINDIR_DIR=$OUT/windir
mkdir -p "$WINDIR_DIR/System32/Drivers/etc"
printf '127.0.0.1       localhost\r\n' >"$WINDIR_DIR/System32/Drivers/etc/hosts"
TICKS=$(getconf CLK_TCK)

# CPU time of a process: "ns threads", the summed run time of its threads (schedstat) and their
# ids, and "ticks", its user + system time in clock ticks (which keeps the time of ended threads).
cpu_threads() {
  local t total=0 ids=""
  for t in /proc/"$1"/task/*; do
    total=$((total + $(cut -d' ' -f1 "$t/schedstat" 2>/dev/null || echo 0)))
    ids="$ids,${t##*/}"
  done
  echo "$total $ids,"
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Milliseconds of CPU between two readings "ns ids ticks": by the threads' run times when the
# same threads ran throughout (or more came), else by the coarser whole-process ticks.
cpu_ms() { # before after
  awk -v a="$1" -v b="$2" -v t="$TICKS" 'BEGIN {
      split(a, x, " "); split(b, y, " "); n = split(x[2], ids, ",")
      gone = 0
      for (i = 1; i <= n; i++) if (ids[i] != "" && index(y[2], "," ids[i] ",") == 0) gone = 1
      if (gone) printf "%.3f\n", (y[3] - x[3]) * 1000 / t
      else printf "%.3f\n", (y[1] - x[1]) / 1e6 }'
}
cpu_reading() { echo "$(cpu_threads "$1") $(cpu_ticks "$1")"; }
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

# CPU milliseconds of a process and of the server over SECONDS_PER_SCREEN: "process server wall"
# (wall in seconds).
sample() { # pid
  local server before after sbefore="0 , 0" safter="0 , 0" start end
  server=$(wineserver_pid)
  before=$(cpu_reading "$1")
  [ -n "$server" ] && sbefore=$(cpu_reading "$server")
  start=$(date +%s.%N)
  sleep "$SECONDS_PER_SCREEN"
  after=$(cpu_reading "$1")
  [ -n "$server" ] && safter=$(cpu_reading "$server")
  end=$(date +%s.%N)
  echo "$(cpu_ms "$before" "$after") $(cpu_ms "$sbefore" "$safter") $(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')"
}

# Starts the baseline and lets its window show and settle; its pid is in $baseline_pid.
start_baseline() {
  local exe _ p
  exe=$(winpath "$BASELINE_EXE")
  wine "$exe" --idle-timer >/dev/null 2>&1 &
  started_pids+=("$!")
  sleep 1
  baseline_pid=
  for _ in $(seq 1 200); do
    # The Windows process (its command line starts with the Windows path), not the launcher.
    for p in $(pgrep -f 'layered_baseline\.exe' || true); do
      case "$({ tr '\0' ' ' <"/proc/$p/cmdline"; } 2>/dev/null)" in
        "$exe"*) baseline_pid=$p ;;
      esac
    done
    [ -n "$baseline_pid" ] && break
    sleep 0.05
  done
  [ -n "$baseline_pid" ] || fail "the baseline's process did not appear"
  sleep 0.5
  kill -0 "$baseline_pid" 2>/dev/null || fail "the baseline's process ended"
}

stop_baseline() {
  kill "$baseline_pid" 2>/dev/null || true
  wait_until 10000 bash -c "! kill -0 $baseline_pid 2>/dev/null" || true
}

# Measures one process while the other one is stopped: "process server wall".
sample_alone() { # measured stopped
  kill -STOP "$2"
  kill -CONT "$1"
  sleep 0.5  # let the measured process catch up with what came while it was stopped
  sample "$1"
}

all_met=1
measure() { # screen name
  sleep 1  # let the screen change settle (fade, first paint)
  kill -STOP "$program_pid"
  start_baseline
  local rounds="" r prog base
  for r in $(seq 1 "$ROUNDS"); do
    prog=$(sample_alone "$program_pid" "$baseline_pid")
    base=$(sample_alone "$baseline_pid" "$program_pid")
    rounds="$rounds $prog $base"
  done
  kill -CONT "$program_pid"
  stop_baseline
  awk -v n="$1" -v g="$GOAL" -v rounds="$rounds" 'BEGIN {
        k = split(rounds, v, " ") / 6
        for (i = 0; i < k; i++) {
          o = 6 * i
          p1 += v[o + 1]; p2 += v[o + 2]; pw += v[o + 3]
          b1 += v[o + 4]; b2 += v[o + 5]; bw += v[o + 6]
          rb = (v[o + 4] + v[o + 5]) / v[o + 6]
          ratio[i] = (rb > 0) ? ((v[o + 1] + v[o + 2]) / v[o + 3]) / rb : 999
        }
        for (i = 0; i < k; i++)  # sort the rounds ratios for the median
          for (j = i + 1; j < k; j++)
            if (ratio[j] < ratio[i]) { x = ratio[i]; ratio[i] = ratio[j]; ratio[j] = x }
        median = (k % 2) ? ratio[int(k / 2)] : (ratio[k / 2 - 1] + ratio[k / 2]) / 2
        list = ""
        for (i = 0; i < k; i++) list = list sprintf(" %.2f", ratio[i])
        pc = p1 / 10 / pw; ps = p2 / 10 / pw  # milliseconds per second, as per cent
        bc = b1 / 10 / bw; bs = b2 / 10 / bw
        r = (bc + bs > 0) ? (pc + ps) / (bc + bs) : 999
        printf "%-10s program %5.2f%% + server %5.2f%% = %5.2f%%; baseline %5.2f%% + server %5.2f%% = %5.2f%%; ratio %.2f (goal %.1f) %s; rounds%s, median %.2f\n",
               n, pc, ps, pc + ps, bc, bs, bc + bs, r, g, (r <= g) ? "goal met" : "GOAL MISSED", list, median
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
