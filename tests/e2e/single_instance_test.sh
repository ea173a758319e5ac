#!/usr/bin/env bash
# A second start while the program runs restores the running program's window and ends at once
# without a window of its own.
source "$(dirname "$0")/lib.sh" "$@"

start_program
first_pid=$program_pid
probe watch-alpha "$TITLE" 20000 >/dev/null || fail "the first instance did not come up"

probe minimize "$TITLE" || fail "cannot minimise"
for _ in $(seq 1 100); do [ "$(probe owned-visible "$TITLE")" = 0 ] && break; sleep 0.05; done
[ "$(probe owned-visible "$TITLE")" = 0 ] || fail "minimising did not hide the window"

start=$(date +%s%N)
timeout 30 wine "$VORNADA_EXE" >/dev/null 2>&1
status=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$status" -eq 0 ] || fail "the second instance ended with status $status"
echo "second instance ended after ${elapsed_ms} ms"

for _ in $(seq 1 100); do [ "$(probe owned-visible "$TITLE")" = 1 ] && break; sleep 0.05; done
[ "$(probe owned-visible "$TITLE")" = 1 ] || fail "the running window was not restored"
[ "$(probe count "$TITLE")" -eq 1 ] || fail "more than one program window"
kill -0 "$first_pid" 2>/dev/null || fail "the first instance is gone"
echo PASS
