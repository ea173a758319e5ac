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
