#include "ui/lists/OutputStarts.h"

#include <algorithm>
#include <cmath>

std::vector<int> ListOutputStarts(const std::vector<OutputRow>& rows, bool transition, double transitionSeconds,
                                  double fps) {
    const int full = transition ? static_cast<int>(std::lround(transitionSeconds * fps)) : 0;
    const int half = transition ? static_cast<int>(std::lround(transitionSeconds * 0.5 * fps)) : 0;
    const size_t count = rows.size();
    std::vector<int> starts(count, -1);
    long long output = 0;
    for (size_t i = 0; i < count; ++i) {
        const OutputRow& row = rows[i];
        if (!row.merged) continue;
        starts[i] = static_cast<int>(output);
        // A start lies in the middle of the cross-fade into its row: the first row lends half a fade to the
        // next, every later one a whole. A row shorter than the fade can not be merged at all (the merge
        // refuses it), so it adds nothing here instead of moving later starts back.
        const bool edge = i == 0 || i + 1 == count;
        output += std::max(0, row.frames - (edge ? half : full));
    }
    return starts;
}

std::vector<int> SceneOutputStarts(const std::vector<SceneEntry>& list, bool transition, double transitionSeconds,
                                   double fps) {
    std::vector<OutputRow> rows;
    rows.reserve(list.size());
    for (const SceneEntry& scene : list) rows.push_back({scene.enable, scene.FrameCount()});
    return ListOutputStarts(rows, transition, transitionSeconds, fps);
}

std::vector<int> MergeOutputStarts(const std::vector<SceneEntry>& list, bool transition, double transitionSeconds,
                                   double outputFps) {
    std::vector<OutputRow> rows;
    rows.reserve(list.size());
    for (const SceneEntry& video : list) {
        rows.push_back({video.enable && video.m_created, video.m_convertedInfo.frame_num});
    }
    return ListOutputStarts(rows, transition, transitionSeconds, outputFps);
}
