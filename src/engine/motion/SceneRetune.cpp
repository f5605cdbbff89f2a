#include <map>
#include <utility>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/motion/ProjectMotion.h"
#include "project/TarneloData.h"

int JobContext::ReplaceSceneRanges(const std::vector<SceneRange>& ranges, double fps) {
    CTarneloData& data = *m_data;
    int kept = 0;
    // A scene that keeps its range keeps what the user gave it: its switch, its caption, its cut file.
    auto rebuild = [&](std::vector<SceneEntry>& scenes) {
        std::map<SceneRange, SceneEntry> previous;
        for (SceneEntry& entry : scenes) {
            previous.emplace(SceneRange(entry.framNo_first, entry.framNo_second), std::move(entry));
        }
        std::vector<SceneEntry> list;
        list.reserve(ranges.size());
        for (const SceneRange& range : ranges) {
            const std::string caption = FormatC("Scene%03d", static_cast<int>(list.size()) + 1);
            if (auto found = previous.find(range); found != previous.end()) {
                SceneEntry entry = std::move(found->second);
                previous.erase(found);
                if (IsNumberedSceneCaption(entry.capParam.caption)) entry.capParam.caption = caption;
                list.push_back(std::move(entry));
                ++kept;
                continue;
            }
            list.push_back(DetectedScene(data, range, static_cast<int>(list.size()) + 1, fps));
        }
        scenes = std::move(list);
        return static_cast<int>(scenes.size()) - 1;
    };
    if (ranges.empty()) {
        InstallDefaultSceneList();
    } else {
        data.list_idx = data.diff_list.Rebuild(rebuild, SceneEditBy::kJob);
    }
    return kept;
}
