#!/usr/bin/env bash
# Benchmarks of the whole program under Wine, each printed as a ratio against a baseline
# measured in the same run:
#  - start-up: process start to the first fully opaque question screen, against a minimal
#    program showing a layered window of the same size (median of ROUNDS starts each; goal at
#    most 1.5 times);
#  - idle CPU: the program's CPU time (with the Wine server's) while idle on each of the four
#    screens against a minimal program with one 10 ms timer, in IDLE_ROUNDS (default 3) rounds
#    alternating the two, SECONDS each per round (goal at most 1.3 times).
#
#   scripts/bench-program.sh [ROUNDS] [SECONDS]     defaults: 7 rounds, 20 s per screen
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
rounds=${1:-7}
seconds=${2:-20}

bash scripts/deps.sh
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows --target Vornada probe layered_baseline
exe=$root/build/windows/app/Vornada.exe
probe=$root/build/windows/tests/probe.exe
baseline=$root/build/windows/app/layered_baseline.exe

source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start --own-display
export E2E_OUTPUT_DIR=$root/build/bench-program
mkdir -p "$E2E_OUTPUT_DIR"
bash tests/e2e/startup_bench.sh "$exe" "$probe" "$baseline" "$rounds"
bash tests/e2e/idle_cpu_bench.sh "$exe" "$probe" "$baseline" "$seconds"
