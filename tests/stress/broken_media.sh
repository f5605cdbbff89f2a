#!/usr/bin/env bash
# Damaged recordings, as power cuts, bad cards and failed copies leave them, through every job. From seed
# clips (made here: several containers and codecs, with audio, variable rate, interlaced, rotated; and short
# stream copies of the camera clips Debian's opencv-doc ships, when installed) it makes damaged variants at
# random: cut off at any byte, bits flipped, runs of garbage or zeros, the index removed or moved, a header
# field set to an odd value (sizes, rates, durations, rotation, stream and sample counts), a stream dropped or
# added, two files joined end to end. Each variant goes through extract --no-cut, report, retune, extract
# (cutting), merge, join and the window's open and extract. After every run:
#   - it ended by itself within 60 s + 30 s per MB (longer is a hang);
#   - status 0 with a sensible result (a project that loads, files with a video stream), or 1 with a reason
#     on stderr; never a signal, a sanitizer report, another status or a silent failure;
#   - no ffmpeg, ffprobe or ffplay of the run left; nothing written outside the run's folder (its working
#     folder and TMPDIR stay empty; the seeds are unchanged at the end).
#
# Usage: tests/stress/broken_media.sh [RUNS]   (default 5000 damaged files; "short" or TARNELO_STRESS_SHORT=1:
# 12, always the same ones, all jobs on every third and the window on every sixth, for CI).
# Environment: TARNELO_CLI, the program (default build/src/tarnelo-cli; with an AddressSanitizer build memory
# errors are faults too); TARNELO_BUILD_DIR, the build holding test-helpers/mutate_media and the window check
# tests/BrokenMediaWindowTest; TARNELO_STRESS_WINDOW_EVERY=N, the window on every N-th file (default 1; 0 leaves it out);
# TARNELO_STRESS_FULL_EVERY=N, the jobs after report (retune, extract, merge, join) on every N-th file only
# (default 1); TARNELO_STRESS_SEED repeats a campaign; TARNELO_STRESS_JOBS, files at once (default 1);
# TARNELO_STRESS_FAULTS, where each fault's file and output are kept (default BUILD_DIR/broken-media-faults).
# Exit status 0 only when nothing was found; the last lines count every kind of result.
set -uo pipefail

if [[ "${TARNELO_STRESS_IN_SESSION:-}" != 1 ]]; then
    export TARNELO_STRESS_IN_SESSION=1
    exec setsid --wait "$0" "$@"
fi

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
cli=${TARNELO_CLI:-$build/src/tarnelo-cli}
mutate=$build/test-helpers/mutate_media
window=$build/tests/BrokenMediaWindowTest
runs=${1:-5000}
full_every=${TARNELO_STRESS_FULL_EVERY:-1}
window_every=${TARNELO_STRESS_WINDOW_EVERY:-1}
# The short run damages the same files each time, so that CI fails only on a change of the program.
seed=${TARNELO_STRESS_SEED:-$$}
if [[ "$runs" == short || "${TARNELO_STRESS_SHORT:-}" == 1 ]]; then
    seed=${TARNELO_STRESS_SEED:-30} runs=12 full_every=${TARNELO_STRESS_FULL_EVERY:-3} window_every=${TARNELO_STRESS_WINDOW_EVERY:-6}
fi
[[ "$runs" =~ ^[0-9]+$ ]] || { echo "RUNS must be a number or 'short'" >&2; exit 2; }
jobs=${TARNELO_STRESS_JOBS:-1}
[[ -x "$cli" ]] || { echo "no tarnelo-cli at $cli (set TARNELO_CLI)" >&2; exit 2; }
[[ -x "$mutate" ]] || { echo "no $mutate (build the tests)" >&2; exit 2; }
for tool in ffmpeg ffprobe jq timeout; do command -v "$tool" >/dev/null || { echo "$tool not found" >&2; exit 2; }; done
[[ -x "$window" && "$window_every" != 0 ]] || { window=; echo "note: the window's open and extract is left out"; }
RANDOM=$seed
faults_dir=${TARNELO_STRESS_FAULTS:-$build/broken-media-faults}

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnelo-broken.XXXXXX")
[[ "${TARNELO_STRESS_KEEP:-}" == 1 ]] || trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LANG=C.UTF-8 LC_ALL= QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
results=$work/results.tsv
: >"$results"

