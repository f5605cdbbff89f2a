// The peak of a frame range and the column maxima a chart or a timeline draws from a motion record.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

#include "engine/motion/MotionRecord.h"
#include "engine/motion/MotionSummary.h"

namespace {

constexpr uint32_t kAlways = MotionRecord::kAlwaysMotion;

TEST(MotionSummaryTest, PeakIsTheEarliestHighestMeasuredFrameOfTheClampedRange) {
    //                                 0        1  2  3  4  5  6  7        8  9
    const std::vector<uint32_t> counts = {kAlways, 4, 9, 2, 9, 0, 7, kAlways, 3, 9};
    const struct {
        int first;
        int last;
        std::optional<MotionPeak> peak;
    } cases[] = {
        {0, 9, MotionPeak{2, 9}},  // ties: the earliest; the unmeasured frames are above every count
        {3, 9, MotionPeak{4, 9}},   {5, 8, MotionPeak{6, 7}},  // a frame that holds kAlwaysMotion is not its peak
        {0, 0, std::nullopt},                                  // only an unmeasured frame
        {7, 7, std::nullopt},       {5, 5, MotionPeak{5, 0}},  // a still frame is measured: its peak is 0
        {-20, 1, MotionPeak{1, 4}},                            // clamped at the start
        {8, 500, MotionPeak{9, 9}},                            // and at the end
        {10, 20, std::nullopt},                                // wholly past the counts
        {-5, -1, std::nullopt},     {6, 3, std::nullopt},      // reversed
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PeakOfRange(counts, c.first, c.last), c.peak) << c.first << ".." << c.last;
    }
    EXPECT_EQ(PeakOfRange({}, 0, 10), std::nullopt);
}

TEST(MotionSummaryTest, ColumnMaximaKeepASingleSpikeOfALongRecordAtEveryWidth) {
    // Three hours at 10 fps with one frame of motion; kAlwaysMotion at the start draws as nothing.
    std::vector<uint32_t> counts(108000, 0);
    counts[0] = kAlways;
    for (const int spike : {1, 54321, 107999}) {
        counts[static_cast<size_t>(spike)] = 777;
        for (const int columns : {300, 299, 1, 1132, 107999}) {
            const std::vector<uint32_t> maxima = ColumnMaxima(counts, 0, 107999, columns);
            ASSERT_EQ(maxima.size(), static_cast<size_t>(columns));
            EXPECT_EQ(std::count(maxima.begin(), maxima.end(), 777u), 1) << spike << " in " << columns;
            EXPECT_EQ(std::count(maxima.begin(), maxima.end(), 0u), columns - 1) << spike << " in " << columns;
            // The column of the spike is the one its share of the width falls in.
            EXPECT_EQ(maxima[static_cast<size_t>(int64_t{spike} * columns / 108000)], 777u);
        }
        counts[static_cast<size_t>(spike)] = 0;
    }
}

TEST(MotionSummaryTest, EveryFrameFallsInExactlyOneColumn) {
    // Counts that are their own frame number: each column's maximum is its last frame, so the maxima tell
    // where every column ends, and consecutive columns must meet without a gap or an overlap.
    std::vector<uint32_t> counts(108000);
    for (size_t k = 0; k < counts.size(); ++k) counts[k] = static_cast<uint32_t>(k);
    for (const auto& [first, last, columns] :
         {std::tuple{0, 107999, 300}, std::tuple{1000, 1999, 7}, std::tuple{17, 107000, 1133}, std::tuple{5, 5, 300}}) {
        const std::vector<uint32_t> maxima = ColumnMaxima(counts, first, last, columns);
        const int frames = last - first + 1;
        ASSERT_EQ(maxima.size(), static_cast<size_t>(std::min(frames, columns)));
        EXPECT_EQ(maxima.back(), static_cast<uint32_t>(last));
        int64_t previous = first - 1;
        for (const uint32_t end : maxima) {
            EXPECT_GT(end, previous);  // no empty column
            // Columns share the frames evenly: none is more than one frame longer than another.
            EXPECT_LE(end - previous, frames / std::min(frames, columns) + 1);
            previous = end;
        }
    }
}

TEST(MotionSummaryTest, ColumnMaximaOfFewFramesEmptyAndClampedRanges) {
    const std::vector<uint32_t> counts = {kAlways, 5, 0, 8, 3};
    // Fewer frames than columns: one value per frame, the unmeasured frame as 0.
    EXPECT_EQ(ColumnMaxima(counts, 0, 4, 300), (std::vector<uint32_t>{0, 5, 0, 8, 3}));
    EXPECT_EQ(ColumnMaxima(counts, 0, 4, 2), (std::vector<uint32_t>{5, 8}));  // frames 0-2 and 3-4
    EXPECT_EQ(ColumnMaxima(counts, -10, 99, 5), (std::vector<uint32_t>{0, 5, 0, 8, 3}));
    EXPECT_EQ(ColumnMaxima(counts, 3, 99, 1), (std::vector<uint32_t>{8}));
    EXPECT_TRUE(ColumnMaxima(counts, 5, 9, 10).empty());
    EXPECT_TRUE(ColumnMaxima(counts, 3, 2, 10).empty());
    EXPECT_TRUE(ColumnMaxima(counts, 0, 4, 0).empty());
    EXPECT_TRUE(ColumnMaxima(counts, 0, 4, -3).empty());
    EXPECT_TRUE(ColumnMaxima({}, 0, 0, 10).empty());
}

}  // namespace
