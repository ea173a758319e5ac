#!/usr/bin/env bash
# Builds and runs every native benchmark (optimised, against the reference libraries).
#
#   scripts/bench.sh [BUILD_DIR] [BENCHMARK OPTIONS...]
#
# BUILD_DIR (default build/bench) is configured as a Release build with VORNADA_BENCH=ON when
# it is not configured yet. VORNADA_BENCH_SMOKE=1 makes a brief run that only proves the
# benchmarks work (small images, minimal timing). Each benchmark prints its ratio table last.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/bench}
shift || true
case "$build" in /*) ;; *) build=$root/$build ;; esac

# The benchmark executables, one per line.
benches=(
  png_bench
  gif_bench
)

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNADA_BENCH=ON \
    -DVORNADA_TESTS=OFF >/dev/null
fi

# Repetitions in random order, and the median of each: the ratios stay meaningful on a machine
# that is busy with other work at the same time.
options=(--benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
         --benchmark_report_aggregates_only=true "$@")
if [ -n "${VORNADA_BENCH_SMOKE:-}" ]; then
  export VORNADA_BENCH_SMOKE
  options=(--benchmark_min_time=0.01 "$@")
fi

for name in "${benches[@]}"; do
  cmake --build "$build" --target "$name" >/dev/null
  exe=$(find "$build" -type f -name "$name" -perm -u+x | head -n 1)
  if [ -z "$exe" ]; then
    echo "bench: $name was not built (is VORNADA_BENCH on in $build?)" >&2
    exit 1
  fi
  echo "=== $name ==="
  "$exe" "${options[@]}"
done
