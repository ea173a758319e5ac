#!/usr/bin/env bash
# Runs one Windows test program for ctest (wine-run.sh WINE PROGRAM ARGS...) and, when it
# fails, says how it ended: ctest reports only "Failed". Wine hands on the low byte of the
# Windows exit code: 1 is a failed test, 5 (from 0xC0000005) an access violation.
#
# Now and then (twice in a couple of thousand starts beside other test programs), Wine ends a
# program with status 1 before the program has printed anything (a GoogleTest program prints
# and flushes its first line before its first test). Such an end says nothing about the tests,
# so the program then runs once more; the note of it stays in the test's output.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
"$@" 2>&1 | tee "$output"
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ] && [ ! -s "$output" ]; then
  echo "wine-run: ${2##*/} ended with exit status $status before it printed anything;" \
       "running it once more"
  # ctest shows only failing tests' output; scripts/test.sh lists these starts after the run.
  if [ -n "${VORNADA_RESTART_LOG:-}" ]; then
    echo "${2##*/} ${*:3} (exit status $status)" >>"$VORNADA_RESTART_LOG"
  fi
  "$@" 2>&1
  status=$?
fi
if [ "$status" -ne 0 ]; then
  echo "wine-run: ${2##*/} ended with exit status $status"
fi
exit "$status"
