#!/usr/bin/env bash
# Configures and builds into build/ (or $TARNELO_BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DTARNELO_WARNINGS_AS_ERRORS=ON "$@"
cmake --build "$build"
