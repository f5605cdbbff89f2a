#!/usr/bin/env bash
# Runs every CLI job on names that shells, ffmpeg's option, filter and concat parsers and text encodings
# treat specially: as the input's name, the output folder, the output name and the project name. Each run
# must either work (exit 0, whole segment files, a project that loads and names the input as given) or be
# refused with a message before anything is written. Before and after every run the whole work folder is
# listed: nothing may appear outside the chosen output folder and the project's own place (the project
# file and the files named after it beside it), and the working folder and TMPDIR given to the CLI stay
# empty.
#
# Usage: tests/stress/odd_names.sh [short]   (TARNELO_STRESS_SHORT=1 too: three of the hardest names and
# fewer jobs on each project, for CI).
# TARNELO_CLI names the program (default build/src/tarnelo-cli); TARNELO_STRESS_KEEP=1 keeps the work folder.
# Exit status 0 only when nothing was found; the last line gives the figures.
set -uo pipefail

# As root, a private mount namespace gives a folder that is read-only even for root.
if [[ $(id -u) == 0 && "${TARNELO_STRESS_IN_NS:-}" != 1 ]] && command -v unshare >/dev/null &&
    unshare -m --propagation private true 2>/dev/null; then
    export TARNELO_STRESS_IN_NS=1
    exec unshare -m --propagation private "$0" "$@"
fi

root=$(cd "$(dirname "$0")/../.." && pwd)
cli=${TARNELO_CLI:-$root/build/src/tarnelo-cli}
short=0
[[ "${1:-}" == short || "${TARNELO_STRESS_SHORT:-}" == 1 ]] && short=1
[[ -x "$cli" ]] || { echo "no tarnelo-cli at $cli (set TARNELO_CLI)" >&2; exit 2; }
for tool in ffmpeg ffprobe jq; do command -v "$tool" >/dev/null || { echo "$tool not found" >&2; exit 2; }; done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnelo-names.XXXXXX")
cleanup() {
    mountpoint -q "$work/ro" 2>/dev/null && umount "$work/ro"
    [[ "${TARNELO_STRESS_KEEP:-}" == 1 ]] || rm -rf "$work"
}
trap cleanup EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LANG=C.UTF-8 LC_ALL=

long=$(printf 'L%.0s' $(seq 1 246))  # with ".mp4": a 250-byte component
names=(
    "with space" "it's" 'say "hi"' "both '\"" "100%d %s %%" "a;b" "a,b" "a[0]" "x=y" 'cost $HOME $(id)' 'back\slash'
    "-dash" $'new\nline' "動画テスト" "🎬 emoji" "$long" "mixed ' % [ ; = , \\ 動画🎬"
)
((short)) && names=("both '\" %" $'new\nline' "-dash 動画 🎬")

tried=0
worked=0
refused=0
faults=0
fault() {
    faults=$((faults + 1))
    printf 'FAULT [%q, %s]: %s\n' "$1" "$2" "$3"
    [[ -n "${4:-}" && -f "$4" ]] && sed 's/^/    | /' "$4" | tail -n 12
}

ffmpeg -hide_banner -nostdin -loglevel error -y -f lavfi -i color=c=gray:s=160x90:r=25 \
    -f lavfi -i color=c=white:s=22x22:r=25 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=4 \
    -filter_complex "[0:v][1:v]overlay=x='mod(n*11,W-w)':y='(H-h)/2':enable='between(n,10,40)+between(n,60,85)',format=yuv420p[v]" \
    -map '[v]' -map 2:a -frames:v 100 -c:v libx264 -preset ultrafast -c:a aac "$work/clip.mp4" || exit 2

mkdir -p "$work/plain"
cp "$work/clip.mp4" "$work/plain/clip.mp4"
"$cli" extract "$work/plain/clip.mp4" --no-cut >/dev/null 2>&1 || { echo "extract fails on a plain name" >&2; exit 2; }
want_scenes=$("$cli" report "$work/plain/clip.mp4.kpproj" --json | jq -r '[.scenes[] | "\(.start_frame)-\(.end_frame)"] | join(" ")')
rm -rf "$work/plain"

frames_of() {
    ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$1" 2>/dev/null
}
# One line a file; a line break inside a name is shown as <NL> (see nl).
listing() {
    (cd "$work" && find . -mindepth 1 \( -type f -o -type l \) -printf '%P\t%s\t%T@\0' | sed -z 's/\n/<NL>/g' |
        tr '\0' '\n' | LC_ALL=C sort)
}
nl() { printf '%s' "${1//$'\n'/<NL>}"; }