# --- seeds -------------------------------------------------------------------------------------------------
seeds=$work/seeds
mkdir -p "$seeds"
lavfi() {  # output video-filter-extra codec-args...
    local out=$1 extra=$2
    shift 2
    ffmpeg -hide_banner -nostdin -loglevel error -y -f lavfi -i "color=c=gray:s=160x90:r=25:d=4" \
        -f lavfi -i "color=c=white:s=20x20:r=25:d=4" -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=4" \
        -filter_complex "[0:v][1:v]overlay=x='mod(n*9,W-w)':y=30:enable='between(n,20,60)'${extra},format=yuv420p[v]" \
        -map '[v]' -map 2:a "$@" "$seeds/$out" || { echo "cannot make seed $out" >&2; exit 2; }
}
lavfi h264.mp4 "" -c:v libx264 -preset ultrafast -c:a aac
lavfi faststart.mov "" -c:v libx264 -preset ultrafast -c:a aac -movflags +faststart
lavfi mpeg4.mkv "" -c:v mpeg4 -c:a flac
lavfi mjpeg.avi "" -c:v mjpeg -c:a pcm_s16le
lavfi vfr.mp4 ",setpts='N/25/TB+0.013*sin(N)/TB'" -c:v libx264 -preset ultrafast -c:a aac -fps_mode vfr
lavfi interlaced.ts ",tinterlace=interleave_top" -c:v mpeg2video -flags +ilme+ildct -top 1 -c:a mp2
lavfi rotated.mp4 "" -c:v libx264 -preset ultrafast -c:a aac -metadata:s:v:0 rotate=90
lavfi hevc.mp4 "" -c:v libx265 -preset ultrafast -x265-params log-level=none -c:a aac -tag:v hvc1
# Real camera footage, cut to a few seconds without re-encoding so that its own codec and container stay.
real=/usr/share/doc/opencv-doc
for clip in "$real/examples/data/vtest.avi" "$real/examples/data/tree.avi" "$real/examples/data/Megamind_bugy.avi" \
    "$real"/opencv4/html/box.mp4.gz "$real"/opencv4/html/cup.mp4.gz; do
    [[ -f "$clip" ]] || continue
    name=$(basename "$clip" .gz)
    src=$clip
    if [[ "$clip" == *.gz ]]; then gzip -dc "$clip" >"$work/$name" && src=$work/$name; fi
    ffmpeg -hide_banner -nostdin -loglevel error -y -i "$src" -t 4 -c copy "$seeds/real-$name" 2>/dev/null ||
        rm -f "$seeds/real-$name"
    rm -f "$work/$name"
