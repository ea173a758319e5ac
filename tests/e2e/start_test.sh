#!/usr/bin/env bash
# Start of the program: the window appears 405 x 150, centred on the desktop, fully transparent,
# fades in to opaque in steps of 15, shows the question screen, and the clipboard is empty.
source "$(dirname "$0")/lib.sh" "$@"

probe clip-set "text from before the start" || fail "cannot fill the clipboard"
[ "$(probe clip-count)" -ge 1 ] || fail "clipboard not filled"

# The watch runs before the program starts: a watch started beside it may come up only after
# the fade-in began on a busy machine.
out=${E2E_OUTPUT_DIR:-$PWD}/start
mkdir -p "$out"
ready=$out/alpha.ready
rm -f "$ready"
probe watch-alpha "$TITLE" 20000 "$(winpath "$ready")" >"$out/alpha.txt" &
watcher=$!
started_pids+=("$watcher")
wait_until 10000 test -e "$ready" || fail "the opacity watch did not start"
start_program
wait "$watcher" || fail "no fade-in to 255 seen (saw: $(cat "$out/alpha.txt"))"
alphas=$(cat "$out/alpha.txt")
echo "opacity seen: $alphas"
first=${alphas%% *}
[ "$first" -eq 0 ] || fail "the window was not transparent when it appeared (first $first)"
prev=-1
for a in $alphas; do
  [ $((a % 15)) -eq 0 ] || fail "opacity $a is not a multiple of 15"
  [ "$a" -gt "$prev" ] || fail "opacity went down or repeated: $alphas"
  prev=$a
done

read -r left top width height alpha <<<"$(probe form "$TITLE" 5000)"
read -r dleft dtop dwidth dheight <<<"$(probe desktop)"
[ "$width" -eq 405 ] && [ "$height" -eq 150 ] || fail "window is ${width}x${height}"
[ "$left" -eq $((dleft + (dwidth - 405) / 2)) ] || fail "not centred horizontally: $left"
[ "$top" -eq $((dtop + (dheight - 150) / 2)) ] || fail "not centred vertically: $top"
[ "$alpha" -eq 255 ] || fail "opacity $alpha after the fade-in"

[ "$(probe clip-count)" -eq 0 ] || fail "the clipboard was not emptied at start"

shot=$(screenshot start)
colour=$(pixel "$shot" $((left + 200)) $((top + 75)))
echo "screenshot $shot, window centre $colour"
[ "$colour" = "255,242,242" ] || fail "the question screen is not shown (centre pixel $colour)"
echo PASS
