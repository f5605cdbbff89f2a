#!/usr/bin/env bash
# Extraction without cuts against a bare decode of the same clip to the same grey
# frames, measured side by side (alternating, best of N) in one run.
#   bench/bench_extract.sh [CLIP] [RUNS]
# Without CLIP the demo's 1080p clip is made (or reused) under build/bench-data.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
cli=$build/src/tarnelo-cli
clip=${1:-}
runs=${2:-3}
if [ -z "$clip" ]; then
  clip=$build/bench-data/demo_1080p.mp4
  [ -f "$clip" ] || "$root/scripts/demo.sh" --make-clip-only "$clip"
fi
[ -x "$cli" ] || { echo "build tarnelo-cli first (scripts/build.sh)" >&2; exit 1; }

IFS=, read -r w h < <(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$clip")
sw=$(( (w + 4) / 8 )); sh=$(( (h + 4) / 8 ))
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
best_decode=999999; best_extract=999999
for ((r = 1; r <= runs; r++)); do
  t0=$(now)
  ffmpeg -y -loglevel quiet -blocksize 1048576 -i "$clip" -vf "scale=$sw:$sh" -f rawvideo -pix_fmt gray - >/dev/null
  t1=$(now)
  rm -rf "$work/out"
  "$cli" extract "$clip" --no-cut --no-cuda --output-folder "$work/out" --project "$work/p.kpproj" >/dev/null 2>&1
  t2=$(now)
  d=$(awk "BEGIN { print $t1 - $t0 }"); e=$(awk "BEGIN { print $t2 - $t1 }")
  printf 'run %d: bare decode %.3f s, extract --no-cut %.3f s\n' "$r" "$d" "$e"
  best_decode=$(awk "BEGIN { print ($d < $best_decode) ? $d : $best_decode }")
  best_extract=$(awk "BEGIN { print ($e < $best_extract) ? $e : $best_extract }")
done
printf 'clip %s (%dx%d, analysed at %dx%d)\n' "$clip" "$w" "$h" "$sw" "$sh"
printf 'best: bare decode %.3f s, extract --no-cut %.3f s, ratio %.3f\n' "$best_decode" "$best_extract" \
  "$(awk "BEGIN { print $best_extract / $best_decode }")"
