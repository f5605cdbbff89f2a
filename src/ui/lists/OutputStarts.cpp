#include "ui/lists/OutputStarts.h"

#include <algorithm>
#include <cmath>

std::vector<int> SceneOutputStarts(const std::vector<SceneEntry>& list, bool transition, double transitionSeconds,
                                   double fps) {
    const int full = transition ? static_cast<int>(std::lround(transitionSeconds * fps)) : 0;
    const int half = transition ? static_cast<int>(std::lround(transitionSeconds * 0.5 * fps)) : 0;
    const size_t count = list.size();
    std::vector<int> starts(count, -1);
    long long output = 0;
    for (size_t i = 0; i < count; ++i) {
        const SceneEntry& scene = list[i];
        if (!scene.enable) continue;
        starts[i] = static_cast<int>(output);
        // A start lies in the middle of the cross-fade into its scene: the first scene lends half a fade to
        // the next, every later one a whole. A scene shorter than the fade can not be merged at all (the
        // merge refuses it), so it adds nothing here instead of moving later starts back.
        const bool edge = i == 0 || i + 1 == count;
        output += std::max(0, scene.FrameCount() - (edge ? half : full));
    }
    return starts;
}
