#!/usr/bin/env bash
# The four screens driven from outside with real input (xdotool), the program's hosts file in a
# scratch Windows folder:
#  1. question screen: Tab moves the answer underline; No ends the program (fade-out) and leaves
#     the file's attributes alone;
#  2. the main scenario: Yes (the password screen fades in from 0); a wrong text does nothing; an
#     accepted password typed key by key unlocks at the completing key (the green message shown
#     during the pause, then the window 620 x 555 at the same top-left corner, on the taskbar);
#     write mode on (memo light green, attributes 0), typing
#     and saving (the file's bytes exact), write mode off (attributes 39, memo grey, buttons
#     hidden); auto-update shows another process's change within about a second; replace from
#     the clipboard answered No, then Yes; the reference screen's copy-all (the clipboard holds
#     exactly the reference text; the button shows its copied state) and back; minimise and
#     restore; dragging by the title moves the window; close from the editor (attributes 39,
#     fade-out, process gone);
#  3. the ways the system ends the program: Alt+F4 on the password screen (attributes left
#     alone), Alt+F4 on the editor, the taskbar's close on the reference screen and the end of
#     the Windows session in write mode (attributes 39 each time); closes during fades: Alt+F4
#     while the password screen fades in (the program ends), write mode switched on while the
#     editor's close fades out (attributes 39 all the same).
#   screens_test.sh VORNADA_EXE PROBE_EXE [LOCALE] [all|main]
# LOCALE is the program's locale (default Russian: code page 1251, keyboard layout 0419);
# "main" runs only the main scenario (2).
source "$(dirname "$0")/lib.sh" "$1" "$2"
LOCALE=${3:-ru_RU.UTF-8}
PARTS=${4:-all}
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
OUT=${E2E_OUTPUT_DIR:-$PWD}/screens-${LOCALE%%.*}
rm -rf "$OUT"
mkdir -p "$OUT"
export E2E_OUTPUT_DIR=$OUT  # screenshots go here
WINDIR_DIR=$OUT/windir
HOSTS=$WINDIR_DIR/System32/Drivers/etc/hosts
mkdir -p "$(dirname "$HOSTS")"

PASSWORD='Dr1ft@ge'
ORIGINAL=$'127.0.0.1       localhost\r\n::1             localhost\r\n'

# What this platform shows for a file whose attributes were set to 39 and to 0.
scratch=$OUT/attributes-probe
: >"$scratch"
probe set-attrs "$(winpath "$scratch")" 39 || fail "cannot set attributes"
SHOWN_PROTECTED=$(file_attributes "$scratch")
probe set-attrs "$(winpath "$scratch")" 0 || fail "cannot set attributes"
SHOWN_WRITABLE=$(file_attributes "$scratch")
[ "$SHOWN_PROTECTED" != "$SHOWN_WRITABLE" ] || fail "attributes 39 and 0 look alike here"
echo "attributes 39 show as $SHOWN_PROTECTED, 0 as $SHOWN_WRITABLE"

reset_hosts() { # content attributes
  probe set-attrs "$(winpath "$HOSTS")" 0 2>/dev/null || true
  printf '%s' "$1" >"$HOSTS"
  probe set-attrs "$(winpath "$HOSTS")" "$2" || fail "cannot set the hosts file's attributes"
}
attributes_are() { [ "$(file_attributes "$HOSTS")" = "$1" ]; }

# The colour of window point (x, y) on the screen now, "r,g,b".
window_pixel() {
  local shot
  shot=$(screenshot "$3") && pixel "$shot" $((win_left + $1)) $((win_top + $2))
}

