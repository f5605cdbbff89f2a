#!/usr/bin/env bash
# Fails when an #include runs against the layers: the core (platform, log, project, engine) never sees Qt,
# the CLI, the desktop program's services (app) or its windows (ui); app never sees ui; within ui the shared
# parts never see the pages or the main window, and of the main window only the dialog that builds the pages
# names them. The front-ends include only the engine's public face, and only the project's scene list owns
# the lock of the scenes.
set -euo pipefail
cd "$(dirname "$0")/.."

core="platform log project engine"
allowed_for() {
    case "$1" in
        platform) echo "platform" ;;
        log) echo "log platform" ;;
        project) echo "project log platform" ;;
        engine) echo "engine project log platform" ;;
        cli) echo "cli $core" ;;
        app) echo "app $core" ;;
        ui/common) echo "ui/common app $core" ;;
        ui/preview | ui/lists) echo "$1 ui/common app $core" ;;
        ui/scene | ui/merge) echo "$1 ui/preview ui/lists ui/common app $core" ;;
        ui/main) echo "ui/main ui/common app $core" ;;
        *) echo "" ;;
    esac
}

# The engine headers a front-end (app, ui, cli) may include; the rest are the job steps' own.
engine_face="engine/TarneloProcess.h engine/jobs/JobTables.h engine/jobs/AppMessages.h engine/jobs/MessageSink.h
engine/tools/PumpWait.h engine/scenes/SceneRules.h engine/motion/MotionRecord.h engine/motion/MotionSummary.h
engine/motion/ProjectMotion.h engine/merge/ConvertMerge.h engine/merge/SceneMerge.h engine/render/AutoCorrection.h
engine/export/Exports.h engine/export/SceneReport.h"

status=0
report() {
    echo "$1: $2" >&2
    status=1
}

while IFS= read -r file; do
    rel=${file#src/}
    layer=${rel%%/*}
    [ "$layer" = ui ] && layer=$(echo "$rel" | cut -d/ -f1-2)
    allowed=$(allowed_for "$layer")
    [ -n "$allowed" ] || { report "$file" "is in no known layer"; continue; }
    is_core=0
    case " $core " in *" $layer "*) is_core=1 ;; esac
    while IFS= read -r line; do
        [[ $line =~ include[[:space:]]*[\"\<]([^\"\>]+) ]] || continue
        target=${BASH_REMATCH[1]}
        if [[ $line == *'<'* ]]; then
            # Qt headers are named Q...; the core links no Qt.
            if [ $is_core -eq 1 ] && [[ $target =~ ^Q[A-Za-z]+(/|$) ]]; then
                report "$file" "includes <$target>, but the core is free of Qt"
            fi
            continue
        fi
        case "$target" in
            ../* | */../*)
                report "$file" "includes \"$target\" by a relative path"
                continue
                ;;
            TarneloVersion.h) continue ;;
            */*) ;;
            *)
                report "$file" "includes \"$target\" without its layer folder"
                continue
                ;;
        esac
        ok=0
        for a in $allowed; do
            [[ $target == "$a"/* ]] && ok=1
        done
        # The main dialog builds the two pages; nothing else in the main window names them.
        if [ "$layer" = ui/main ] && [[ $target == ui/scene/* || $target == ui/merge/* ]]; then
            [ "$rel" = ui/main/TarneloDlg.cpp ] && ok=1
        fi
        [ $ok -eq 1 ] || report "$file" "includes \"$target\", which is above or beside its layer ($layer)"
        if [ $is_core -eq 0 ] && [[ $target == engine/* ]] && [[ " $(echo $engine_face) " != *" $target "* ]]; then
            report "$file" "includes \"$target\", which is not part of the engine's public face"
        fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find src -name '*.h' -o -name '*.cpp' | sort)

# No two files include each other, through their headers or their sources (a header and its source count
# as one file here).
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
while IFS= read -r file; do
    unit=${file#src/}
    unit=${unit%.*}
    { grep -hoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+"' "$file" || true; } | sed -E 's/.*"([^"]+)".*/\1/' |
        while IFS= read -r target; do
            target=${target%.*}
            [ "$target" = "$unit" ] || echo "$unit $target"
        done
done < <(find src -name '*.h' -o -name '*.cpp') | sort -u >"$edges"
while read -r a b; do
    report "src/$a.*" "and src/$b.* include each other"
done < <(awk '{ print $2 " " $1 }' "$edges" | sort -u | comm -12 "$edges" - | awk '$1 < $2')

# The scenes are edited through the project's scene list only: nobody else names a lock for them, and the
# windows do not reach into the project's list field.
while IFS= read -r hit; do
    report "${hit%%:*}" "names a lock of the scene list outside src/project"
done < <(grep -rlE 'ListMutex|listMutex' src --include='*.h' --include='*.cpp' | grep -v '^src/project/' || true)
while IFS= read -r hit; do
    report "${hit%%:*}" "reaches into diff_list; the windows use the project's Scenes()"
done < <(grep -rl 'diff_list' src/ui src/app --include='*.h' --include='*.cpp' || true)

[ $status -eq 0 ] && echo "include directions: ok"
exit $status
