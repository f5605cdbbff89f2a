#!/usr/bin/env bash
# Stops every kind of CLI job with SIGINT or SIGTERM after a random delay, then checks what it left:
#   - no ffmpeg, ffprobe or ffplay of this campaign in the process table once the CLI has exited
#     (a process counts when its command line or working folder points into the campaign's work folder,
#     when it descends from the campaign, or when it is in the campaign's session);
#   - the exit status is 0 (done before the signal), 130 (SIGINT) or 143 (SIGTERM);
#   - no partial file under a final name: every NAME_seg_A_B.mp4 decodes without an error and has B-A+1
#     frames; the merged, joined and working-copy files are either absent or decode without an error and
#     have the frame count of an uninterrupted run; no *.part* file is left behind;
#   - the project (when there is one) loads: `tarnelo-cli report PROJECT --json` succeeds;
#   - the same command run again without a stop succeeds and gives the scenes (first, last, enabled) and the
#     output frame counts of an uninterrupted run on a fresh copy.
#
# Usage: tests/stress/random_cancel.sh [RUNS_PER_KIND]   (default 200; TARNELO_STRESS_SHORT=1 or the argument
# "short": one run per kind, for CI). TARNELO_CLI names the program (default build/src/tarnelo-cli),
# TARNELO_STRESS_SEED fixes the random delays, TARNELO_STRESS_KEEP=1 keeps the work folder, and
# TARNELO_STRESS_KINDS="extract join ..." runs only those kinds (to split a long run over several shells).
# Exit status 0 only when nothing was found; the last line gives the figures.
set -uo pipefail

# Alone in a session, so that what the campaign starts can be told from the rest of the machine.
if [[ "${TARNELO_STRESS_IN_SESSION:-}" != 1 ]]; then
    export TARNELO_STRESS_IN_SESSION=1
    exec setsid --wait "$0" "$@"
fi

root=$(cd "$(dirname "$0")/../.." && pwd)
cli=${TARNELO_CLI:-$root/build/src/tarnelo-cli}
runs=${1:-200}
if [[ "$runs" == short || "${TARNELO_STRESS_SHORT:-}" == 1 ]]; then runs=1; fi
[[ "$runs" =~ ^[0-9]+$ ]] || { echo "RUNS_PER_KIND must be a number or 'short'" >&2; exit 2; }
[[ -x "$cli" ]] || { echo "no tarnelo-cli at $cli (set TARNELO_CLI)" >&2; exit 2; }
for tool in ffmpeg ffprobe ffplay jq; do
    command -v "$tool" >/dev/null || { echo "$tool not found" >&2; exit 2; }
done
seed=${TARNELO_STRESS_SEED:-$$}
RANDOM=$seed

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnelo-cancel.XXXXXX")
if [[ "${TARNELO_STRESS_KEEP:-}" != 1 ]]; then trap 'rm -rf "$work"' EXIT; fi
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LANG=C.UTF-8 LC_ALL=
session=$(ps -o sid= -p $$ | tr -d ' ')
campaign=$$
set -m  # every job its own process group, so a stop can go to the group as a terminal's Ctrl+C does

faults=0
cancels=0
leftover=0
fault() {
    faults=$((faults + 1))
    echo "FAULT [$1 run $2]: $3"
    [[ -n "${4:-}" && -f "$4" ]] && sed 's/^/    | /' "$4" | tail -n 15
}

