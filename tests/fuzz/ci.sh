#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS (default 20); stops at the first crash, leak, UB or
# over-long input. Usage: tests/fuzz/ci.sh [SECONDS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-20}
build=${TARNELO_FUZZ_BUILD_DIR:-$root/build-fuzz}
"$here/build.sh" "$build"
for source in "$here"/fuzz_*.cpp; do
  target=$(basename "$source" .cpp)
  log=$build/fuzz-ci-$target.txt
  if ! TARNELO_FUZZ_BUILD_DIR=$build "$here/run.sh" "$target" "$seconds" >"$log" 2>&1; then
    cat "$log"
    exit 1
  fi
  echo "$target: $seconds s, $(grep -m1 '^stat::number_of_executed_units' "$log" | awk '{print $2}') inputs"
done
echo "fuzzing: every target ran $seconds s without a fault"
