#!/usr/bin/env bash
# Runs every libFuzzer target for a while, each on a copy of its seed corpus.
#
#   scripts/fuzz.sh [SECONDS] [BUILD_DIR]
#
# SECONDS per target (default 60). BUILD_DIR (default build/native) is a native clang build
# with VORNADA_FUZZ=ON; it is configured when missing, and the targets are built first.
# Inputs that crash a target are written to BUILD_DIR/fuzz-artifacts/TARGET/; the script then
# exits with status 1. Copy such an input to the target's regression folder (the third field of
# its line below) so that the normal tests replay it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
build=${2:-$root/build/native}
case "$build" in /*) ;; *) build=$root/$build ;; esac

# One line per target: executable name, its seed corpus folder and the folder of saved inputs
# that its regression test replays (both relative to the tree).
targets=(
  "png_load_fuzzer pictures/fuzz/corpus/png pictures/tests/data/png/regress"
  "gif_read_fuzzer pictures/fuzz/corpus/gif pictures/tests/data/gif/regress"
  "bmp_read_fuzzer framework/fuzz/corpus/bmp framework/tests/data/bmp/regress"
  "design_text_fuzzer framework/fuzz/corpus/design framework/tests/data/design/regress"
  "icon_file_fuzzer framework/fuzz/corpus/icon framework/tests/data/icon/regress"
)

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DVORNADA_SANITIZE=ON -DVORNADA_FUZZ=ON >/dev/null
fi

failed=()
for entry in "${targets[@]}"; do
  read -r name corpus regress <<<"$entry"
  cmake --build "$build" --target "$name" >/dev/null
  exe=$(find "$build" -type f -name "$name" -perm -u+x | head -n 1)
  if [ -z "$exe" ]; then
    echo "fuzz: $name was not built (is VORNADA_FUZZ on in $build?)" >&2
    failed+=("$name")
    continue
  fi
  work=$(mktemp -d "${TMPDIR:-/tmp}/fuzz-$name.XXXXXX")
  cp -r "$root/$corpus/." "$work/"
  artifacts="$build/fuzz-artifacts/$name"
  mkdir -p "$artifacts"
  echo "fuzz: $name for ${seconds}s on $(ls "$work" | wc -l) seed inputs"
  if "$exe" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
       -artifact_prefix="$artifacts/" -print_final_stats=1 "$work" >"$build/fuzz-$name.log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$build/fuzz-$name.log" || true
  else
    echo "fuzz: $name FAILED, see $build/fuzz-$name.log and $artifacts/;" \
         "keep the input in $regress/" >&2
    tail -n 40 "$build/fuzz-$name.log" >&2
    failed+=("$name")
  fi
  rm -rf "$work"
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: failures in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: no crashes"
