#!/usr/bin/env bash
# A second start while the program runs restores the running program's window and ends at once
# without a window of its own: it ends with status 0, no top-level window of its process ever
# appears, and it takes no longer than a few times what starting and ending a small program
# takes here, measured the same way in the same run.
source "$(dirname "$0")/lib.sh" "$@"

start_program
first_pid=$program_pid
probe watch-alpha "$TITLE" 20000 >/dev/null || fail "the first instance did not come up"

probe minimize "$TITLE" || fail "cannot minimise"
for _ in $(seq 1 100); do [ "$(probe owned-visible "$TITLE")" = 0 ] && break; sleep 0.05; done
[ "$(probe owned-visible "$TITLE")" = 0 ] || fail "minimising did not hide the window"

# The start-up time of a small program (the probe doing nothing), the quicker of two runs.
baseline_ms=
for _ in 1 2; do
  read -r status elapsed_ms windows <<<"$(probe run 30000 "$(winpath "$PROBE_EXE")" idle)"
  [ "$status" -eq 0 ] || fail "the small program ended with status $status"
  if [ -z "$baseline_ms" ] || [ "$elapsed_ms" -lt "$baseline_ms" ]; then baseline_ms=$elapsed_ms; fi
done

read -r status elapsed_ms windows <<<"$(probe run 30000 "$(winpath "$VORNADA_EXE")")"
echo "second instance ended after ${elapsed_ms} ms (a small program: ${baseline_ms} ms)"
[ "$status" -ne 259 ] || fail "the second instance did not end within 30 s"
[ "$status" -eq 0 ] || fail "the second instance ended with status $status"
[ "$windows" -eq 0 ] || fail "the second instance showed $windows top-level window(s)"
limit_ms=$((3 * baseline_ms + 500))
[ "$elapsed_ms" -le "$limit_ms" ] ||
  fail "the second instance took ${elapsed_ms} ms, more than ${limit_ms} ms"

for _ in $(seq 1 100); do [ "$(probe owned-visible "$TITLE")" = 1 ] && break; sleep 0.05; done
[ "$(probe owned-visible "$TITLE")" = 1 ] || fail "the running window was not restored"
[ "$(probe count "$TITLE")" -eq 1 ] || fail "more than one program window"
kill -0 "$first_pid" 2>/dev/null || fail "the first instance is gone"
echo PASS
