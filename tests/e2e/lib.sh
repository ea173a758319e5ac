# Shared helpers of the end-to-end tests. They run under the Wine prefix and X display of the
# test command (WINEPREFIX and DISPLAY come from its environment).
#   source lib.sh VORNADA_EXE PROBE_EXE
set -euo pipefail
VORNADA_EXE=$1
PROBE_EXE=$2
TITLE="Vornada-Ver-1.1"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
started_pids=()

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

probe() { wine "$PROBE_EXE" "$@" | tr -d '\r'; }

# The Windows path of a file, as Wine shows the Linux file system (drive Z:).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Starts the program in the background, as on a Russian system (ANSI code page 1251); its pid
# is in $program_pid.
start_program() {
  LC_ALL=ru_RU.UTF-8 wine "$VORNADA_EXE" "$@" >/dev/null 2>&1 &
  program_pid=$!
  started_pids+=("$program_pid")
}

cleanup() {
  for pid in "${started_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${started_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# Saves a screenshot of the display into the test's output folder; prints its path.
screenshot() {
  local out="${E2E_OUTPUT_DIR:-$PWD}/$1.png"
  import -window root "$out"
  echo "$out"
}

# The colour of one pixel of a screenshot, as "r,g,b".
pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

# ---- driving the program from outside --------------------------------------------------------
# Coordinates given to these helpers are relative to the program's window (its top-left corner
# on the screen, which equals the X root coordinates).

# Reads the visible window's place, size and opacity into win_left win_top win_width win_height
# win_alpha.
window_geometry() {
  local geometry
  geometry=$(probe form "$TITLE" 5000) || fail "the program's window is not shown"
  read -r win_left win_top win_width win_height win_alpha <<<"$geometry"
}

# Moves the pointer to window point (x, y), using the place window_geometry read last (read
# now when none was read yet).
move_to() {
  [ -n "${win_left:-}" ] || window_geometry
  xdotool mousemove $((win_left + $1)) $((win_top + $2))
}

# A left click at window point (x, y): the pointer moves there first, then the button goes down
# and up.
click_at() {
  move_to "$1" "$2"
  sleep 0.05
  xdotool click 1
}

# Types text key by key (30 ms between keys).
type_text() { xdotool type --delay 30 -- "$1"; }

# Presses keys by their X names (Tab, space, Return, alt+F4 ...), one after another.
press_keys() { xdotool key --delay 40 "$@"; }

# Drags with the left button from window point (x, y) by (dx, dy) screen pixels, in small moves.
drag_by() {
  window_geometry
  local sx=$((win_left + $1)) sy=$((win_top + $2)) dx=$3 dy=$4 i
  xdotool mousemove "$sx" "$sy"
  sleep 0.05
  xdotool mousedown 1
  for i in 1 2 3 4 5 6 7 8; do
    sleep 0.03
    xdotool mousemove $((sx + dx * i / 8)) $((sy + dy * i / 8))
  done
  sleep 0.1
  xdotool mouseup 1
}

# Runs a command until it succeeds or `ms` milliseconds pass (polling every 50 ms); the status
# tells which.
wait_until() {
  local ms=$1
  shift
  local deadline=$(($(date +%s%N) / 1000000 + ms))
  while :; do
    "$@" && return 0
    [ $(($(date +%s%N) / 1000000)) -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# The attributes of a file as the Windows side sees them (decimal; -1 when it is missing).
file_attributes() { probe attrs "$(winpath "$1")"; }

# The clipboard's text as UTF-8 into a file; fails when the clipboard holds no text.
clipboard_to_file() { probe clip-text "$(winpath "$1")"; }

# Starts the program with its hosts file in a scratch Windows folder: WINDIR of the program's
# process becomes `windir` (a Linux folder; the file is windir/System32/Drivers/etc/hosts). The
# second argument is the locale (default: Russian, ANSI code page 1251). The program's pid is in
# $program_pid.
start_program_with_windir() {
  local windir=$1 locale=${2:-ru_RU.UTF-8}
  mkdir -p "$windir/System32/Drivers/etc"
  env LC_ALL="$locale" wine "$PROBE_EXE" launch "WINDIR=$(winpath "$windir")" \
    "$(winpath "$VORNADA_EXE")" >/dev/null 2>&1 || fail "cannot start the program"
  program_pid=
  local _ pid exe
  exe=$(winpath "$VORNADA_EXE")
  for _ in $(seq 1 200); do
    for pid in $(pgrep -f 'Vornada\.exe' || true); do
      [ "$({ tr -d '\0' <"/proc/$pid/cmdline"; } 2>/dev/null | sed 's/ *$//')" = "$exe" ] &&
        program_pid=$pid
    done
    [ -n "$program_pid" ] && break
    sleep 0.05
  done
  [ -n "$program_pid" ] || fail "the program's process did not appear"
  started_pids+=("$program_pid")
}

# Whether the program's process still runs.
program_running() { kill -0 "$program_pid" 2>/dev/null; }
program_gone() { ! program_running; }