# The text of the window at window point (x, y) (a memo, a button) into a file; prints its
# "class left top width height enabled".
child_at() { probe child "$TITLE" "$1" "$2" "$(winpath "$3")"; }
memo_text_is() { # x y expected
  child_at "$1" "$2" "$OUT/memo.txt" >/dev/null && cmp -s "$OUT/memo.txt" <(printf '%s' "$3")
}
hosts_is() { cmp -s "$HOSTS" <(printf '%s' "$1"); }
enabled_at_is() { # x y 0|1
  local e
  read -r _ _ _ _ _ e <<<"$(probe child "$TITLE" "$1" "$2")"
  [ "$e" = "$3" ]
}
# Whether the window at the save button's place is the save button (left 340, top 14, 94 x 30).
save_button_shown() { [ "$(probe child "$TITLE" 387 29 | cut -d' ' -f2-5)" = "340 14 94 30" ]; }
owned_visible_is() { [ "$(probe owned-visible "$TITLE")" = "$1" ]; }

size_is() { window_geometry; [ "$win_width" -eq "$1" ] && [ "$win_height" -eq "$2" ]; }

wait_started() {
  probe watch-alpha "$TITLE" 20000 >/dev/null || fail "the window did not fade in"
  window_geometry
}

# Clicks at window point (x, y) and waits for the opacity to change: prints the values seen.
click_and_watch_opacity() {
  local log=$OUT/opacity.txt ready=$OUT/opacity.ready
  rm -f "$ready"
  probe watch-change "$TITLE" 10000 "$(winpath "$ready")" >"$log" &
  local watcher=$!
  wait_until 5000 test -e "$ready" || fail "the opacity watch did not start"
  click_at "$1" "$2"
  wait "$watcher" || true
  cat "$log"
}

# Answer yes, then type the password (all but the last key, check, then the last key).
to_editor() {
  click_at 247 83
  wait_until 3000 probe_focus_is_edit || fail "the password field has no focus"
  type_text "${PASSWORD%?}"
  type_text "${PASSWORD: -1}"
  wait_until 8000 size_is 620 555 || fail "the accepted password did not open the editor"
  wait_until 3000 opaque || fail "the editor did not fade in"
}
probe_focus_is_edit() { [ -n "$(probe focus-class "$TITLE")" ]; }
opaque() { window_geometry; [ "$win_alpha" -eq 255 ]; }

# ---- 1. the question screen -----------------------------------------------------------------
if [ "$PARTS" = all ]; then
reset_hosts "$ORIGINAL" 0
start_program_with_windir "$WINDIR_DIR" "$LOCALE"
wait_started
window_geometry
BACKGROUND=$(window_pixel 200 20 question)
echo "question screen background $BACKGROUND"
# The underline starts under the focused answer (yes); Tab moves it under no.
yes_under=$(window_pixel $((217 + 30)) 98 underline-yes)
no_under=$(window_pixel $((297 + 30)) 98 underline-yes-2)
[ "$yes_under" != "$BACKGROUND" ] || fail "no underline under yes at start"
[ "$no_under" = "$BACKGROUND" ] || fail "an underline under no at start ($no_under)"
press_keys Tab
sleep 1.2  # the underline grows for 61 ticks of its timer
yes_under=$(window_pixel $((217 + 30)) 98 underline-no)
no_under=$(window_pixel $((297 + 30)) 98 underline-no-2)
no_end=$(window_pixel $((297 + 60)) 98 underline-no-3)
[ "$no_under" != "$BACKGROUND" ] || fail "Tab did not move the underline under no"
[ "$no_end" != "$BACKGROUND" ] || fail "the underline under no did not grow to its full width"
[ "$yes_under" = "$BACKGROUND" ] || fail "the underline stayed under yes after Tab"
fade=$(click_and_watch_opacity 327 83)
echo "No: opacity $fade"
case "$fade" in 255\ *0\ gone | 255\ *0) ;; *) fail "No did not fade out to 0: $fade" ;; esac
wait_until 5000 program_gone || fail "No did not end the program"
attributes_are "$SHOWN_WRITABLE" || fail "No changed the attributes: $(file_attributes "$HOSTS")"
echo "question screen: ok"
fi

