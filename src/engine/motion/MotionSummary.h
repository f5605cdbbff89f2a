#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// Summaries of a motion record's per-frame counts (MotionRecord::counts) for reports and drawings. A count of
// MotionRecord::kAlwaysMotion marks a frame that was not measured (the first frame of a run): it is never a
// peak and draws as 0. Ranges are frame numbers, inclusive, clamped to the counts present.

struct MotionPeak {
    int frame = 0;
    uint32_t count = 0;
    bool operator==(const MotionPeak&) const = default;
};

// The frame of [first, last] with the highest measured count, the earliest of equal ones; none when the
// range holds no measured frame.
std::optional<MotionPeak> PeakOfRange(const std::vector<uint32_t>& counts, int first, int last);

// The counts of [first, last] reduced to `columns` values, each the maximum of the frames that fall in it, so
// that a single frame of motion still shows at any width. The frames are split into columns of equal share
// (frame k of the range falls in column k * columns / frames), every frame in exactly one column. A range of
// no more frames than columns gives one value per frame; an empty range or no columns gives none.
std::vector<uint32_t> ColumnMaxima(const std::vector<uint32_t>& counts, int first, int last, int columns);
