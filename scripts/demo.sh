#!/usr/bin/env bash
# Installs, builds, makes a demo recording with still and moving stretches at known times, extracts its
# scenes with tarnelo-cli and joins them into one MP4.
#
#   scripts/demo.sh                          the whole demo, files in ./demo/
#   scripts/demo.sh --make-clip-only PATH [--size WxH] [--duration S]
#                                            only write the demo recording (the benchmarks use it)
#
# The recording: 30 fps over a still background, with audio. A box is drawn and moves during
# 5-12 s and 20-28 s, and twitches once for 0.5 s at 16.0-16.5 s, too short to make a scene of its own.
# Longer recordings repeat the same 40-second pattern.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}

# make_demo_clip PATH [WxH] [SECONDS]
make_demo_clip() {
    local path=$1 size=${2:-1920x1080} duration=${3:-40}
    local w=${size%x*} h=${size#*x}
    if ! [[ $w =~ ^[0-9]+$ && $h =~ ^[0-9]+$ && $duration =~ ^[0-9]+([.][0-9]+)?$ ]]; then
        echo "demo.sh: bad size '$size' or duration '$duration'" >&2
        return 2
    fi
    local box=$((h / 6))
    local moving='between(mod(t,40),5,12)+between(mod(t,40),20,28)+between(mod(t,40),16,16.5)'
    mkdir -p "$(dirname "$path")"
    ffmpeg -hide_banner -loglevel error -y \
        -f lavfi -i "color=c=0x283848:s=${size}:r=30:d=${duration},drawgrid=w=${box}:h=${box}:t=2:c=0x5a6a7a" \
        -f lavfi -i "color=c=0xf0c020:s=${box}x${box}:r=30:d=${duration}" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=${duration}" \
        -filter_complex "[0][1]overlay=x='(W-w)/2+(W-w)/2*0.8*sin(t*1.3)':y='(H-h)/2+(H-h)/2*0.6*cos(t*0.9)':enable='${moving}'[v]" \
        -map "[v]" -map 2 -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 128k \
        -movflags +faststart "$path"
}

if [[ ${1:-} == --make-clip-only ]]; then
    [[ $# -ge 2 ]] || { echo "usage: demo.sh --make-clip-only PATH [--size WxH] [--duration S]" >&2; exit 2; }
    path=$2
    size=1920x1080
    duration=40
    shift 2
    while [[ $# -gt 0 ]]; do
        case $1 in
            --size) size=${2:?--size needs WxH}; shift 2 ;;
            --duration) duration=${2:?--duration needs seconds}; shift 2 ;;
            *) echo "demo.sh: unknown option '$1'" >&2; exit 2 ;;
        esac
    done
    command -v ffmpeg >/dev/null || "$root/scripts/install-deps.sh"
    make_demo_clip "$path" "$size" "$duration"
    exit 0
fi
[[ $# -eq 0 ]] || { echo "usage: demo.sh [--make-clip-only PATH [--size WxH] [--duration S]]" >&2; exit 2; }

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cli=$build/src/tarnelo-cli

demo=$PWD/demo
clip=$demo/recording.mp4
mkdir -p "$demo"
echo "== Making a 40 s 1920x1080 demo recording: $clip"
make_demo_clip "$clip"

# A fresh run each time: the project and the segment folder of an earlier demo go first.
rm -rf "$clip.kpproj" "${clip}_out"
echo "== Extracting its scenes and joining them: $cli extract $clip --merge"
"$cli" extract "$clip" --merge | tee "$demo/scenes.txt"
merged=${clip}_out/recording_trim.mp4
[[ -f $merged ]] || { echo "demo.sh: the joined scenes $merged were not written" >&2; exit 1; }

cat <<EOF

== Done
The box moves during 5-12 s and 20-28 s; its 0.5 s twitch at 16.0 s is too short to be a scene.
Scene table:      $demo/scenes.txt
Project file:     $clip.kpproj
Joined scenes:    $merged
  play it with    $cli play $clip.kpproj
  cross-faded:    $cli merge $clip.kpproj --transition
Segment files:
EOF
find "${clip}_out" -maxdepth 1 -name '*_seg_*.mp4' -printf '  %p\n' | sort
