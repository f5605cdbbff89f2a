#!/usr/bin/env bash
# Runs tarnelo-cli with its output folder and project on a disk that fills up: extraction, segment output,
# merge, join and the project save (autocorrect), each with little room left at many different amounts: on
# a small tmpfs when mounting is allowed, and in any case with a file-size limit (ulimit -f), under which a
# write past the limit raises SIGXFSZ.
# Each failing run must end with status 1 and its reason on stderr, leave the project byte for byte as it
# was (an extraction, which starts a new scene list by design, may instead save the scenes it found), and
# leave no segment that a later run takes for done: after space is freed, the same command (for segment
# output: a merge, which skips the segments it finds good) must succeed with the scenes of a run on a roomy
# disk, every segment as long as its scene and the merged file as long as all of them.
#   tests/stress/full_disk.sh [--short] [--fsize]   --short or TARNELO_STRESS_SHORT=1: one amount each, for
#                                                   CI; --fsize: the file-size limit alone, no tmpfs
# Exit status 0 only when nothing was found; the last line gives the figures.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
cli=$build/src/tarnelo-cli
short=${TARNELO_STRESS_SHORT:-}
force_fsize=
for arg in "$@"; do
  case $arg in
    --short) short=1 ;;
    --fsize) force_fsize=1 ;;
    *) echo "usage: $0 [--short] [--fsize]" >&2; exit 2 ;;
  esac