# --- clips ------------------------------------------------------------------------------------------------
make_clip() {  # name frames codec-args...
    local name=$1 frames=$2
    shift 2
    ffmpeg -hide_banner -nostdin -loglevel error -y -f lavfi -i color=c=gray:s=160x90:r=25 \
        -f lavfi -i color=c=white:s=22x22:r=25 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=7 \
        -filter_complex "[0:v][1:v]overlay=x='mod(n*11,W-w)':y='(H-h)/2':enable='between(n,20,50)+between(n,90,120)',format=yuv420p[v]" \
        -map '[v]' -map 2:a -frames:v "$frames" "$@" "$work/clips/$name"
}
mkdir -p "$work/clips"
make_clip clip.mp4 150 -c:v libx264 -preset ultrafast -c:a aac || exit 2
make_clip clip.ts 150 -c:v mpeg2video -c:a mp2 || exit 2
make_clip short.mp4 30 -c:v libx264 -preset ultrafast -c:a aac || exit 2
make_clip short.ts 30 -c:v mpeg2video -c:a mp2 || exit 2

# --- checks -----------------------------------------------------------------------------------------------
frames_of() {  # decodes the whole file; prints its video frame count, or "bad" when it does not decode
    local n
    # -count_frames decodes every frame, so one probe both checks the file and counts it.
    n=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 \
        "$1" 2>"$1.decode-log")
    if [[ $? != 0 || -s "$1.decode-log" || -z "$n" ]]; then n=bad; fi
    rm -f "$1.decode-log"
    echo "$n"
}

# ffmpeg, ffprobe and ffplay processes of this campaign, as "pid command".
campaign_tools() {
    local dir pid comm stat rest sid cmd cwd p found
    local -a f
    for dir in /proc/[0-9]*; do
        pid=${dir#/proc/}
        # Builtin reads only: this runs twice a stop over the whole process table.
        read -r comm 2>/dev/null <"$dir/comm" || continue
        [[ "$comm" == ffmpeg || "$comm" == ffprobe || "$comm" == ffplay ]] || continue
        read -r stat 2>/dev/null <"$dir/stat" || continue
        rest=${stat##*) }
        read -r -a f <<<"$rest"
        [[ "${f[0]}" == Z ]] && continue
        sid=${f[3]}
        cmd=$(tr '\0' ' ' 2>/dev/null <"$dir/cmdline")
        cwd=$(readlink "$dir/cwd" 2>/dev/null)
        found=0
        [[ "$cmd" == *"$work"* || "$cwd" == "$work"* || "$sid" == "$session" ]] && found=1
        p=$pid
        while [[ $found == 0 && -n "$p" && "$p" != 0 && "$p" != 1 ]]; do
            [[ "$p" == "$campaign" ]] && found=1
            read -r stat 2>/dev/null <"/proc/$p/stat" || break
            rest=${stat##*) }
            read -r -a f <<<"$rest"
            p=${f[1]}
        done
        [[ $found == 1 ]] && echo "$pid $cmd"
    done
}

# The scenes of a project as "first-last-enabled" words, or "unloadable".
scenes_of() {
    "$cli" report "$1" --json 2>/dev/null | jq -r '[.scenes[] | "\(.start_frame)-\(.end_frame)-\(.enabled)"] | join(" ")' \
        2>/dev/null || echo unloadable
}

# Checks a folder's files; prints one problem a line.
check_files() {  # dir expected-frames-file
    local dir=$1 expect=$2 f base a b n want
    while IFS= read -r -d '' f; do
        base=$(basename "$f")
        case "$base" in
        *.part.* | *.part | *.tmp) echo "partial file left behind: $base" ;;
        *.mp4)
            if [[ "$base" =~ _seg_([0-9]+)_([0-9]+)\.mp4$ ]]; then
                a=${BASH_REMATCH[1]} b=${BASH_REMATCH[2]}
                n=$(frames_of "$f")
                [[ "$n" == $((b - a + 1)) ]] || echo "segment $base: $n frames, its name says $((b - a + 1))"
                continue
            fi
            want=$(awk -v k="$base" '$1 == k {print $2}' "$expect" 2>/dev/null)
            [[ -z "$want" ]] && continue
            n=$(frames_of "$f")
            [[ "$n" == "$want" ]] || echo "$base: $n frames, a whole one has $want"
            ;;
        esac
    done < <(find "$dir" -type f -print0)
}

# Frame counts of the whole files (not scene segments, whose names give theirs) of a finished run, as "name count" lines.
whole_counts() {
    local f
    find "$1" -mindepth 2 -type f -name '*.mp4' -print0 | sort -z | while IFS= read -r -d '' f; do
        [[ "$(basename "$f")" =~ _seg_[0-9]+_[0-9]+\.mp4$ ]] || echo "$(basename "$f") $(frames_of "$f")"
    done
}

# --- job kinds --------------------------------------------------------------------------------------------
# Each kind: a baseline folder, the command run inside it, and its project. A project holds absolute paths,
# so every run of a kind works in the same folder, copied afresh from the kind's template.
kinds=(extract extract_merge merge merge_transition segments join autocorrect play prepare)
if [[ -n "${TARNELO_STRESS_KINDS:-}" ]]; then read -r -a kinds <<<"$TARNELO_STRESS_KINDS"; fi
baseline() {  # kind dir
    local dir=$2
    mkdir -p "$dir"
    case $1 in
    prepare) cp "$work/clips/clip.ts" "$dir/" ;;
    join) cp "$work/clips/short.mp4" "$dir/a.mp4" && cp "$work/clips/short.ts" "$dir/b.ts" && mkdir "$dir/out" ;;
    play) cp "$work/clips/short.mp4" "$dir/clip.mp4" ;;
    extract | extract_merge) cp "$work/clips/clip.mp4" "$dir/" ;;
    *) cp "$work/clips/clip.mp4" "$dir/" && (cd "$dir" && "$cli" extract clip.mp4 --no-cut >/dev/null 2>&1) ;;
    esac
}
command_of() {
    case $1 in
    extract) echo "extract clip.mp4" ;;
    extract_merge) echo "extract clip.mp4 --merge" ;;
    merge) echo "merge clip.mp4.kpproj --no-transition" ;;
    merge_transition) echo "merge clip.mp4.kpproj --transition" ;;
    segments) echo "segments clip.mp4.kpproj" ;;
    join) echo "join a.mp4 b.ts -o out/joined.mp4 --size 352x288 --rate 30" ;;
    autocorrect) echo "autocorrect clip.mp4.kpproj" ;;
    play) echo "play clip.mp4" ;;
    prepare) echo "extract clip.ts --no-cut" ;;
    esac
}
project_of() {
    case $1 in
    join | play) echo "" ;;
    prepare) echo clip.ts.kpproj ;;
    *) echo clip.mp4.kpproj ;;
    esac
}

