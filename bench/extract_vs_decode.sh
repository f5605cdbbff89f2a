#!/usr/bin/env bash
# Scene analysis without cuts (tarnelo-cli extract --no-cut) against the bare decode of the same clip to
# the same grey frames, measured side by side in one run: the two alternate, each pair gives a ratio,
# and the median ratio is printed last.
#   bench/extract_vs_decode.sh [CLIP] [RUNS]
# Without CLIP the demo's 40 s 1920x1080 recording is made (or reused) under build/bench-data.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
cli=$build/src/tarnelo-cli
clip=${1:-}
runs=${2:-5}
if [ -z "$clip" ]; then
  clip=$build/bench-data/demo_1080p.mp4
  [ -f "$clip" ] || "$root/scripts/demo.sh" --make-clip-only "$clip"
fi
[ -f "$clip" ] || { echo "no such clip: $clip" >&2; exit 2; }
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 2; }
[ -x "$cli" ] || { echo "build tarnelo-cli first (scripts/build.sh)" >&2; exit 1; }

IFS=, read -r w h < <(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$clip")
# The analysis size: an eighth of each side, rounded half away from zero.
sw=$(( (w + 4) / 8 )); sh=$(( (h + 4) / 8 ))
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
ratios=()
for ((r = 1; r <= runs; r++)); do
  t0=$(now)
  ffmpeg -y -loglevel quiet -blocksize 1048576 -i "$clip" -vf "scale=$sw:$sh" -f rawvideo -pix_fmt gray - >/dev/null
  t1=$(now)
  # Every run starts afresh: no project, working copy or time list of an earlier run is reused.
  rm -rf "$work/out" "$work/p.kpproj"
  "$cli" extract "$clip" --no-cut --no-cuda --output-folder "$work/out" --project "$work/p.kpproj" >/dev/null 2>"$work/err" ||
    { cat "$work/err" >&2; exit 1; }
  t2=$(now)
  ratio=$(awk "BEGIN { printf \"%.3f\", ($t2 - $t1) / ($t1 - $t0) }")
  ratios+=("$ratio")
  printf 'run %d: bare decode %.3f s, extract --no-cut %.3f s, ratio %s\n' "$r" \
    "$(awk "BEGIN { print $t1 - $t0 }")" "$(awk "BEGIN { print $t2 - $t1 }")" "$ratio"
done
median=$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
printf 'clip %s (%dx%d, analysed at %dx%d), %d runs\n' "$clip" "$w" "$h" "$sw" "$sh" "$runs"
printf 'median ratio extract --no-cut / bare decode: %.3f\n' "$median"