# Runs one CLI command in an empty working folder with an empty TMPDIR and checks what it wrote.
#   check NAME LABEL OUTPUT-FOLDER PROJECT -- ARGS...
# OUTPUT-FOLDER: where the run may write ("" for none); PROJECT: the project it may write ("" for none).
check() {
    local name=$1 label=$2 out=$3 proj=$4 folder=$3
    shift 5
    local run="$work/run" before after new status seg a b n
    rm -rf "$run" && mkdir -p "$run/cwd" "$run/tmp"
    before=$(listing)
    tried=$((tried + 1))
    (cd "$run/cwd" && TMPDIR="$run/tmp" exec "$cli" "$@") </dev/null >"$run/out" 2>"$run/err"
    status=$?
    after=$(listing)
    # Files that are new or changed, as full paths.
    new=$(comm -13 <(echo "$before") <(echo "$after") | cut -f1 | grep -v '^run/' | sed "s|^|$work/|")
    out=$(nl "$out")
    proj=$(nl "$proj")
    [[ -n "$(find "$run/cwd" "$run/tmp" -mindepth 1 -print -quit)" ]] &&
        fault "$name" "$label" "wrote into its working folder or TMPDIR: $(find "$run/cwd" "$run/tmp" -mindepth 1 -printf '%P ')"
    if [[ $status != 0 ]]; then
        refused=$((refused + 1))
        if [[ $status == 2 || $status == 1 ]] && grep -q '[[:alnum:]]' "$run/err"; then
            [[ -n "$new" ]] && fault "$name" "$label" "refused (status $status) after writing: $(tr '\n' ' ' <<<"$new")" "$run/err"
        else
            fault "$name" "$label" "failed with status $status and no clear message" "$run/err"
        fi
        return 1
    fi
    worked=$((worked + 1))
    local f
    while IFS= read -r f; do
        [[ -z "$f" ]] && continue
        if [[ -n "$out" && "$f" == "${out%/}/"* ]]; then continue; fi
        if [[ -n "$proj" && ("$f" == "$proj" || "$f" == "${proj%.kpproj}"*) && "$(dirname "$f")" == "$(dirname "$proj")" ]]; then
            continue
        fi
        fault "$name" "$label" "wrote outside its output folder and project: $f"
    done <<<"$new"
    out=$folder
    if [[ -n "$out" && -d "$out" ]]; then
        while IFS= read -r -d '' seg; do
            [[ "$seg" =~ _seg_([0-9]+)_([0-9]+)\.mp4$ ]] || continue
            a=${BASH_REMATCH[1]} b=${BASH_REMATCH[2]}
            n=$(frames_of "$seg")
            [[ "$n" == $((b - a + 1)) ]] || fault "$name" "$label" "segment $(basename "$seg"): $n frames, its name says $((b - a + 1))"
        done < <(find "$out" -name '*.part*' -print0 -o -name '*_seg_*.mp4' -print0)
        [[ -n "$(find "$out" -name '*.part*')" ]] && fault "$name" "$label" "partial files left: $(find "$out" -name '*.part*')"
    fi
    return 0
}

# The scenes and the input a project names, or "" when it does not load.
project_text() { "$cli" report "$1" --json 2>/dev/null | jq -r '.input + " | " + ([.scenes[] | "\(.start_frame)-\(.end_frame)"] | join(" "))'; }
expect_project() {  # name label project input
    local got
    got=$(project_text "$3")
    [[ "$got" == "$4 | $want_scenes" ]] || fault "$1" "$2" "project $3 gives '$got'"
}

jobs_on_project() {  # name label project output-folder
    local name=$1 label=$2 proj=$3 out=$4
    check "$name" "$label: segments" "$out" "$proj" -- segments "$proj"
    check "$name" "$label: merge --transition" "$out" "$proj" -- merge "$proj" --transition
    ((short)) && return
    check "$name" "$label: merge" "$out" "$proj" -- merge "$proj" --no-transition
    check "$name" "$label: retune" "$out" "$proj" -- retune "$proj" --threshold 120
    check "$name" "$label: autocorrect" "$out" "$proj" -- autocorrect "$proj"
    check "$name" "$label: report" "" "" -- report "$proj" --csv
    check "$name" "$label: motion" "$out" "" -- motion "$proj" --csv "$out/motion.csv"
    check "$name" "$label: play scene" "$out" "" -- play "$proj" --scene 1
}

