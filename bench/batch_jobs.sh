#!/usr/bin/env bash
# A folder scan one video at a time (extract FOLDER --jobs 1) against two at a time (--jobs 2), side by side in
# one run, on a folder of small camera clips and on one of full-HD clips: the two alternate (their order turns
# each round), every run scans all anew (--force, segments cut as usual), and the median ratio
# jobs 2 / jobs 1 of each folder is printed last, in wall and CPU time, with the machine's core count.
#   bench/batch_jobs.sh [RUNS]
# The clips are made once under build/bench-data: 8 of 854x480 and 4 of 1920x1080, 10 s at 30 fps each, a still
# picture that a box crosses for 3 s of every 6, as a door or wildlife camera records it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
cli=$build/src/tarnelo-cli
runs=${1:-3}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 2; }
[ -x "$cli" ] || { echo "build tarnelo-cli first (scripts/build.sh)" >&2; exit 1; }

# make_folder FOLDER WxH COUNT: COUNT clips of 10 s, each with the box at another height.
make_folder() {
  local folder=$1 size=$2 count=$3 w h i
  w=${size%x*}
  h=${size#*x}
  mkdir -p "$folder.part"
  for ((i = 1; i <= count; i++)); do
    ffmpeg -hide_banner -loglevel error -y -f lavfi \
      -i "testsrc2=s=$size:r=30:d=1,trim=end_frame=1,loop=loop=299:size=1,setpts=N/30/TB" \
      -f lavfi -i "color=c=white:s=$((h / 7))x$((h / 7)):r=30:d=10" \
      -filter_complex "[0][1]overlay=x='mod(t*$((w / 3)),$((w - h / 7)))':y=$((h * i / (count + 2))):enable='lt(mod(t+$i,6),3)'" \
      -c:v libx264 -preset veryfast -pix_fmt yuv420p "$folder.part/clip$i.mp4"
  done
  mv "$folder.part" "$folder"
}

small=$build/bench-data/batch_854x480_8x10s
large=$build/bench-data/batch_1920x1080_4x10s
[ -d "$small" ] || { echo "making $small" >&2; make_folder "$small" 854x480 8; }
[ -d "$large" ] || { echo "making $large" >&2; make_folder "$large" 1920x1080 4; }

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }
cpu() { awk 'NR == 2 { for (i = 1; i <= 2; ++i) { split($i, t, /[ms]/); s += t[1] * 60 + t[2] } print s }' "$1"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# run_jobs JOBS FOLDER: one timed batch over a fresh copy of the folder (projects and segments land beside the
# videos), wall and CPU seconds in $work/JOBS.t and JOBS.c.
run_jobs() {
  local jobs=$1 folder=$2 t0 t1
  rm -rf "$work/videos"
  cp -r "$folder" "$work/videos"
  times >"$work/times0"
  t0=$(now)
  "$cli" extract "$work/videos" --force --no-cuda --jobs "$jobs" >/dev/null 2>"$work/err" ||
    { cat "$work/err" >&2; exit 1; }
  t1=$(now)
  times >"$work/times1"
  awk "BEGIN { print $t1 - $t0 }" >"$work/$jobs.t"
  awk "BEGIN { print $(cpu "$work/times1") - $(cpu "$work/times0") }" >"$work/$jobs.c"
}

summary=()
for folder in "$small" "$large"; do
  wall=(); cpus=()
  orders=("1 2" "2 1")
  for ((r = 1; r <= runs; r++)); do
    for jobs in ${orders[$(((r - 1) % 2))]}; do run_jobs "$jobs" "$folder"; done
    wall+=("$(awk "BEGIN { printf \"%.3f\", $(cat "$work/2.t") / $(cat "$work/1.t") }")")
    cpus+=("$(awk "BEGIN { printf \"%.3f\", $(cat "$work/2.c") / $(cat "$work/1.c") }")")
    printf '%s run %d: --jobs 1 %.2f s, --jobs 2 %.2f s (%s)\n' "$(basename "$folder")" "$r" "$(cat "$work/1.t")" \
      "$(cat "$work/2.t")" "${wall[-1]}"
  done
  summary+=("$(printf '%-26s median ratio --jobs 2 / --jobs 1: %.3f wall, %.3f CPU' "$(basename "$folder")" \
    "$(printf '%s\n' "${wall[@]}" | median)" "$(printf '%s\n' "${cpus[@]}" | median)")")
done
echo "$(nproc) cores"
printf '%s\n' "${summary[@]}"
