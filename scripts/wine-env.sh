# Sourced by the scripts that run Windows executables: a private Wine prefix and, unless one is
# given, a private virtual X display.
#
#   wine_env_start [--own-display]   creates/boots the prefix, starts Xvfb when needed
#   wine_env_stop                    stops the wineserver and the Xvfb this script started
#
# The prefix lives in $VORNADA_WINEPREFIX (default: build/wineprefix in the tree); it is
# created by wineboot on first use and gets Wine's own bitmap fonts copied in, so that
# "MS Sans Serif", Tahoma and Wingdings exist.

: "${VORNADA_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
: "${VORNADA_WINEPREFIX:=$VORNADA_ROOT/build/wineprefix}"
export WINEPREFIX="$VORNADA_WINEPREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

_vornada_xvfb_pid=""

# Starts Xvfb on the first free display number from 90 up and exports DISPLAY.
vornada_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -ac >/dev/null 2>&1 &
    _vornada_xvfb_pid=$!
    local i
    for i in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.05
    done
    if kill -0 "$_vornada_xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

wine_env_start() {
  if [ "${1:-}" = "--own-display" ] || [ -z "${DISPLAY:-}" ]; then
    vornada_start_xvfb || return 1
  fi
  # wineserver needs the prefix folder; wineboot fills a new, empty one.
  mkdir -p "$WINEPREFIX"
  # A wineserver left from a run without a display would keep failing window creation.
  wineserver -k >/dev/null 2>&1 || true
  # Services started by the first Wine process inherit its output pipe; start them here,
  # detached, so that ctest does not wait for them forever.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || true
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d /usr/share/wine/fonts ] && [ ! -e "$fonts/.vornada-fonts" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/* "$fonts/" && touch "$fonts/.vornada-fonts"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine wineboot </dev/null >/dev/null 2>&1 || true
  fi
  # Without a window manager, hiding a shown top-level window waits for one for two seconds;
  # unmanaged windows do not wait.
  if [ ! -e "$WINEPREFIX/.vornada-unmanaged" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
      touch "$WINEPREFIX/.vornada-unmanaged"
  fi
  if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
    echo "wine-env: could not create the Wine prefix $WINEPREFIX" >&2
    return 1
  fi
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$_vornada_xvfb_pid" ]; then
    kill "$_vornada_xvfb_pid" 2>/dev/null || true
    wait "$_vornada_xvfb_pid" 2>/dev/null || true
    _vornada_xvfb_pid=""
  fi
}