# Read-only folder: a clip there whose default output folder and project cannot be made.
mkdir -p "$work/ro-src" "$work/ro"
cp "$work/clip.mp4" "$work/ro-src/clip.mp4"
if [[ $(id -u) == 0 ]]; then
    mount --bind -o ro "$work/ro-src" "$work/ro" 2>/dev/null || rmdir "$work/ro"
else
    cp "$work/clip.mp4" "$work/ro/" && chmod 555 "$work/ro"
fi
if [[ -d "$work/ro" ]] && ! touch "$work/ro/.probe" 2>/dev/null; then
    # Refused before anything is written, or (when given elsewhere) the output folder and project work.
    check "read-only folder" "extract" "" "" -- extract "$work/ro/clip.mp4"
    mkdir -p "$work/rw"
    if check "read-only folder" "extract elsewhere" "$work/rw/out" "$work/rw/p.kpproj" -- \
        extract "$work/ro/clip.mp4" --output-folder "$work/rw/out" --project "$work/rw/p.kpproj" --merge; then
        expect_project "read-only folder" "extract elsewhere" "$work/rw/p.kpproj" "$work/ro/clip.mp4"
        jobs_on_project "read-only folder" "project elsewhere" "$work/rw/p.kpproj" "$work/rw/out"
    fi
else
    echo "note: no read-only folder could be made here; that case was not run"
fi

# A symbolic link as the input and a linked output folder.
mkdir -p "$work/link/real-out"
ln -s "$work/clip.mp4" "$work/link/linked clip.mp4"
ln -s "$work/link/real-out" "$work/link/out"
if check "link" "extract" "$work/link/linked clip.mp4_out" "$work/link/linked clip.mp4.kpproj" -- extract "$work/link/linked clip.mp4" --merge; then
    expect_project "link" "extract" "$work/link/linked clip.mp4.kpproj" "$work/link/linked clip.mp4"
fi
check "link" "extract into a linked folder" "$work/link/real-out" "$work/link/p.kpproj" -- \
    extract "$work/link/linked clip.mp4" --output-folder "$work/link/out" --project "$work/link/p.kpproj"

i=0
for name in "${names[@]}"; do
    i=$((i + 1))
    c="$work/c$i"
    mkdir -p "$c"
    cp "$work/clip.mp4" "$c/$name.mp4"
    input="$c/$name.mp4"
    # The name as the input, with the default output folder and project beside it.
    if check "$name" "extract" "$input"_out "$input.kpproj" -- extract "$input" --merge; then
        expect_project "$name" "extract" "$input.kpproj" "$input"
        jobs_on_project "$name" "input" "$input.kpproj" "$input"_out
        check "$name" "play" "" "" -- play "$input.kpproj"
    fi
    check "$name" "probe" "" "" -- probe "$input"
    # The name as the output folder, the output name and the project.
    mkdir -p "$c/given"
    cp "$work/clip.mp4" "$c/given/clip.mp4"
    out="$c/given/$name"
    proj="$c/given/$name.kpproj"
    if check "$name" "extract given" "$out" "$proj" -- extract "$c/given/clip.mp4" --output-folder "$out" \
        --output-name "$name.mp4" --project "$proj" --merge; then
        expect_project "$name" "extract given" "$proj" "$c/given/clip.mp4"
        [[ -f "$out/$name.mp4" ]] || fault "$name" "extract given" "no merged file $out/$name.mp4"
        jobs_on_project "$name" "given" "$proj" "$out"
    fi
    # Join: the name as an input and as the output.
    mkdir -p "$c/join"
    check "$name" "join" "$c/join" "" -- join "$input" "$work/clip.mp4" -o "$c/join/$name.mp4" --size 352x288 --rate 30
    [[ "${TARNELO_STRESS_KEEP:-}" == 1 ]] || rm -rf "$c"
done

# A name that starts with '-' given relative to the working folder: after "--" it is a file.
mkdir -p "$work/rel"
cp "$work/clip.mp4" "$work/rel/-rel.mp4"
(cd "$work/rel" && "$cli" extract --no-cut -- -rel.mp4 >/dev/null 2>"$work/rel.err")
status=$?
tried=$((tried + 1))
if [[ $status == 0 && -f "$work/rel/-rel.mp4.kpproj" ]]; then worked=$((worked + 1)); else
    fault "-rel.mp4" "extract -- relative" "status $status" "$work/rel.err"
fi

echo "odd_names: names ${#names[@]} (+ link, read-only folder, relative dash), runs $tried, worked $worked, refused $refused, faults $faults"
((faults == 0))
