#!/usr/bin/env bash
# The long fuzzing run: each target in turn (never two at once, one process on one core, at the lowest
# priority, so the machine's other work goes on) for RUNS inputs or MAX_SECONDS, whichever comes first, on a
# work copy of its corpus, through run.sh (same sanitizer options, timeout and reproducers). Each target
# appends a line to the table (target, inputs executed, seconds, exec/s, corpus size at the end, result),
# which is printed at the end; a target that fails does not stop the others, but the exit status is 1.
# Usage: tests/fuzz/long.sh [RUNS] [MAX_SECONDS]      (defaults 10000000 and 14400)
# Environment: TARNELO_FUZZ_TARGETS (the targets to run, "region_spec clock_time ..."; default all, in name
# order: an interrupted run resumes with the targets it had not finished, which it prints before each one),
# TARNELO_FUZZ_TABLE (default BUILD_DIR/fuzz-long.tsv), TARNELO_FUZZ_WORK (default BUILD_DIR/fuzz-long: each
# target's grown corpus, log and reproducers stay there), and those of run.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
runs=${1:-10000000}
seconds=${2:-14400}
build=${TARNELO_FUZZ_BUILD_DIR:-$root/build-fuzz}
table=${TARNELO_FUZZ_TABLE:-$build/fuzz-long.tsv}
work=${TARNELO_FUZZ_WORK:-$build/fuzz-long}
renice -n 19 -p $$ >/dev/null 2>&1 || true
# A rebuild that run.sh finds needed takes one core as well.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-1}

targets=()
if [ -n "${TARNELO_FUZZ_TARGETS:-}" ]; then
  read -r -a targets <<<"$TARNELO_FUZZ_TARGETS"
else
  for source in "$here"/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
mkdir -p "$(dirname "$table")" "$work"
[ -f "$table" ] || printf 'target\tinputs\tseconds\texec/s\tcorpus\tresult\n' >"$table"

failed=0
for i in "${!targets[@]}"; do
  name=${targets[$i]#fuzz_}
  echo "fuzz_$name: up to $runs inputs or $seconds s; to resume from here: TARNELO_FUZZ_TARGETS='${targets[*]:$i}'"
  started=$EPOCHREALTIME
  result=ok
  TARNELO_FUZZ_BUILD_DIR=$build TARNELO_FUZZ_WORK=$work TARNELO_FUZZ_ARGS="-runs=$runs ${TARNELO_FUZZ_ARGS:-}" \
    "$here/run.sh" "$name" "$seconds" >"$work/$name.txt" 2>&1 || result="FAILED, see $work/$name.txt"
  elapsed=$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
  log=$work/$name/log.txt
  inputs=$(grep -m1 '^stat::number_of_executed_units' "$log" 2>/dev/null | awk '{print $2}' || true)
  # libFuzzer's own rate counts whole seconds only; this one is over the wall time of the whole step.
  rate=-
  [ -z "$inputs" ] || rate=$(awk -v n="$inputs" -v t="$elapsed" 'BEGIN { printf "%.0f", (t > 0 ? n / t : 0) }')
  corpus=$( (find "$work/$name/corpus" -type f 2>/dev/null || true) | wc -l)
  line=$(printf 'fuzz_%s\t%s\t%s\t%s\t%s\t%s' "$name" "${inputs:--}" "$elapsed" "$rate" "$corpus" "$result")
  echo "$line" | tee -a "$table"
  [ "$result" = ok ] || failed=1
done
echo "table: $table"
column -t -s $'\t' "$table" 2>/dev/null || cat "$table"
exit "$failed"