done
mapfile -t seed_files < <(find "$seeds" -type f | LC_ALL=C sort)
seed_sums=$(cd "$seeds" && md5sum ./*)

kinds=(truncate flip overwrite no-index move-index header drop-stream concat)

# --- one run -------------------------------------------------------------------------------------------------
# Appends "file kind command result detail" lines to the run's own results file.
record() { printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$run_id" "$kind" "$1" "$2" "${3//$'\t'/ }" "$elapsed" >>"$dir/results"; }
fault() {
    record "$1" "FAULT" "$2"
    local keep=$faults_dir/$run_id
    mkdir -p "$keep"
    cp -f "$file" "$keep/" 2>/dev/null
    printf '%s\nseed file: %s\ndamage: %s\ncommand: %s\nfault: %s\n' "$run_id" "$seed_file" "$damage" "$1" "$2" >"$keep/README"
    cp -f "$dir/err" "$keep/$1.err" 2>/dev/null
}

has_video() { [[ -s "$1" ]] && ffprobe -v error -select_streams v:0 -show_entries stream=codec_type -of csv=p=0 "$1" 2>/dev/null | grep -q video; }
project_loads() { "$cli" report "$1" --json 2>/dev/null | jq -e '.scenes | type == "array"' >/dev/null 2>&1; }
leftovers() { pgrep -f -- "$dir/" | while read -r pid; do ps -o comm= -p "$pid"; done | grep -E '^(ffmpeg|ffprobe|ffplay)' ; }

# Runs one command in the run's folder with an empty working folder and TMPDIR; sets $status and checks what
# every command must satisfy. Returns 0 when the command worked.
run_cli() {  # label args...
    local label=$1
    shift
    local bound=$((60 + 30 * size_mb)) started=$EPOCHREALTIME
    (cd "$dir/cwd" && TMPDIR="$dir/tmp" exec timeout -k 10 "$bound" "$cli" "$@") </dev/null >"$dir/stdout" 2>"$dir/err"
    status=$?
    elapsed=$(((${EPOCHREALTIME/./} - ${started/./}) / 1000))
    local left
    left=$(leftovers)
    if [[ -n "$left" ]]; then
        fault "$label" "left running: $(tr '\n' ' ' <<<"$left")"
        pkill -KILL -f -- "$dir/"
    fi
    [[ -n "$(find "$dir/cwd" "$dir/tmp" -mindepth 1 -print -quit)" ]] &&
        fault "$label" "wrote into its working folder or TMPDIR: $(find "$dir/cwd" "$dir/tmp" -mindepth 1 -printf '%P ')"
    if grep -qE 'AddressSanitizer|LeakSanitizer|runtime error:|terminate called|Assertion .* failed' "$dir/err"; then
        fault "$label" "sanitizer or abort: $(grep -m1 -E 'Sanitizer|runtime error|terminate|Assertion' "$dir/err")"
        return 1
    fi
    case $status in
        0) return 0 ;;
        1)
            if grep -q '[[:alnum:]]' "$dir/err"; then
                # The reason without the run's own paths, so that equal reasons count together.
                record "$label" "refused" "$(reason | sed "s|$work/[^ :']*|FILE|g" | cut -c1-160)"
            else
                fault "$label" "status 1 without a reason"
            fi
            ;;
        124 | 137) fault "$label" "did not end within $bound s" ;;
        *) fault "$label" "status $status: $(grep -m1 '[[:alnum:]]' "$dir/err" | cut -c1-160)" ;;
    esac
    return 1
}

# What the command said last about why it stopped: its own last message, else the last line of text.
reason() {
    local said
    said=$(grep '^tarnelo-cli: ' "$dir/err" | tail -n 1)
    [[ -n "$said" ]] || said=$(grep '[[:alnum:]]' "$dir/err" | grep -v '^ *>\|%' | tail -n 1)
    printf '%s\n' "$said"
}
ok() { record "$1" "ok" "${2:-}"; }

damage() {  # writes $file from $seed_file by $kind; sets $damage; false when the kind does not apply
    local ext=${seed_file##*.} r=$((RANDOM * 32768 + RANDOM))
    file=$dir/in.$ext
    case $kind in
        drop-stream)
            local maps
            case $((r % 4)) in
                0) maps=(-map 0:v) damage="drop-stream audio dropped" ;;
                1) maps=(-map 0:a) damage="drop-stream video dropped" ;;
                2) maps=(-map 0:v -map 0:a -map 0:a) damage="drop-stream audio twice" ;;
                *) maps=(-map 0:a -map 0:v) damage="drop-stream audio first" ;;
            esac
            ffmpeg -hide_banner -nostdin -loglevel quiet -y -i "$seed_file" "${maps[@]}" -c copy "$file" 2>/dev/null
            ;;
        concat)
            local other=${seed_files[r % ${#seed_files[@]}]}
            cat "$seed_file" "$other" >"$file"
            damage="concat with $(basename "$other")"
            ;;
        *) damage=$("$mutate" "$kind" "$r" "$seed_file" "$file") ;;
    esac
    [[ -s "$file" ]]
}

one_run() {  # index
    # Each run draws from its own generator, so a campaign repeats whatever the order of the jobs.
    RANDOM=$((seed + $1 * 7919))
    run_id=r$1
    dir=$work/$run_id
    mkdir -p "$dir/cwd" "$dir/tmp"
    : >"$dir/results"
    elapsed=0
    kind=${kinds[RANDOM % ${#kinds[@]}]}
    seed_file=${seed_files[RANDOM % ${#seed_files[@]}]}
    if ! damage; then
        kind=truncate
        damage
    fi
    record "damage" "made" "$(basename "$seed_file"): $damage"
    size_mb=$(($(stat -c %s "$file") / 1048576))
    local proj=$file.kpproj

    if run_cli "extract --no-cut" extract --no-cut "$file"; then
        if project_loads "$proj"; then ok "extract --no-cut"; else fault "extract --no-cut" "status 0, the project does not load"; fi
    fi
    if [[ -f "$proj" ]] && run_cli "report" report "$proj" --json; then
        if jq -e '.scenes' "$dir/stdout" >/dev/null 2>&1; then ok "report"; else fault "report" "status 0, no JSON"; fi
    fi
    if (($1 % full_every == 0)); then full_jobs "$1"; fi
    if [[ -n "$window" ]] && (($1 % window_every == 0)); then window_job; fi
    cat "$dir/results" >>"$results"
    [[ "${TARNELO_STRESS_KEEP:-}" == 1 ]] || rm -rf "$dir"
}

full_jobs() {
    local proj=$file.kpproj scenes
    if [[ -f "$proj" ]]; then
        if run_cli "retune" retune "$proj" --threshold $((20 + RANDOM % 200)); then
            if project_loads "$proj"; then ok "retune"; else fault "retune" "status 0, the project does not load"; fi
        fi
    fi
    if run_cli "extract" extract "$file" --output-folder "$dir/out"; then
        local bad=0 seg
        project_loads "$proj" || { fault "extract" "status 0, the project does not load"; bad=1; }
        while IFS= read -r -d '' seg; do
            has_video "$seg" || { fault "extract" "segment without video: $(basename "$seg")"; bad=1; }
        done < <(find "$dir/out" -name '*_seg_*.mp4' -print0 2>/dev/null)
        [[ -n "$(find "$dir/out" -name '*.part*' 2>/dev/null)" ]] && { fault "extract" "partial files left"; bad=1; }
        scenes=$(find "$dir/out" -name '*_seg_*.mp4' 2>/dev/null | wc -l)
        ((bad)) || ok "extract" "$scenes segments"
        if run_cli "merge" merge "$proj" --no-transition; then
            local merged
            merged=$(find "$dir/out" -maxdepth 1 -name '*.mp4' ! -name '*_seg_*' -print -quit)
            if has_video "$merged"; then ok "merge"; else fault "merge" "status 0, no merged video"; fi
        fi
    fi
    if run_cli "join" join "$file" -o "$dir/joined.mp4" --size 352x288 --rate 10; then
        if has_video "$dir/joined.mp4"; then ok "join"; else fault "join" "status 0, no joined video"; fi
    fi
}

window_job() {
    local bound=$((90 + 30 * size_mb)) started=$EPOCHREALTIME line wkind wdetail
    (cd "$dir/cwd" && TMPDIR="$dir/tmp" TARNELO_BROKEN_MEDIA_FILE=$file exec timeout -k 10 "$bound" "$window") \
        </dev/null >"$dir/stdout" 2>"$dir/err"
    status=$?
    elapsed=$(((${EPOCHREALTIME/./} - ${started/./}) / 1000))
    line=$(grep -m1 '^window: ' "$dir/stdout")
    if [[ $status == 0 && -n "$line" ]]; then
        read -r _ wkind wdetail <<<"$line"
        record "window" "$wkind" "$(sed "s|$work/[^ :']*|FILE|g" <<<"$wdetail" | cut -c1-160)"
    else
        fault "window" "status $status: ${line:-$(grep -m1 -iE 'fail|error' "$dir/stdout" "$dir/err" | cut -c1-160)}"
    fi
    [[ -n "$(leftovers)" ]] && { fault "window" "left running"; pkill -KILL -f -- "$dir/"; }
}

# --- the campaign --------------------------------------------------------------------------------------------
echo "broken_media: seed $seed, $runs files from ${#seed_files[@]} seeds, $jobs at once"
start=$SECONDS
for ((i = 1; i <= runs; i++)); do
    if ((jobs > 1)); then
        while (($(jobs -rp | wc -l) >= jobs)); do wait -n; done
        one_run "$i" &
    else
        one_run "$i"
    fi
    if ((i % 100 == 0)); then echo "  $i files, $((SECONDS - start)) s, faults so far $(grep -c $'\tFAULT\t' "$results")"; fi
done
wait

[[ "$seed_sums" == "$(cd "$seeds" && md5sum ./*)" ]] || printf 'r0\tseeds\tseeds\tFAULT\tthe seed files changed\n' >>"$results"

files=$(awk -F'\t' '$3 == "damage"' "$results" | wc -l)
echo "broken_media: $files damaged files in $((SECONDS - start)) s (seed $seed)"
echo "damage kinds:"
awk -F'\t' '$3 == "damage" { n[$2]++ } END { for (k in n) printf "  %-12s %d\n", k, n[k] }' "$results" | sort
echo "results per command (ok / refused with a reason / faults; the window: refused / failed / extracted):"
awk -F'\t' '$3 != "damage" { n[$3 "\t" $4]++; c[$3] = 1 } END {
    for (k in c) printf "  %-18s ok %5d  refused %5d  faults %d%s\n", k, n[k "\tok"], n[k "\trefused"], n[k "\tFAULT"],
        (k == "window" ? sprintf("  (refused %d, failed %d, extracted %d)", n[k "\trefused"], n[k "\tfailed"], n[k "\textracted"]) : "")
}' "$results" | sort
echo "most frequent reasons:"
awk -F'\t' '$4 == "refused" { print $3 ": " $5 }' "$results" | sort | uniq -c | sort -rn | head -n "${TARNELO_STRESS_REASONS:-12}"
faults=$(grep -c $'\tFAULT\t' "$results")
if ((faults > 0)); then
    echo "FAULTS ($faults; files and output kept in $faults_dir):"
    awk -F'\t' '$4 == "FAULT" { print "  " $1 " [" $2 "] " $3 ": " $5 }' "$results" | head -n 40
fi
echo "broken_media: files $files, faults $faults"
((faults == 0))