# ---- 2. the main scenario -------------------------------------------------------------------
reset_hosts "$ORIGINAL" 39
probe clip-set "left before the start" || fail "cannot fill the clipboard"
start_program_with_windir "$WINDIR_DIR" "$LOCALE"
wait_started
window_geometry
start_left=$win_left start_top=$win_top
fade=$(click_and_watch_opacity 247 83)
echo "Yes: opacity $fade"
set -- $fade
[ "$1" -eq 255 ] && [ "$2" -eq 0 ] || fail "the password screen did not start from opacity 0: $fade"
[ "${*: -1}" = 255 ] || fail "the password screen did not fade in to 255: $fade"
size_is 405 150 || fail "the password screen is ${win_width}x${win_height}"
probe_focus_is_edit || fail "the password field has no focus"
screenshot password >/dev/null

type_text "wrong"
sleep 0.8  # each key release holds the program for 100 ms
size_is 405 150 || fail "a wrong text opened something"
press_keys BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
type_text "${PASSWORD%?}"
sleep 1.2
size_is 405 150 || fail "the password without its last key opened the editor"
type_text "${PASSWORD: -1}"
# During the two-second pause after the completing key the success message is on the screen in
# its colour, red 49, green 182, blue 0, while the window is still 405 x 150. Looked for within
# the pause: a loaded machine may hand the key over late.
green=0
green_during_pause() {
  local shot
  shot=$(screenshot pause)
  size_is 405 150 || return 1
  green=$(convert "$shot" -crop 230x18+$((win_left + 54))+$((win_top + 36)) +repage txt:- |
    grep -ci '#31B600' || true)
  [ "$green" -gt 50 ]
}
wait_until 1900 green_during_pause ||
  fail "the green success message is not shown during the pause ($green, window ${win_width}x${win_height})"
wait_until 8000 size_is 620 555 || fail "the completing key did not open the editor"
window_geometry
[ "$win_left" -eq "$start_left" ] && [ "$win_top" -eq "$start_top" ] ||
  fail "the window moved from $start_left,$start_top to $win_left,$win_top"
