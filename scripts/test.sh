#!/usr/bin/env bash
# Builds everything and runs every test, on a fresh Debian 12 machine too (it installs what is
# missing first):
#   1. native Linux: the portable libraries and their tests under AddressSanitizer and
#      UndefinedBehaviorSanitizer, then a short run of every fuzz target;
#   2. native Linux, optimised: the benchmarks (built, and run once briefly to prove they work);
#   3. Windows: the program, the framework and every library cross-compiled with MinGW-w64, their
#      tests and the end-to-end tests run under Wine on a private virtual display.
# Environment: VORNADA_FUZZ_SECONDS (default 30 per target), VORNADA_JOBS (default: cores).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=${VORNADA_JOBS:-$(nproc)}
step() { printf '\n=== %s ===\n' "$*"; }

step "dependencies"
bash scripts/deps.sh

step "native build (ASan + UBSan, fuzzers)"
cmake -S . -B build/native -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_C_FLAGS_DEBUG="-O1 -g" \
  -DVORNADA_SANITIZE=ON -DVORNADA_FUZZ=ON >/dev/null
cmake --build build/native -j "$jobs"

step "native tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/native --output-on-failure -j "$jobs"

if [ -x scripts/fuzz.sh ] || [ -f scripts/fuzz.sh ]; then
  step "fuzzing"
  bash scripts/fuzz.sh "${VORNADA_FUZZ_SECONDS:-30}" build/native
fi

step "benchmarks (build and a brief run)"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNADA_BENCH=ON \
  -DVORNADA_TESTS=OFF >/dev/null
cmake --build build/bench -j "$jobs"
if [ -f scripts/bench.sh ]; then
  VORNADA_BENCH_SMOKE=1 bash scripts/bench.sh build/bench
fi

step "Windows build"
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j "$jobs"

step "Windows tests under Wine"
source scripts/wine-env.sh
wine_env_start --own-display
trap wine_env_stop EXIT
# Programs that Wine ended before they printed anything are started once more by the test
# runner (scripts/wine-run.sh); they are listed here, since ctest shows passing tests' output
# to nobody.
export VORNADA_RESTART_LOG="$root/build/windows/restarted-programs.txt"
rm -f "$VORNADA_RESTART_LOG"
windows_status=0
ctest --test-dir build/windows --output-on-failure -j "$jobs" || windows_status=$?
if [ -s "$VORNADA_RESTART_LOG" ]; then
  echo "Started once more after Wine ended them before they printed anything:"
  sed 's/^/  /' "$VORNADA_RESTART_LOG"
fi
[ "$windows_status" -eq 0 ] || exit "$windows_status"

step "Windows benchmark (a brief run)"
wine build/windows/app/hosts_bench.exe --lines 20000 --runs 1

step "all tests passed"
