#!/usr/bin/env bash
# Fresh machine to passing suite: install packages, check the include directions and the formatting, build and
# run every test, build the Debian package and check it (lintian, an install, a run and a removal); then build
# and test the engine and the CLI once more without Qt and with AddressSanitizer and UBSan, so that nothing in
# them can need Qt and a memory error fails the run; then the short runs of the reliability campaigns
# (tests/stress) and of every fuzz target (tests/fuzz).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
# Line tables only: backtraces and sanitizer reports still give files and lines, and the tests, a third of the
# build, compile in little more than half the time of full debug information.
lines=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG")
"$root/scripts/install-deps.sh"
"$root/scripts/check-includes.sh"
"$root/scripts/check-format.sh"
"$root/scripts/build.sh" "${lines[@]}"
cmake --build "$build" --target tarnelo_benches
(cd "$build" && ctest --output-on-failure --timeout 300 -j "$(nproc)")
TARNELO_BUILD_DIR="$build" "$root/scripts/package-check.sh"
TARNELO_BUILD_DIR="$build-nogui" "$root/scripts/build.sh" -DTARNELO_WITH_GUI=OFF -DTARNELO_SANITIZE=ON "${lines[@]}"
(cd "$build-nogui" && ctest --output-on-failure --timeout 600 -j "$(nproc)")
TARNELO_BUILD_DIR="$build" "$root/tests/stress/ci.sh"
TARNELO_FUZZ_BUILD_DIR="$build-fuzz" "$root/tests/fuzz/ci.sh" 20