wait_until 3000 opaque || fail "the editor did not fade in"
exstyle=$((16#$(probe app-exstyle "$TITLE")))
[ $((exstyle & 0x40000)) -ne 0 ] && [ $((exstyle & 0x80)) -eq 0 ] ||
  fail "the program is not on the taskbar (application window style $exstyle)"
memo_text_is 300 300 "$ORIGINAL" ||
  fail "the editor does not show the hosts file: $(cat "$OUT/memo.txt")"
attributes_are "$SHOWN_PROTECTED" || fail "unlocking changed the attributes"
[ "$(window_pixel 300 300 editor)" = "242,242,242" ] || fail "the read-only memo is not grey"
screenshot editor >/dev/null

# Write mode on: attributes 0, memo light green and editable, save and paste buttons shown.
click_at 239 35
wait_until 2000 attributes_are "$SHOWN_WRITABLE" || fail "write mode did not unprotect the file"
[ "$(window_pixel 300 300 write-mode)" = "243,253,238" ] || fail "the memo is not light green"
save_button_shown || fail "the save button is not shown"
click_at 300 300
press_keys ctrl+End
type_text "10.0.0.7   example.test"
expected_file="$ORIGINAL""10.0.0.7   example.test"
# Saved once the memo shows every typed key, as a user would (a loaded machine may still be
# handing keys over when the typing tool returns).
wait_until 3000 memo_text_is 300 300 "$expected_file" ||
  fail "the typed text did not reach the memo: $(cat "$OUT/memo.txt")"
click_at 387 29
wait_until 3000 hosts_is "$expected_file" ||
  fail "saving did not write the text exactly: $(od -c "$HOSTS" | head -5)"

# Write mode off: attributes 39, memo grey, buttons hidden.
click_at 239 35
wait_until 2000 attributes_are "$SHOWN_PROTECTED" || fail "write mode off did not protect"
[ "$(window_pixel 300 300 write-mode-off)" = "242,242,242" ] || fail "the memo is not grey"
! save_button_shown || fail "the save button is still shown"

# Auto-update: another process changes the file; the memo shows it within about a second.
click_at 307 35
changed=$'127.0.0.1 changed.by.another.process\r\n'
sleep 0.3
probe set-attrs "$(winpath "$HOSTS")" 0
printf '%s' "$changed" >"$HOSTS"
probe set-attrs "$(winpath "$HOSTS")" 39
wait_until 2500 memo_text_is 300 300 "$changed" ||
  fail "auto-update did not show the change: $(cat "$OUT/memo.txt")"
click_at 307 35

# Replace from the clipboard: No changes nothing, Yes replaces the text and empties the
# clipboard. The paste button shows in write mode.
click_at 239 35
wait_until 2000 attributes_are "$SHOWN_WRITABLE" || fail "write mode did not unprotect the file"
probe clip-set "replaced from the clipboard" || fail "cannot fill the clipboard"
sleep 0.3
read -r cls _ _ _ _ enabled <<<"$(child_at 457 25 "$OUT/paste.txt")"
[ "$enabled" = 1 ] || fail "the paste button is not enabled with text on the clipboard"
click_at 457 25
probe find "Внимание!!!" 5000 >/dev/null || fail "no question before replacing"
press_keys Tab space
sleep 0.5
memo_text_is 300 300 "$changed" || fail "answering No changed the memo"
[ "$(probe clip-count)" -ge 1 ] || fail "answering No emptied the clipboard"
click_at 457 25
probe find "Внимание!!!" 5000 >/dev/null || fail "no question before replacing"
press_keys Return
wait_until 2000 memo_text_is 300 300 "replaced from the clipboard" ||
  fail "answering Yes did not replace the text: $(cat "$OUT/memo.txt")"
[ "$(probe clip-count)" -eq 0 ] || fail "answering Yes did not empty the clipboard"
wait_until 1000 enabled_at_is 457 25 0 ||
  fail "the paste button stayed enabled with an empty clipboard"

# The reference screen: copy all, then back.
click_at 504 16
sleep 0.5
read -r cls _ _ width _ enabled <<<"$(child_at 100 36 "$OUT/copy.txt")"
[ "$width" -eq 137 ] && [ "$enabled" -eq 1 ] || fail "the copy button is not ready ($width $enabled)"
screenshot reference >/dev/null
click_at 100 36
sleep 0.5
clipboard_to_file "$OUT/clipboard.txt" || fail "the clipboard holds no text after copy-all"
cmp -s "$OUT/clipboard.txt" "$SOURCE_DIR/app/design/reference.txt" ||
  fail "the clipboard does not hold exactly the reference text"
[ "$(grep -c $'\r$' "$OUT/clipboard.txt")" -eq 654 ] || fail "not 654 lines ended by CR LF"
read -r cls _ _ width _ enabled <<<"$(child_at 100 36 "$OUT/copy.txt")"
[ "$width" -eq 153 ] && [ "$enabled" -eq 0 ] ||
  fail "the copy button does not show its copied state (width $width, enabled $enabled)"
screenshot reference-copied >/dev/null
click_at 504 16
sleep 0.5
read -r cls _ _ width _ _ <<<"$(child_at 300 300 "$OUT/memo.txt")"
[ "$(cat "$OUT/memo.txt")" = "replaced from the clipboard" ] || fail "back did not show the editor"

# Minimise and restore.
click_at 550 16
wait_until 3000 owned_visible_is 0 || fail "not minimised"
probe restore "$TITLE"
wait_until 3000 owned_visible_is 1 || fail "not restored"
size_is 620 555 || fail "restored to another screen"

# Dragging by the title picture moves the window.
window_geometry
before_left=$win_left before_top=$win_top
drag_by 52 28 -60 -40
sleep 0.3
window_geometry
[ "$win_left" -eq $((before_left - 60)) ] && [ "$win_top" -eq $((before_top - 40)) ] ||
  fail "dragging moved the window to $win_left,$win_top (from $before_left,$before_top)"

# Close from the editor, still in write mode: attributes 39, fade-out, process gone.
attributes_are "$SHOWN_WRITABLE" || fail "write mode is not on before closing"
fade=$(click_and_watch_opacity 595 16)
echo "close: opacity $fade"
case "$fade" in 255\ *0\ gone | 255\ *0) ;; *) fail "closing did not fade out to 0: $fade" ;; esac
wait_until 5000 program_gone || fail "closing did not end the program"
attributes_are "$SHOWN_PROTECTED" || fail "closing left attributes $(file_attributes "$HOSTS")"
echo "main scenario: ok"

