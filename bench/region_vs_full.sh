#!/usr/bin/env bash
# A scan that watches a quarter of a 1920x1080 picture (extract --no-cut --region 480,270,960,540, the middle
# quarter) against the scan of the whole picture (extract --no-cut), side by side in one run: the two alternate
# (their order turns each round) and the median ratio region / whole is printed last, in wall and CPU time.
#   bench/region_vs_full.sh [CLIP] [RUNS]
# Without CLIP two clips are made (or reused) under build/bench-data: a camera-like one (a still picture, a box
# crossing it now and then, as a door or wildlife camera sees it) and the busy picture in full motion of
# bench/extract_vs_decode.sh, whose decoding costs most and so leaves the crop least to save.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
cli=$build/src/tarnelo-cli
clip=${1:-}
runs=${2:-5}
region=${TARNELO_BENCH_REGION:-480,270,960,540}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 2; }
[ -x "$cli" ] || { echo "build tarnelo-cli first (scripts/build.sh)" >&2; exit 1; }
[ -z "$clip" ] || [ -f "$clip" ] || { echo "no such clip: $clip" >&2; exit 2; }

make_camera() {
  mkdir -p "$(dirname "$1")"
  ffmpeg -hide_banner -loglevel error -y -f lavfi \
    -i "testsrc2=s=1920x1080:r=30:d=1,trim=end_frame=1,loop=loop=1199:size=1,setpts=N/30/TB" \
    -f lavfi -i "color=c=white:s=160x160:r=30:d=40" \
    -filter_complex "[0][1]overlay=x='mod(t*300,1760)':y=460:enable='lt(mod(t,6),3)'" \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p "$1.part.mp4"
  mv "$1.part.mp4" "$1"
}
make_busy() {
  mkdir -p "$(dirname "$1")"
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc2=s=1920x1080:r=30:d=20" \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p "$1.part.mp4"
  mv "$1.part.mp4" "$1"
}

clips=()
if [ -n "$clip" ]; then
  clips=("$clip")
else
  camera=$build/bench-data/camera_1920x1080_40s.mp4
  busy=$build/bench-data/busy_1920x1080_20s.mp4
  [ -f "$camera" ] || { echo "making $camera" >&2; make_camera "$camera"; }
  [ -f "$busy" ] || { echo "making $busy" >&2; make_busy "$busy"; }
  clips=("$camera" "$busy")
fi

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }
cpu() { awk 'NR == 2 { for (i = 1; i <= 2; ++i) { split($i, t, /[ms]/); s += t[1] * 60 + t[2] } print s }' "$1"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# run_kind KIND CLIP: one timed extraction, wall and CPU seconds in $work/KIND.t and KIND.c.
run_kind() {
  local kind=$1 input=$2 t0 t1 areas=()
  [ "$kind" != region ] || areas=(--region "$region")
  rm -rf "$work/out" "$work"/p.*
  times >"$work/times0"
  t0=$(now)
  "$cli" extract "$input" --no-cut --no-cuda "${areas[@]}" --output-folder "$work/out" --project "$work/p.kpproj" \
    >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  t1=$(now)
  times >"$work/times1"
  awk "BEGIN { print $t1 - $t0 }" >"$work/$kind.t"
  awk "BEGIN { print $(cpu "$work/times1") - $(cpu "$work/times0") }" >"$work/$kind.c"
}

summary=()
for input in "${clips[@]}"; do
  wall=(); cpus=()
  orders=("whole region" "region whole")
  for ((r = 1; r <= runs; r++)); do
    for kind in ${orders[$(((r - 1) % 2))]}; do run_kind "$kind" "$input"; done
    wall+=("$(awk "BEGIN { printf \"%.3f\", $(cat "$work/region.t") / $(cat "$work/whole.t") }")")
    cpus+=("$(awk "BEGIN { printf \"%.3f\", $(cat "$work/region.c") / $(cat "$work/whole.c") }")")
    printf 'run %d: whole picture %.3f s, --region %s %.3f s (%s)\n' "$r" "$(cat "$work/whole.t")" "$region" \
      "$(cat "$work/region.t")" "${wall[-1]}"
  done
  summary+=("$(printf '%s  median ratio region / whole picture: %.3f wall, %.3f CPU' "$(basename "$input")" \
    "$(printf '%s\n' "${wall[@]}" | median)" "$(printf '%s\n' "${cpus[@]}" | median)")")
done
printf '%s\n' "${summary[@]}"
