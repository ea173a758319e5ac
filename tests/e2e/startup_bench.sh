#!/usr/bin/env bash
# Start-up benchmark: the time from process start to the first fully opaque question screen,
# against a minimal program that shows a layered window of the same size, measured in the same
# run, alternating, ROUNDS times each (median). The baseline fades in as the program does (so
# the ratio is the program's own start-up work); the figure against a baseline shown opaque at
# once is printed as well. Goal: at most 1.5 times the fading baseline.
#   startup_bench.sh VORNADA_EXE PROBE_EXE BASELINE_EXE [ROUNDS]
source "$(dirname "$0")/lib.sh" "$1" "$2"
BASELINE_EXE=$3
ROUNDS=${4:-7}

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

program=() fading=() opaque=()
for _ in $(seq 1 "$ROUNDS"); do
  fading+=("$(probe startup 30000 "$(winpath "$BASELINE_EXE")")") || fail "baseline did not show"
  opaque+=("$(probe startup 30000 "$(winpath "$BASELINE_EXE")" --opaque)") ||
    fail "opaque baseline did not show"
  program+=("$(env LC_ALL=ru_RU.UTF-8 wine "$PROBE_EXE" startup 30000 "$(winpath "$VORNADA_EXE")" | tr -d "\r")") ||
    fail "the program did not reach a fully opaque window"
done
p=$(median "${program[@]}")
f=$(median "${fading[@]}")
o=$(median "${opaque[@]}")
ratio=$(awk -v a="$p" -v b="$f" 'BEGIN {printf "%.2f", a / b}')
ratio_opaque=$(awk -v a="$p" -v b="$o" 'BEGIN {printf "%.2f", a / b}')
echo "start-up to the opaque question screen: median ${p} ms over ${ROUNDS} runs"
echo "  minimal layered window fading in the same way: ${f} ms -> ratio ${ratio} (goal <= 1.5)"
echo "  minimal layered window shown opaque at once:  ${o} ms -> ratio ${ratio_opaque}"
awk -v r="$ratio" 'BEGIN {exit !(r <= 1.5)}' && echo "GOAL MET" || echo "GOAL MISSED"
