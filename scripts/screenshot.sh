#!/usr/bin/env bash
# Takes a screenshot of one screen of the real program for the README: builds the exe, starts
# it under Wine on a private virtual X display with a compositor running (so the layered,
# fading window is drawn as the desktop shows it), waits until the window is fully opaque,
# and writes the window's rectangle as docs/screenshots/SCREEN.png.
#
#   bash scripts/screenshot.sh [SCREEN]      SCREEN: question (the default), password, editor,
#                                            reference, or all (each of them in turn)
#
# Each screen has a small function below that brings the program to it once the window has
# faded in, with real input (xdotool); the question screen is the one the program starts with.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
screen=${1:-question}

# How the program reaches each screen after the start (nothing for the first one). Points are
# relative to the window: the answer "yes", the editor's reference button.
reach_question() { :; }
reach_password() {
  click_at 247 83
  sleep 0.3
  probe watch-alpha "$title" 10000 >/dev/null
}
reach_editor() {
  reach_password
  xdotool type --delay 40 'F@lc0nry'
  local _ width=0
  for _ in $(seq 1 100); do
    read -r _ _ width _ _ <<<"$(probe form "$title" 5000)"
    [ "$width" -eq 620 ] && break
    sleep 0.1
  done
  probe watch-alpha "$title" 10000 >/dev/null
}
reach_reference() {
  reach_editor
  click_at 504 16
  sleep 0.5
}

if [ "$screen" = all ]; then
  for each in question password editor reference; do bash "$0" "$each"; done
  exit 0
fi
if ! declare -F "reach_$screen" >/dev/null; then
  echo "screenshot: unknown screen '$screen' (known: question, password, editor, reference)" >&2
  exit 2
fi

bash scripts/deps.sh
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows --target Vornada probe
exe=$root/build/windows/app/Vornada.exe
probe_exe=$root/build/windows/tests/probe.exe
title="Vornada-Ver-1.1"

source scripts/wine-env.sh
program_pid=""
compositor_pid=""
stop_all() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$program_pid" ] && wait "$program_pid" 2>/dev/null || true
  [ -n "$compositor_pid" ] && kill "$compositor_pid" 2>/dev/null || true
  [ -n "$compositor_pid" ] && wait "$compositor_pid" 2>/dev/null || true
  wine_env_stop
}
trap stop_all EXIT
wine_env_start --own-display

# The compositor draws windows with their opacity, as a desktop does.
xcompmgr -n >/dev/null 2>&1 &
compositor_pid=$!
sleep 0.3
kill -0 "$compositor_pid" 2>/dev/null || { echo "screenshot: xcompmgr did not start" >&2; exit 1; }

probe() { wine "$probe_exe" "$@" | tr -d '\r'; }
# A left click at a point of the window (relative to its top-left corner).
click_at() {
  local left top
  read -r left top _ _ _ <<<"$(probe form "$title" 5000)"
  xdotool mousemove $((left + $1)) $((top + $2))
  sleep 0.1
  xdotool click 1
}

# As on a Russian system (ANSI code page 1251), the program's home setting.
LC_ALL=ru_RU.UTF-8 wine "$exe" >/dev/null 2>&1 &
program_pid=$!
probe watch-alpha "$title" 20000 >/dev/null || { echo "screenshot: the window never became opaque" >&2; exit 1; }
"reach_$screen"
read -r left top width height alpha <<<"$(probe form "$title" 5000)"
[ "$alpha" -eq 255 ] || { echo "screenshot: window opacity $alpha" >&2; exit 1; }
# One more frame for the compositor to draw the last opacity step.
sleep 0.3

mkdir -p docs/screenshots
out=docs/screenshots/$screen.png
whole=$(mktemp --suffix=.png)
import -window root "$whole"
# Stored without a time stamp, so that an unchanged screen gives the same file.
convert "$whole" -crop "${width}x${height}+${left}+${top}" +repage -strip \
  -define png:exclude-chunks=date,time "$out"
rm -f "$whole"
echo "screenshot: $out (${width} x ${height})"
