#!/usr/bin/env bash
# Fresh machine to passing suite: install packages, build, run every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure --timeout 300 -j "$(nproc)"
