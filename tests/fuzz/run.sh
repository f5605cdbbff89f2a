#!/usr/bin/env bash
# Builds if needed, then fuzzes one target for SECONDS on a copy of its seed corpus (the seeds in the tree
# are never rewritten). Fails on a crash, a leak, undefined behaviour or an input that takes over 1 s.
# Usage: tests/fuzz/run.sh TARGET SECONDS     (TARGET: project_file, fuzz_project_file, ...)
# Environment: TARNELO_FUZZ_BUILD_DIR (default build-fuzz), TARNELO_FUZZ_WORK (default BUILD_DIR/fuzz-work),
# TARNELO_FUZZ_TIMEOUT (seconds an input may take, default 1; a machine loaded far past its cores can stall
# a process that long, and a reported timeout is worth running again alone: "BINARY ARTIFACT"),
# TARNELO_FUZZ_ARGS (more libFuzzer options, such as -runs=N; none by default).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
[ $# -eq 2 ] || { echo "usage: $0 TARGET SECONDS" >&2; exit 2; }
name=${1#fuzz_}
seconds=$2
build=${TARNELO_FUZZ_BUILD_DIR:-$root/build-fuzz}
binary=$build/fuzz/fuzz_$name
[ -f "$here/fuzz_$name.cpp" ] || { echo "no fuzz target fuzz_$name" >&2; exit 2; }
"$here/build.sh" "$build" >/dev/null

work=${TARNELO_FUZZ_WORK:-$build/fuzz-work}/$name
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
if [ -d "$here/corpus/$name" ]; then
  cp -R "$here/corpus/$name/." "$work/corpus/"
fi
# The targets that take a path write each input to a file (and the saving ones flush it); memory is faster.
shm=
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm=$(mktemp -d /dev/shm/tarnelo-fuzz.XXXXXX)
  trap 'rm -rf "$shm"' EXIT
  export TMPDIR=$shm
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$work"
read -r -a extra <<<"${TARNELO_FUZZ_ARGS:-}"
status=0
"$binary" -max_total_time="$seconds" -timeout="${TARNELO_FUZZ_TIMEOUT:-1}" -rss_limit_mb=2048 -detect_leaks=1 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "${extra[@]}" "$work/corpus" >"$work/log.txt" 2>&1 || status=$?
# The progress lines ("#123 NEW ...") stay in the log; the summary and any report are shown.
grep -v '^#' "$work/log.txt" | grep -v '^INFO:' || true
if [ "$status" -ne 0 ]; then
  echo "fuzz_$name FAILED (exit $status); log $work/log.txt, reproducer(s) in $work/artifacts:" >&2
  ls -l "$work/artifacts" >&2
  exit 1
fi
