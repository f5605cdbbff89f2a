#include "engine/motion/MotionSummary.h"

#include <algorithm>

#include "engine/motion/MotionRecord.h"

namespace {

// [first, last] within the counts; first > last when nothing of it is there.
void Clamp(const std::vector<uint32_t>& counts, int& first, int& last) {
    first = std::max(first, 0);
    last = static_cast<int>(std::min<int64_t>(last, static_cast<int64_t>(counts.size()) - 1));
}

uint32_t Measured(uint32_t count) { return count == MotionRecord::kAlwaysMotion ? 0 : count; }

}  // namespace

std::optional<MotionPeak> PeakOfRange(const std::vector<uint32_t>& counts, int first, int last) {
    Clamp(counts, first, last);
    std::optional<MotionPeak> peak;
    for (int frame = first; frame <= last; ++frame) {
        const uint32_t count = counts[static_cast<size_t>(frame)];
        if (count == MotionRecord::kAlwaysMotion) continue;
        if (!peak || count > peak->count) peak = MotionPeak{frame, count};
    }
    return peak;
}

std::vector<uint32_t> ColumnMaxima(const std::vector<uint32_t>& counts, int first, int last, int columns) {
    Clamp(counts, first, last);
    if (first > last || columns <= 0) return {};
    const int64_t frames = int64_t{last} - first + 1;
    const int64_t width = std::min<int64_t>(columns, frames);
    std::vector<uint32_t> maxima(static_cast<size_t>(width), 0);
    for (int64_t k = 0; k < frames; ++k) {
        uint32_t& column = maxima[static_cast<size_t>(k * width / frames)];
        column = std::max(column, Measured(counts[static_cast<size_t>(first + k)]));
    }
    return maxima;
}
