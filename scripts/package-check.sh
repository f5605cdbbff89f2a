#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks it the way a user's machine takes it: the desktop
# entry and the AppStream data validate, lintian reports no tag that packaging/lintian-tags.txt does not
# explain, and the package installs with apt-get, runs (the CLI's version and an extraction, the window on a
# virtual display), and removes without leaving a file behind.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --built: the package in the build folder is taken as it is.
[ "${1:-}" = --built ] || cmake --build "$build" --target package
deb=$(ls -t "$build"/tarnelo_*.deb | head -n 1)
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
dpkg-deb --field "$deb" Depends | sed 's/^/Depends: /'

# The entry and the metadata as installed (the entry then names the installed program).
dpkg-deb -x "$deb" "$work/tree"
desktop-file-validate "$work/tree/usr/share/applications/tarnelo.desktop"
appstreamcli validate --no-net "$work/tree/usr/share/metainfo/"*.metainfo.xml

echo "lintian:"
lintian -I --tag-display-limit 0 "$deb" | tee "$work/lintian.txt" || true
explained=$(grep -v '^#' "$root/packaging/lintian-tags.txt" | awk 'NF { print $1 }')
unexplained=0
while read -r tag; do
  if ! grep -qxF "$tag" <<<"$explained"; then
    echo "lintian tag not explained in packaging/lintian-tags.txt: $tag" >&2
    unexplained=1
  fi
done < <(awk -F': ' '/^[EWIXP]: /{ split($3, t, " "); print t[1] }' "$work/lintian.txt" | sort -u)
[ $unexplained -eq 0 ]

if dpkg-query -W -f='${Status}' tarnelo 2>/dev/null | grep -q "install ok installed"; then
  echo "tarnelo is installed on this machine already: the install test is left out" >&2
  exit 0
fi
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
echo "install test:"
"${as_root[@]}" apt-get install -y -q "$deb" >"$work/apt.txt" 2>&1 || { cat "$work/apt.txt"; exit 1; }
dpkg-query -L tarnelo >"$work/files.txt"
trap '"${as_root[@]}" apt-get purge -y -q tarnelo >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

/usr/bin/tarnelo-cli --version
ffmpeg -v error -f lavfi -i "testsrc2=size=160x120:rate=10:duration=2" -f lavfi -i "color=gray:size=160x120:rate=10:duration=2" \
  -filter_complex "[1][0]concat=n=2:v=1[v]" -map "[v]" -pix_fmt yuv420p "$work/clip.mp4"
/usr/bin/tarnelo-cli extract "$work/clip.mp4" --no-cut 2>/dev/null | tail -n 2
[ -s "$work/clip.mp4.kpproj" ]

# The installed window, on a virtual display, until its main window (class "tarnelo") is viewable.
mkdir -p "$work/home"
HOME="$work/home" xvfb-run -a sh -c '
  /usr/bin/tarnelo >/dev/null 2>&1 & pid=$!
  for i in $(seq 1 100); do
    id=$(xwininfo -root -tree | awk "/\(\"tarnelo\" \"Tarnelo\"\)/ { print \$1; exit }")
    if [ -n "$id" ] && xwininfo -id "$id" | grep -q "Map State: IsViewable"; then
      echo "window: $(xwininfo -root -tree | grep -m 1 "^ *$id " | sed "s/^ *//")"
      kill $pid; wait $pid 2>/dev/null; exit 0
    fi
    kill -0 $pid 2>/dev/null || { echo "the program ended before its window showed" >&2; exit 1; }
    sleep 0.2
  done
  echo "no window in 20 s" >&2; kill $pid; exit 1'

"${as_root[@]}" apt-get purge -y -q tarnelo >/dev/null
left=0
while read -r path; do
  if [ -f "$path" ] || [ -L "$path" ]; then
    echo "left after removal: $path" >&2
    left=1
  fi
done <"$work/files.txt"
[ $left -eq 0 ]
! dpkg-query -W tarnelo >/dev/null 2>&1 || ! dpkg-query -W -f='${Status}' tarnelo | grep -q installed
echo "removed: $(wc -l <"$work/files.txt") paths of the package gone"