run_job() {  # dir kind log -> exit status; the job runs in its own process group
    local dir=$1 kind=$2 log=$3
    # shellcheck disable=SC2046  # the command's words are split on purpose
    (cd "$dir" && exec "$cli" $(command_of "$kind")) </dev/null >"$log" 2>&1
}

ms_now() { date +%s%3N; }

for kind in "${kinds[@]}"; do
    ref="$work/ref-$kind"
    baseline "$kind" "$ref"
    t0=$(ms_now)
    run_job "$ref" "$kind" "$ref.log"
    status=$?
    span=$(($(ms_now) - t0))
    if [[ $status != 0 ]]; then
        fault "$kind" ref "uninterrupted run failed with $status" "$ref.log"
        continue
    fi
    proj=$(project_of "$kind")
    want_scenes=""
    [[ -n "$proj" ]] && want_scenes=$(cd "$ref" && scenes_of "$proj")
    whole_counts "$ref" >"$ref.counts"
    # Delays up to a little past the uninterrupted run, so some stops land after the end.
    limit=$((span + span / 5 + 50))

    dir="$work/run-$kind"
    baseline "$kind" "$dir"
    mv "$dir" "$work/template-$kind"
    for ((i = 1; i <= runs; i++)); do
        cp -a "$work/template-$kind" "$dir"
        delay=$(((RANDOM * 32768 + RANDOM) % limit))
        if ((RANDOM % 2)); then sig=INT; else sig=TERM; fi
        if ((RANDOM % 2)); then target=group; else target=cli; fi
        # shellcheck disable=SC2046  # the command's words are split on purpose
        (cd "$dir" && exec "$cli" $(command_of "$kind")) </dev/null >"$dir.log" 2>&1 &
        job=$!
        sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
        if [[ $target == group ]]; then kill -s "$sig" -- "-$job" 2>/dev/null; else kill -s "$sig" "$job" 2>/dev/null; fi
        cancels=$((cancels + 1))
        # Bounded wait: a job that does not stop is a fault of its own.
        waited=0
        while kill -0 "$job" 2>/dev/null && [[ "$(awk '{print $3}' /proc/$job/stat 2>/dev/null)" != Z ]] && ((waited < 600)); do
            sleep 0.05
            waited=$((waited + 1))
        done
        if ((waited >= 600)); then
            fault "$kind" "$i" "still running 30 s after SIG$sig ($target, ${delay} ms)" "$dir.log"
            kill -KILL -- "-$job" 2>/dev/null
        fi
        wait "$job"
        status=$?
        what="SIG$sig to the $target after ${delay} ms"
        left=$(campaign_tools)
        if [[ -n "$left" ]]; then
            leftover=$((leftover + $(wc -l <<<"$left")))
            fault "$kind" "$i" "$what: left running: $left"
            while read -r pid _; do kill -KILL "$pid" 2>/dev/null; done <<<"$left"
        fi
        case $status in
        0 | 130 | 143) ;;
        *) fault "$kind" "$i" "$what: exit status $status" "$dir.log" ;;
        esac
        problems=$(check_files "$dir" "$ref.counts")
        [[ -n "$problems" ]] && fault "$kind" "$i" "$what: $problems"
        if [[ -n "$proj" && -f "$dir/$proj" ]] && ! (cd "$dir" && "$cli" report "$proj" --json >/dev/null 2>"$dir.report-log"); then
            fault "$kind" "$i" "$what: the project does not load" "$dir.report-log"
        fi
        # The next run finishes the work and agrees with the uninterrupted one.
        if ! run_job "$dir" "$kind" "$dir.again.log"; then
            fault "$kind" "$i" "$what: the next run failed" "$dir.again.log"
        else
            [[ -n "$proj" ]] && got=$(cd "$dir" && scenes_of "$proj") && [[ "$got" != "$want_scenes" ]] &&
                fault "$kind" "$i" "$what: the next run gives scenes '$got', a fresh run '$want_scenes'"
            whole_counts "$dir" >"$dir.counts"
            cmp -s "$dir.counts" "$ref.counts" ||
                fault "$kind" "$i" "$what: the next run's whole files [$(tr '\n' ' ' <"$dir.counts")] differ from a fresh run's [$(tr '\n' ' ' <"$ref.counts")]"
            problems=$(check_files "$dir" "$ref.counts")
            [[ -n "$problems" ]] && fault "$kind" "$i" "$what, then a full run: $problems"
        fi
        left=$(campaign_tools)
        if [[ -n "$left" ]]; then
            leftover=$((leftover + $(wc -l <<<"$left")))
            fault "$kind" "$i" "after the next run: left running: $left"
        fi
        if [[ "${TARNELO_STRESS_KEEP:-}" == 1 ]]; then
            mv "$dir" "$dir-$i"
            for f in "$dir".*; do [[ -e "$f" ]] && mv "$f" "$dir-$i.${f#"$dir".}"; done
        else
            rm -rf "$dir" "$dir".*
        fi
    done
    echo "$kind: $runs stops done (uninterrupted run ${span} ms)"
done

echo "random_cancel: seed $seed, kinds ${#kinds[@]}, stops $cancels, processes left $leftover, faults $faults"
((faults == 0))
