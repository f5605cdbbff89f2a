#!/usr/bin/env bash
# Kills a program that is saving, at random moments, and checks what it leaves: the project file (saved
# through ProjectSession), the motion record (WriteMotionRecord) and the desktop program's settings
# (CTarneloApp::SaveSettings, in a build with the desktop program). test-helpers/save_loop saves one of them
# in a loop, alternating a short and a long version; after each SIGKILL the file must be byte for byte one
# of the two versions, read back through the program's own reader, and no temporary file of an earlier,
# dead writer may still lie beside it (the next save clears those); the temporary files QSettings leaves,
# which nothing reads, are only counted.
#   tests/stress/kill_save.sh [KILLS]     KILLS per kind of file (default 1000)
#   tests/stress/kill_save.sh --short     or TARNELO_STRESS_SHORT=1: 40 kills per kind, for CI
# The kills come 0..MAX_US microseconds (TARNELO_KILL_MAX_US, default 6000) after the first save of each
# run is done, so most land inside a write. Exit status 0 only when nothing was found; the last line gives
# the figures.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TARNELO_BUILD_DIR:-$root/build}
helper=$build/test-helpers/save_loop
kills=1000
[ -n "${TARNELO_STRESS_SHORT:-}" ] && kills=40
case "${1:-}" in
  --short) kills=40 ;;
  '') ;;
  *) [[ $1 =~ ^[1-9][0-9]*$ ]] || { echo "KILLS must be a positive number" >&2; exit 2; }; kills=$1 ;;
esac
max_us=${TARNELO_KILL_MAX_US:-6000}
[ -x "$helper" ] || { echo "build the test helpers first: cmake --build $build --target save_loop" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnelo-kill-save.XXXXXX")
trap 'rm -rf "$work"' EXIT
total_kills=0 checked=0 faults=0 leftovers=0 mid_write=0
declare -A qt_leftovers=()
fault() {
  faults=$((faults + 1))
  echo "FAULT ($kind, kill $i): $*" >&2
}

run_kind() {
  kind=$1
  local dir target refs name
  case $kind in
    project) dir=$work/project; target=$dir/p.kpproj ;;
    motion) dir=$work/motion; target=$dir/p.kpmotion ;;
    settings)
      export XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/runtime
      mkdir -p -m 700 "$XDG_RUNTIME_DIR"
      dir=$XDG_CONFIG_HOME/Hexlow-Works; target=$dir/Tarnelo.conf ;;
  esac
  refs=$work/refs-$kind
  mkdir -p "$dir" "$refs"
  local status=0
  timeout 60 "$helper" refs "$kind" "$target" "$refs" 2>"$work/refs.err" || status=$?
  if [ "$status" = 2 ] && [ "$kind" = settings ]; then
    echo "kill_save: settings skipped (this build has no desktop program)" >&2
    return
  fi
  [ "$status" = 0 ] || { i=0; fault "the two versions could not be written: $(cat "$work/refs.err")"; return; }
  name=$(basename "$target")
  for ((i = 1; i <= kills; i++)); do
    exec 3< <(exec "$helper" loop "$kind" "$target" 2>>"$work/loop.err")
    local pid=$! line=
    read -r -t 20 line <&3
    if [ "$line" != ready ]; then
      fault "the save loop did not start: $(tail -3 "$work/loop.err")"
      kill -9 "$pid" 2>/dev/null
      exec 3<&-
      return
    fi
    local us=$(((RANDOM * 32768 + RANDOM) % (max_us + 1)))
    sleep "$(printf '0.%06d' "$us")"
    kill -9 "$pid" 2>/dev/null
    exec 3<&-
    wait "$pid" 2>/dev/null
    total_kills=$((total_kills + 1))

    checked=$((checked + 1))
    if [ ! -f "$target" ]; then
      fault "$name is gone"
    elif ! cmp -s "$target" "$refs/a" && ! cmp -s "$target" "$refs/b"; then
      fault "$name is neither version ($(stat -c %s "$target") bytes)"
      cp "$target" "${TMPDIR:-/tmp}/tarnelo-kill-save-$kind-$i.bad" && echo "  kept as ${TMPDIR:-/tmp}/tarnelo-kill-save-$kind-$i.bad" >&2
    elif ! timeout 60 "$helper" check "$kind" "$target" 2>/dev/null; then
      fault "$name does not load"
    fi
    # What else lies beside the file: the temporaries of this run may (it was killed inside a write), those
    # of any earlier run must be gone, cleared by the save that followed. QSettings' lock file of a dead
    # writer is taken over by the next writer.
    local other
    while IFS= read -r other; do
      [ -n "$other" ] || continue
      case $other in
        "$name.lock") ;;
        ".$name.$pid."*.tmp) mid_write=$((mid_write + 1)) ;;
        # QSettings writes through QSaveFile, whose temporary file a kill leaves; nothing reads it.
        "$name".??????) [ "$kind" = settings ] && qt_leftovers[$other]=1 ;;&
        "$name".??????) [ "$kind" = settings ] || { leftovers=$((leftovers + 1)); fault "left beside $name: $other"; } ;;
        *) leftovers=$((leftovers + 1)); fault "left beside $name: $other" ;;
      esac
    done < <(find "$dir" -mindepth 1 -maxdepth 1 -printf '%f\n' | grep -vxF "$name")
  done
}

for kind in ${TARNELO_KILL_KINDS:-project motion settings}; do run_kind "$kind"; done
echo "kill_save: kills=$total_kills files_checked=$checked killed_inside_write=$mid_write stale_temporaries=$leftovers settings_temporaries_left=${#qt_leftovers[@]} faults=$faults"
[ "$faults" = 0 ]
