#!/usr/bin/env bash
# Re-tuning a one-hour recording from its motion record: tarnelo-cli retune --dry-run on a record of 108,000
# counts (1 h at 30 fps) with motion bursts of varied lengths, timed 10 times; the median wall time is printed
# last, as a ratio to the 100 ms a user would notice.
#   bench/retune.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
cli=$build/src/tarnelo-cli
runs=${1:-10}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 2; }
[ -x "$cli" ] || { echo "build tarnelo-cli first (scripts/build.sh)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to write the synthetic record" >&2; exit 1; }
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

# A real project and record of a short clip; the record then gets an hour of counts for the same input.
ffmpeg -v error -f lavfi -i testsrc2=size=320x180:rate=30 -t 2 -c:v libx264 -preset ultrafast "$work/hour.mp4"
"$cli" extract "$work/hour.mp4" --no-cut --output-folder "$work/out" >/dev/null 2>"$work/err" ||
  { cat "$work/err" >&2; exit 1; }
python3 - "$work/hour.mp4.kpmotion" <<'PY'
import random, struct, sys
path = sys.argv[1]
head = bytearray(open(path, 'rb').read()[:68])
frames = 108000
struct.pack_into('<d', head, 20, 30.0)
struct.pack_into('<I', head, 28, frames)
struct.pack_into('<I', head, 64, frames)
random.seed(7)
counts = []
while len(counts) < frames:
    counts += [random.randint(0, 2)] * random.randint(30, 3000)         # still
    counts += [random.randint(50, 900)] * random.randint(5, 600)        # motion
counts = counts[:frames]
counts[0] = 0x7FFFFFFF
open(path, 'wb').write(bytes(head) + struct.pack('<%dI' % frames, *counts))
PY

times=()
for ((r = 1; r <= runs; r++)); do
  t0=$(date +%s%N)
  "$cli" retune "$work/hour.mp4.kpproj" --dry-run >"$work/table" 2>"$work/err" ||
    { cat "$work/err" >&2; exit 1; }
  t1=$(date +%s%N)
  ms=$(( (t1 - t0) / 1000000 ))
  times+=("$ms")
  printf 'run %d: %d ms, %d scenes\n' "$r" "$ms" "$(( $(wc -l <"$work/table") - 1 ))"
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}')
printf 'median retune --dry-run of 108,000 counts: %s ms; ratio to 100 ms: %s\n' "$median" \
  "$(awk "BEGIN { printf \"%.2f\", $median / 100 }")"
