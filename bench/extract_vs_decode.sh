#!/usr/bin/env bash
# Scene analysis without cuts (tarnelo-cli extract --no-cut, which writes the motion record beside its project)
# and the same with --fast-scan, each against the bare exact decode of the same clip to the same grey frames,
# measured side by side in one run: the three alternate (their order turns each round), each round gives a
# ratio per extraction, and the median ratios are printed last. The scenes of the two scans are compared too.
#   bench/extract_vs_decode.sh [CLIP] [RUNS]
# Without CLIP a 1920x1080 and a 3840x2160 clip are made (or reused) under build/bench-data: a busy picture in
# full motion, frozen twice for a few seconds; and a variable-rate 1920x1080 clip of the same frames, its first
# half at 30 fps and its second at 15 fps. A variable-rate clip's bare decode writes each frame once
# (-fps_mode passthrough), as the extraction measures each once: left to the constant-rate output, ffmpeg would
# repeat the slow half's frames. TARNELO_BENCH_SHORT=1 makes short clips and runs 2 rounds, for a quick check of
# the script. TARNELO_BENCH_COMPARE=S adds a third extraction, extract --no-cut --compare-sec S (each frame
# against the one S seconds back), with its own ratio to the same bare decode.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
cli=$build/src/tarnelo-cli
short=${TARNELO_BENCH_SHORT:-}
clip=${1:-}
runs=${2:-$([ -n "$short" ] && echo 2 || echo 5)}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 2; }
compare=${TARNELO_BENCH_COMPARE:-}
[ -z "$compare" ] || [[ $compare =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "TARNELO_BENCH_COMPARE must be seconds" >&2; exit 2; }
[ -x "$cli" ] || { echo "build tarnelo-cli first (scripts/build.sh)" >&2; exit 1; }
[ -z "$clip" ] || [ -f "$clip" ] || { echo "no such clip: $clip" >&2; exit 2; }

# make_clip PATH WxH SECONDS [vfr]: testsrc2 at 30 fps, frozen for 3 s after a third of it and for 2 s after two
# thirds. With vfr the same frames are timed anew: the second half at 15 fps, each frame kept with its own time.
make_clip() {
  local path=$1 size=$2 seconds=$3 variable=${4:-}
  local first=$((seconds * 30 / 3)) second=$((seconds * 30 * 2 / 3 + 90))
  local timing=N/30/TB output=()
  if [ -n "$variable" ]; then
    # The loops add 89 + 59 copies of a frame.
    local half=$(((seconds * 30 + 148) / 2))
    timing="'if(lt(N,$half),N,$half+(N-$half)*2)/30/TB'"
    output=(-fps_mode passthrough)
  fi
  mkdir -p "$(dirname "$path")"
  ffmpeg -hide_banner -loglevel error -y -f lavfi \
    -i "testsrc2=s=$size:r=30:d=$seconds,loop=loop=89:size=1:start=$first,loop=loop=59:size=1:start=$second,setpts=$timing" \
    "${output[@]}" -c:v libx264 -preset veryfast -pix_fmt yuv420p "$path.part.mp4"
  mv "$path.part.mp4" "$path"
}

# Each clip with whether its frames come at a variable rate (its label then says so).
clips=(); variable=()
if [ -n "$clip" ]; then
  clips=("$clip"); variable=("")
else
  for entry in 1920x1080:20:6: 3840x2160:12:4: 1920x1080:20:6:vfr; do
    IFS=: read -r size seconds shortSeconds vfr <<<"$entry"
    [ -z "$short" ] || seconds=$shortSeconds
    path=$build/bench-data/motion_still_${vfr:+${vfr}_}${size}_${seconds}s.mp4
    [ -f "$path" ] || { echo "making $path" >&2; make_clip "$path" "$size" "$seconds" "$vfr"; }
    clips+=("$path"); variable+=("$vfr")
  done
fi

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }
# Seconds of CPU (user + system) that the finished children of this shell had used when `times >FILE` ran
# (in this shell: a subshell would count only its own children).
cpu() { awk 'NR == 2 { for (i = 1; i <= 2; ++i) { split($i, t, /[ms]/); s += t[1] * 60 + t[2] } print s }' "$1"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# The first and last frame of each scene of an extraction's table.
scenes() { awk '$2 == "on" || $2 == "off" { print $3, $4 }' "$1"; }

# run_kind KIND CLIP W H [vfr]: one timed run, its wall and CPU seconds in $work/KIND.t and KIND.c; the
# extractions keep their table.
run_kind() {
  local kind=$1 input=$2 w=$3 h=$4 vfr=${5:-} t0 t1
  local once=()
  [ -z "$vfr" ] || once=(-fps_mode passthrough)
  local scan=()
  [ "$kind" != fast ] || scan=(--fast-scan)
  [ "$kind" != compare ] || scan=(--compare-sec "$compare")
  # Every run starts afresh: no project, working copy or time list of an earlier run is reused.
  rm -rf "$work/out" "$work"/p.*
  times >"$work/times0"
  t0=$(now)
  if [ "$kind" = bare ]; then
    ffmpeg -y -loglevel quiet -blocksize 1048576 -i "$input" -vf "scale=$w:$h" "${once[@]}" -f rawvideo -pix_fmt gray - \
      >/dev/null
  else
    "$cli" extract "$input" --no-cut --no-cuda "${scan[@]}" --output-folder "$work/out" --project "$work/p.kpproj" \
      >"$work/$kind.table" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  fi
  t1=$(now)
  times >"$work/times1"
  awk "BEGIN { print $t1 - $t0 }" >"$work/$kind.t"
  awk "BEGIN { print $(cpu "$work/times1") - $(cpu "$work/times0") }" >"$work/$kind.c"
}

summary=()
for c in "${!clips[@]}"; do
  input=${clips[$c]}; vfr=${variable[$c]}
  IFS=, read -r w h < <(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$input")
  label=${w}x$h${vfr:+ variable rate}
  # The analysis size: an eighth of each side, rounded half away from zero.
  sw=$(((w + 4) / 8)); sh=$(((h + 4) / 8))
  exactRatios=(); fastRatios=(); exactCpu=(); fastCpu=(); compareRatios=()
  orders=("bare exact fast" "exact fast bare" "fast bare exact")
  [ -z "$compare" ] || orders=("bare exact fast compare" "exact fast compare bare" "fast compare bare exact"
    "compare bare exact fast")
  for ((r = 1; r <= runs; r++)); do
    for kind in ${orders[$(((r - 1) % ${#orders[@]}))]}; do run_kind "$kind" "$input" "$sw" "$sh" "$vfr"; done
    bare=$(cat "$work/bare.t"); exact=$(cat "$work/exact.t"); fast=$(cat "$work/fast.t")
    exactRatios+=("$(awk "BEGIN { printf \"%.3f\", $exact / $bare }")")
    fastRatios+=("$(awk "BEGIN { printf \"%.3f\", $fast / $bare }")")
    # CPU time as well: on a shared machine it moves less than wall time with the others' load.
    bareC=$(cat "$work/bare.c")
    exactCpu+=("$(awk "BEGIN { printf \"%.3f\", $(cat "$work/exact.c") / $bareC }")")
    fastCpu+=("$(awk "BEGIN { printf \"%.3f\", $(cat "$work/fast.c") / $bareC }")")
    printf 'run %d: bare decode %.3f s, extract --no-cut %.3f s (%s), with --fast-scan %.3f s (%s)\n' "$r" "$bare" \
      "$exact" "${exactRatios[-1]}" "$fast" "${fastRatios[-1]}"
    if [ -n "$compare" ]; then
      compareRatios+=("$(awk "BEGIN { printf \"%.3f\", $(cat "$work/compare.t") / $bare }")")
      printf '       extract --no-cut --compare-sec %s %.3f s (%s)\n' "$compare" "$(cat "$work/compare.t")" \
        "${compareRatios[-1]}"
    fi
    if [ "$r" = 1 ]; then
      scenes "$work/exact.table" >"$work/exact.scenes"
      scenes "$work/fast.table" >"$work/fast.scenes"
    fi
  done
  # Scene counts and the largest shift of an edge between the two scans (when the counts agree).
  agreement=$(paste -d' ' "$work/exact.scenes" "$work/fast.scenes" | awk -v e="$(wc -l <"$work/exact.scenes")" \
    -v f="$(wc -l <"$work/fast.scenes")" '
      function abs(x) { return x < 0 ? -x : x }
      { d = abs($1 - $3); if (abs($2 - $4) > d) d = abs($2 - $4); if (d > m) m = d }
      END { printf "scenes exact %d, fast %d", e, f; if (e == f) printf ", largest edge shift %d frame(s)", m }')
  exactMedian=$(printf '%s\n' "${exactRatios[@]}" | median)
  fastMedian=$(printf '%s\n' "${fastRatios[@]}" | median)
  printf 'clip %s (%dx%d, analysed at %dx%d), %d runs; %s\n' "$input" "$w" "$h" "$sw" "$sh" "$runs" "$agreement"
  summary+=("$(printf '%s  median CPU-time ratios to the bare decode: extract --no-cut %.3f, with --fast-scan %.3f' \
    "$label" "$(printf '%s\n' "${exactCpu[@]}" | median)" "$(printf '%s\n' "${fastCpu[@]}" | median)")")
  summary+=("$(printf '%s  median ratio extract --no-cut / bare decode: %.3f' "$label" "$exactMedian")")
  summary+=("$(printf '%s  median ratio extract --no-cut --fast-scan / bare exact decode: %.3f' "$label" \
    "$fastMedian")")
  if [ -n "$compare" ]; then
    summary+=("$(printf '%s  median ratio extract --no-cut --compare-sec %s / bare decode: %.3f' "$label" "$compare" \
      "$(printf '%s\n' "${compareRatios[@]}" | median)")")
  fi
done
printf '%s\n' "${summary[@]}"
