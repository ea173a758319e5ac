#!/usr/bin/env bash
# Builds the program for Windows and starts it under Wine, on a fresh Debian 12 machine too
# (it installs what is missing first). With $DISPLAY set the program opens there and this
# script waits until it ends; without a display it runs on a private virtual display, takes a
# screenshot once the window has faded in, prints the screenshot's path and stops the program.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/deps.sh
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows --target Vornada
exe=build/windows/app/Vornada.exe

source scripts/wine-env.sh
if [ -n "${DISPLAY:-}" ]; then
  wine_env_start
  trap wine_env_stop EXIT
  wine "$exe"
else
  wine_env_start --own-display
  trap wine_env_stop EXIT
  wine "$exe" &
  pid=$!
  sleep 4
  shot="$root/build/screenshot.png"
  import -window root "$shot"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "screenshot: $shot"
fi
