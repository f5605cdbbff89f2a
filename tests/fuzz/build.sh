#!/usr/bin/env bash
# Configures and builds the fuzz targets into build-fuzz/ (or the folder given) with clang 14; line tables are
# all the reports need.
# Usage: tests/fuzz/build.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-fuzz}
cxx=${TARNELO_FUZZ_CXX:-clang++-14}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only -DNDEBUG" -DTARNELO_FUZZ=ON -DTARNELO_WITH_GUI=OFF -DTARNELO_BUILD_TESTS=OFF "${launcher[@]}"
fi
nice cmake --build "$build" --target tarnelo_fuzz