# ---- 3. the system's ways of ending the program ---------------------------------------------
[ "$PARTS" = all ] || { echo PASS; exit 0; }
# Alt+F4 on the password screen: the program ends, the attributes stay.
reset_hosts "$ORIGINAL" 0
start_program_with_windir "$WINDIR_DIR" "$LOCALE"
wait_started
click_at 247 83
wait_until 3000 probe_focus_is_edit || fail "the password field has no focus"
press_keys alt+F4
wait_until 5000 program_gone || fail "Alt+F4 did not end the program on the password screen"
attributes_are "$SHOWN_WRITABLE" || fail "Alt+F4 on the password screen changed the attributes"

# Alt+F4 on the editor in write mode.
start_program_with_windir "$WINDIR_DIR" "$LOCALE"
wait_started
to_editor
click_at 239 35
wait_until 2000 attributes_are "$SHOWN_WRITABLE" || fail "write mode did not unprotect the file"
click_at 300 300
press_keys alt+F4
wait_until 5000 program_gone || fail "Alt+F4 did not end the program on the editor"
attributes_are "$SHOWN_PROTECTED" || fail "Alt+F4 left the file unprotected"

# The taskbar's close on the reference screen in write mode.
reset_hosts "$ORIGINAL" 0
start_program_with_windir "$WINDIR_DIR" "$LOCALE"
wait_started
to_editor
click_at 239 35
wait_until 2000 attributes_are "$SHOWN_WRITABLE" || fail "write mode did not unprotect the file"
click_at 504 16
probe taskbar-close "$TITLE" || fail "cannot close from the taskbar"
wait_until 5000 program_gone || fail "the taskbar's close did not end the program"
attributes_are "$SHOWN_PROTECTED" || fail "the taskbar's close left the file unprotected"

# A close during a fade wins over it: Alt+F4 right after Yes (the password screen fading in)
# ends the program and leaves the attributes alone.
reset_hosts "$ORIGINAL" 0
start_program_with_windir "$WINDIR_DIR" "$LOCALE"
wait_started
click_at 247 83
press_keys alt+F4
wait_until 5000 program_gone || fail "Alt+F4 during the fade-in did not end the program"
attributes_are "$SHOWN_WRITABLE" || fail "Alt+F4 during the fade-in changed the attributes"

# Write mode switched on while the editor's close fades the window out: the file still ends
# protected.
start_program_with_windir "$WINDIR_DIR" "$LOCALE"
wait_started
to_editor
click_at 595 16
click_at 239 35
wait_until 5000 program_gone || fail "closing from the editor did not end the program"
attributes_are "$SHOWN_PROTECTED" ||
  fail "write mode during the fade-out left attributes $(file_attributes "$HOSTS")"

# The end of the Windows session in write mode.
start_program_with_windir "$WINDIR_DIR" "$LOCALE"
wait_started
to_editor
click_at 239 35
wait_until 2000 attributes_are "$SHOWN_WRITABLE" || fail "write mode did not unprotect the file"
answers=$(probe end-session "$TITLE") || fail "cannot end the session"
[ -n "$answers" ] && ! grep -q 0 <<<"$answers" || fail "the program refused the session's end"
attributes_are "$SHOWN_PROTECTED" || fail "the end of the session left the file unprotected"
wait_until 5000 program_gone || fail "the program did not end with the session"
echo PASS