done
[ -x "$cli" ] || { echo "build tarnelo-cli first (scripts/build.sh)" >&2; exit 2; }
command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null || { echo "ffmpeg and ffprobe are needed" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnelo-full-disk.XXXXXX")
mkdir -p "$work/tmpfs" "$work/fsize" "$work/src" "$work/base"
mounted=
cleanup() {
  [ -n "$mounted" ] && umount "$work/tmpfs" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
ways=()
if [ -z "$force_fsize" ] && mount -t tmpfs -o size=16m tmpfs "$work/tmpfs" 2>/dev/null; then
  mounted=1
  ways+=(tmpfs)
fi
ways+=(fsize)
# tmpfs: KiB left free on the disk for the failing run; fsize: KiB a file may grow to (ulimit -f)
tmpfs_amounts=(0 4 8 12 16 20 24 32 40 48 64 80 96 128 160 256 512 1024 2048)
fsize_amounts=(1 2 3 4 6 8 10 12 16 24 32 64 128 256 512 1024)
if [ -n "$short" ]; then
  tmpfs_amounts=(8)
  fsize_amounts=(2)
fi
# Other amounts: TARNELO_DISK_TMPFS_KIB="0 8 64", TARNELO_DISK_FSIZE_KIB="1 4".
[ -n "${TARNELO_DISK_TMPFS_KIB:-}" ] && read -ra tmpfs_amounts <<<"$TARNELO_DISK_TMPFS_KIB"
[ -n "${TARNELO_DISK_FSIZE_KIB:-}" ] && read -ra fsize_amounts <<<"$TARNELO_DISK_FSIZE_KIB"

cases=0 failed_writes=0 faults=0
fault() {
  faults=$((faults + 1))
  echo "FAULT ($way $amount KiB, $what): $*" >&2
}

# A grey clip with a box that moves during two frame ranges, and a second, still one for the join.
make_clip() {
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "color=c=gray:s=320x180:r=25" -f lavfi \
    -i "color=c=white:s=44x44:r=25" -filter_complex \
    "[0:v][1:v]overlay=x='mod(n*22,W-w)':y='(H-h)/2':enable='$2'" -frames:v "$3" -c:v libx264 -preset ultrafast \
    -pix_fmt yuv420p "$1"
}
make_clip "$work/src/clip.mp4" 'between(n,30,89)+between(n,150,209)' 260 || exit 2
make_clip "$work/src/still.mp4" 'between(n,1000,1001)' 50 || exit 2
clip=$work/src/clip.mp4
join_args=("$clip" "$work/src/still.mp4" --size 352x288 --rate 15 --quality 2)

frames_of() {
  ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$1" 2>/dev/null
}
# enabled,first,last,length of every scene
scenes_of() { "$cli" report --csv "$1" 2>/dev/null | tail -n +2 | cut -d, -f2-4,9; }

"$cli" extract "$clip" --output-folder "$work/base/out" --project "$work/base/p.kpproj" >/dev/null 2>&1 ||
  { echo "extraction on a roomy disk failed" >&2; exit 1; }
base_scenes=$(scenes_of "$work/base/p.kpproj")
[ -n "$base_scenes" ] || { echo "the clip gave no scenes" >&2; exit 1; }
"$cli" join "${join_args[@]}" -o "$work/base/joined.mp4" >/dev/null 2>&1 || { echo "join failed" >&2; exit 1; }
base_joined=$(frames_of "$work/base/joined.mp4")

# fill: leave $amount KiB free on the tmpfs. free: remove what fill put there.
fill() {
  [ "$way" = tmpfs ] || return 0
  rm -f "$disk/filler"
  local avail
  avail=$(df -k --output=avail "$disk" | tail -1 | tr -d ' ')
  if ((avail > amount)); then head -c $(((avail - amount) * 1024)) /dev/zero >"$disk/filler" 2>/dev/null; fi
  return 0
}
free_space() { rm -f "$disk/filler"; }
# run_limited ARGS...: tarnelo-cli on the full disk; status in $status, stderr in $work/err
run_limited() {
  if [ "$way" = fsize ]; then
    # The limit holds for every file the program writes, its stderr too: that goes through a pipe.
    (ulimit -f "$amount" && exec "$cli" "$@" 2>&1 >/dev/null) | cat >"$work/err"
    status=${PIPESTATUS[0]}
    return
  else
    "$cli" "$@" >"$work/outlog" 2>"$work/err"
  fi
  status=$?
}

# The segments of the project: each there and as long as its scene.
check_segments() {
  local line file length n
  while IFS= read -r line; do
    [ "$(cut -d, -f2 <<<"$line")" = 1 ] || continue
    length=$(cut -d, -f9 <<<"$line")
    file=$(cut -d, -f16- <<<"$line")
    n=$(frames_of "$file")
    [ "$n" = "$length" ] || fault "segment $(basename "$file") has ${n:-no} frames, its scene $length"
  done < <("$cli" report --csv "$project" 2>/dev/null | tail -n +2)
}
# Right after the run on the full disk: every segment under its final name is whole, whatever the status
# said, so that no later merge takes a short one for done.
check_segment_files() {
  local f a b n
  for f in "$out"/*_seg_*.mp4; do
    [ -e "$f" ] || continue
    [[ "$(basename "$f")" =~ _seg_([0-9]+)_([0-9]+)\.mp4$ ]] || continue
    a=${BASH_REMATCH[1]} b=${BASH_REMATCH[2]}
    n=$(frames_of "$f")
    [ "$n" = $((b - a + 1)) ] || fault "$(basename "$f") is left with ${n:-no} frames after the full disk"
  done
}
check_scenes() {
  [ "$(scenes_of "$project")" = "$base_scenes" ] || fault "the scenes differ from those of a roomy disk"
}

# One command on the full disk, then again with room. $1: extract|segments|merge|join|save
try_case() {
  what=$1
  local args=() rerun=() before=$work/before.kpproj
  case $what in
    extract) args=(extract "$clip" --output-folder "$out" --project "$project") ;;
    segments) args=(segments "$project") ;;
    merge) args=(merge "$project") ;;
    join) args=(join "${join_args[@]}" -o "$joined") ;;
    save) args=(autocorrect "$project") ;;
  esac
  rerun=("${args[@]}")
  [ "$what" = segments ] && rerun=(merge "$project")
  cp "$project" "$before"
  [ "$what" = join ] && rm -f "$joined"
  cases=$((cases + 1))
  fill
  run_limited "${args[@]}"
  free_space
  check_segment_files
  if [ "$status" = 1 ]; then
    failed_writes=$((failed_writes + 1))
    grep -q '^tarnelo-cli: ' "$work/err" || fault "status 1 without a reason on stderr"
    if ! cmp -s "$project" "$before"; then
      if [ "$what" != extract ]; then
        fault "the project changed"
      elif [ -z "$(scenes_of "$project")" ] && [ -s "$project" ] && ! "$cli" report --csv "$project" >/dev/null 2>&1; then
        fault "the project does not load"
      fi
    fi
    if [ "$what" = join ] && [ -e "$joined" ]; then
      local n
      n=$(frames_of "$joined")
      [ "$n" = "$base_joined" ] || fault "a failed join left $(basename "$joined") with ${n:-no} frames"
    fi
    [ -n "${VERBOSE:-}" ] && echo "  $what at $amount KiB: $(tail -1 "$work/err")" >&2
  elif [ "$status" != 0 ]; then
    fault "status $status: $(tail -2 "$work/err" | tr '\n' ' ')"
  fi
  "$cli" "${rerun[@]}" >"$work/outlog" 2>"$work/err" ||
    { fault "the run with room failed: $(tail -1 "$work/err")"; return; }
  case $what in
    join)
      local n
      n=$(frames_of "$joined")
      [ "$n" = "$base_joined" ] || fault "joined file has ${n:-no} frames, a roomy join $base_joined"
      ;;
    *)
      check_scenes
      check_segments
      ;;
  esac
  if [ "$what" = merge ] || [ "$what" = segments ]; then
    local merged expected=0 length
    merged=$("$cli" report --json "$project" 2>/dev/null | grep -o '"output": *"[^"]*"' | head -1 | cut -d'"' -f4)
    [ -n "$merged" ] || merged=$(ls "$out"/*_trim.mp4 2>/dev/null | head -1)
    for length in $(scenes_of "$project" | awk -F, '$1 == 1 { print $4 }'); do expected=$((expected + length)); done
    local n
    n=$(frames_of "$merged")
    [ "$n" = "$expected" ] || fault "merged file $(basename "$merged") has ${n:-no} frames, its scenes $expected"
  fi
}

for way in "${ways[@]}"; do
  disk=$work/$way
  project=$disk/p.kpproj
  out=$disk/out
  joined=$disk/joined.mp4
  amounts_of="${way}_amounts[@]"
  for amount in "${!amounts_of}"; do
    rm -rf "$out" "$project" "$disk"/*.kpmotion "$joined"
    "$cli" extract "$clip" --output-folder "$out" --project "$project" >/dev/null 2>"$work/err" ||
      { what=setup; fault "extraction with room failed: $(tail -1 "$work/err")"; continue; }
    for what in extract segments merge join save; do try_case "$what"; done
  done
done
echo "full_disk: ways=${ways[*]} cases=$cases failed_writes=$failed_writes faults=$faults"
[ "$faults" = 0 ]
