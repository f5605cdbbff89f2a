#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/motion/ChangedPixels.h"

namespace {

using Frame = std::vector<uint8_t>;

// The rule written as plainly as possible: whole 32-byte blocks from the start,
// stop after a block once the count reaches T, never look at the tail.
int32_t ReferenceCount(const uint8_t* a, const uint8_t* b, std::size_t n, int T) {
    int32_t count = 0;
    for (std::size_t start = 0; start + 32 <= n; start += 32) {
        for (std::size_t j = start; j < start + 32; ++j) {
            if (std::abs(int(a[j]) - int(b[j])) > 30) ++count;
        }
        if (count >= T) break;
    }
    return count;
}

Frame Filled(std::size_t n, uint8_t value) { return Frame(n, value); }

Frame RandomFrame(std::mt19937& rng, std::size_t n) {
    Frame frame(n);
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& v : frame) v = uint8_t(byte(rng));
    return frame;
}

// A frame near `base`, most pixels moved by an amount around the limit, so counts
// depend on getting 30 / 31 and the direction of the difference right.
Frame Jittered(std::mt19937& rng, const Frame& base, int maxDelta) {
    Frame frame(base);
    std::uniform_int_distribution<int> delta(-maxDelta, maxDelta);
    for (auto& v : frame) v = uint8_t(std::clamp(int(v) + delta(rng), 0, 255));
    return frame;
}

TEST(ChangedPixelsSizes, AnalysisDimensionIsOneEighthRoundedHalfAway) {
    const struct {
        int size, expected;
    } cases[] = {{1920, 240}, {1080, 135}, {3840, 480}, {2160, 270}, {1280, 160}, {720, 90}, {1366, 171},
                 {4, 1},      {3, 0},      {1, 0},      {0, 0},      {12, 2},     {20, 3},   {-4, -1}};
    for (const auto& c : cases) EXPECT_EQ(AnalysisDimension(c.size), c.expected) << c.size;
}

TEST(ChangedPixelsSizes, ScaledThresholdRoundsHalfAwayWithoutOverflow) {
    const int fullHd = 240 * 135;
    const int uhd = 480 * 270;
    const struct {
        int frameSize, t, expected;
    } cases[] = {
        {fullHd, 100, 2},
        {fullHd, 1000, 16},
        {fullHd, 10000, 156},
        {fullHd, 100000, 1563},
        {fullHd, 0, 0},
        {fullHd, 200, 3},
        {uhd, 100, 6},
        {uhd, 200, 13},
        {uhd, 1000, 63},
        {uhd, 10000, 625},
        {uhd, 100000, 6250},
        {2073600, 100000, 100000},
        {2073600 * 8, 100000, 800000},
        {0, 100000, 0},
        {1, 1036799, 0},
        {1, 1036800, 1},
        {1, -1036800, -1},
        {INT_MAX, INT_MAX, INT_MAX},
    };
    for (const auto& c : cases) EXPECT_EQ(ScaledThreshold(c.frameSize, c.t), c.expected) << c.frameSize << " " << c.t;
}

TEST(ChangedPixelsKernels, BestKernelIsAvailableAndNamed) {
    EXPECT_TRUE(PixelKernelAvailable(BestPixelKernel()));
    EXPECT_TRUE(PixelKernelAvailable(PixelKernel::Portable));
    EXPECT_STREQ(PixelKernelName(PixelKernel::Avx2), "avx2");
}

class KernelTest : public ::testing::TestWithParam<PixelKernel> {
protected:
    void SetUp() override {
        if (!PixelKernelAvailable(GetParam())) GTEST_SKIP() << PixelKernelName(GetParam()) << " not on this CPU";
    }
    PixelKernel kernel() const { return GetParam(); }
    // Frame 0 of a fresh run with `before`, then `after` as frame 1.
    int32_t CountPair(const Frame& before, const Frame& after, int w, int h, int T) {
        ChangedPixelCounter counter;
        EXPECT_EQ(counter.Count(before.data(), w, h, 0, T, kernel()), T);
        return counter.Count(after.data(), w, h, 1, T, kernel());
    }
};

TEST_P(KernelTest, MatchesReferenceOnRandomFramesOfManySizes) {
    std::mt19937 rng(1234);
    const std::size_t sizes[] = {0, 1, 16, 31, 32, 33, 63, 64, 65, 95, 96, 127, 1000, 4096, 160 * 90, 240 * 135};
    for (std::size_t n : sizes) {
        for (int maxDelta : {0, 31, 40, 255}) {
            // One byte of offset: the engine's buffers carry no alignment promise.
            Frame a(n + 1), b(n + 1);
            const Frame base = RandomFrame(rng, n);
            const Frame moved = maxDelta == 255 ? RandomFrame(rng, n) : Jittered(rng, base, maxDelta);
            std::copy(base.begin(), base.end(), a.begin() + 1);
            std::copy(moved.begin(), moved.end(), b.begin() + 1);
            const int32_t total = ReferenceCount(a.data() + 1, b.data() + 1, n, INT_MAX);
            // Every T from below 0 to beyond the total, so each possible stopping block is hit
            // (sampled on the large frames, where a full sweep would take seconds).
            const int step = n > 4096 ? 97 : 1;
            for (int T = -1; T <= total + 33; T += step) {
                ASSERT_EQ(CountChangedBlocks(a.data() + 1, b.data() + 1, n, T, kernel()),
                          ReferenceCount(a.data() + 1, b.data() + 1, n, T))
                    << "n=" << n << " maxDelta=" << maxDelta << " T=" << T;
            }
            EXPECT_EQ(CountChangedBlocks(a.data() + 1, b.data() + 1, n, INT_MAX, kernel()), total);
        }
    }
}

TEST_P(KernelTest, KernelsAgreeWithEachOther) {
    std::mt19937 rng(99);
    const std::size_t n = 240 * 135;
    for (int round = 0; round < 20; ++round) {
        const Frame a = RandomFrame(rng, n);
        const Frame b = Jittered(rng, a, 20 + round * 3);
        EXPECT_EQ(CountChangedBlocks(a.data(), b.data(), n, INT_MAX, kernel()),
                  CountChangedBlocks(a.data(), b.data(), n, INT_MAX, PixelKernel::Portable));
    }
}

TEST_P(KernelTest, FrameZeroYieldsTWhateverCameBefore) {
    const int w = 240, h = 135;
    ChangedPixelCounter counter;
    const Frame black = Filled(w * h, 0), white = Filled(w * h, 255);
    EXPECT_EQ(counter.Count(black.data(), w, h, 0, 156, kernel()), 156);
    EXPECT_EQ(counter.Count(white.data(), w, h, 1, INT_MAX, kernel()), 32 * 1012);
    // A new run over the buffer the last one left: frame 0 counts as motion for any T.
    for (int T : {0, 1, 156, 1563, -7}) {
        EXPECT_EQ(counter.Count(black.data(), w, h, 0, T, kernel()), T);
        EXPECT_TRUE(counter.HasPreviousFrame());
    }
    // Frame 0 became the previous frame.
    EXPECT_EQ(counter.Count(black.data(), w, h, 1, INT_MAX, kernel()), 0);
}

TEST_P(KernelTest, SizeChangeInvalidatesThePreviousFrame) {
    ChangedPixelCounter counter;
    const Frame small = Filled(160 * 90, 0), large = Filled(240 * 135, 200), largeBlack = Filled(240 * 135, 0);
    counter.Count(small.data(), 160, 90, 0, 10, kernel());
    // Not frame 0, but the buffer held a frame of another size: nothing to compare with.
    EXPECT_EQ(counter.Count(large.data(), 240, 135, 5, 10, kernel()), 10);
    EXPECT_EQ(counter.PreviousFrameSize(), std::size_t(240 * 135));
    EXPECT_EQ(counter.Count(largeBlack.data(), 240, 135, 6, INT_MAX, kernel()), 32 * 1012);
    // Same byte count in another shape keeps the previous frame.
    EXPECT_EQ(counter.Count(largeBlack.data(), 135, 240, 7, INT_MAX, kernel()), 0);
}

TEST_P(KernelTest, ChangeOnlyInTheTailYieldsZero) {
    const int w = 240, h = 135;  // 32,400 bytes: 16 after the last whole block
    Frame after = Filled(w * h, 0);
    for (int j = 1012 * 32; j < w * h; ++j) after[j] = 255;
    EXPECT_EQ(CountPair(Filled(w * h, 0), after, w, h, 0), 0);
    EXPECT_EQ(CountPair(Filled(w * h, 0), after, w, h, INT_MAX), 0);
    // A frame smaller than one block is never examined.
    EXPECT_EQ(CountPair(Filled(31, 0), Filled(31, 255), 31, 1, 1), 0);
    // The last whole block is examined.
    after[1011 * 32 + 31] = 255;
    EXPECT_EQ(CountPair(Filled(w * h, 0), after, w, h, INT_MAX), 1);
}

TEST_P(KernelTest, DifferencesAtTheLimit) {
    const int w = 240, h = 135, n = w * h;
    const struct {
        uint8_t before, after;
        int32_t expected;
    } cases[] = {
        {77, 77, 0},        {100, 130, 0},      {130, 100, 0},   {0, 30, 0},       {255, 225, 0},
        {100, 131, n - 16}, {131, 100, n - 16}, {0, 31, n - 16}, {0, 255, n - 16}, {255, 0, n - 16},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CountPair(Filled(n, c.before), Filled(n, c.after), w, h, INT_MAX), c.expected)
            << int(c.before) << " -> " << int(c.after);
    }
}

TEST_P(KernelTest, SinglePixelFromBlackToWhiteCounts) {
    const int w = 64, h = 2;
    for (int pos : {0, 31, 32, 100, 127}) {
        Frame after = Filled(w * h, 0);
        after[pos] = 255;
        EXPECT_EQ(CountPair(Filled(w * h, 0), after, w, h, INT_MAX), 1) << pos;
        EXPECT_EQ(CountPair(after, Filled(w * h, 0), w, h, INT_MAX), 1) << pos;
    }
}

TEST_P(KernelTest, EarlyStopExaminesTheFirstBlocksThatReachT) {
    const int w = 240, h = 135;
    const Frame before = Filled(w * h, 10), after = Filled(w * h, 41);  // 31 apart everywhere
    const int wholeBlocks = 1012;
    const struct {
        int T, blocks;
    } cases[] = {
        // At least one block is examined, since the test follows each block.
        {-5, 1},
        {0, 1},
        {1, 1},
        {32, 1},
        {33, 2},
        {64, 2},
        {65, 3},
        {156, 5},
        {1563, 49},
        {32 * wholeBlocks, wholeBlocks},
        {32 * wholeBlocks + 1, wholeBlocks},
        {INT_MAX, wholeBlocks},
    };
    for (const auto& c : cases) EXPECT_EQ(CountPair(before, after, w, h, c.T), 32 * c.blocks) << "T=" << c.T;
}

TEST_P(KernelTest, ThresholdZeroMakesEveryFrameMotion) {
    const int w = 240, h = 135;
    ChangedPixelCounter counter;
    const Frame still = Filled(w * h, 50);
    const int T = ScaledThreshold(w * h, 0);
    ASSERT_EQ(T, 0);
    for (int index = 0; index < 5; ++index) EXPECT_GE(counter.Count(still.data(), w, h, index, T, kernel()), T);
}

TEST_P(KernelTest, EmptyFrameIsHarmless) {
    ChangedPixelCounter counter;
    EXPECT_EQ(counter.Count(nullptr, 0, 135, 0, 3, kernel()), 3);
    EXPECT_EQ(counter.Count(nullptr, 240, 0, 1, 3, kernel()), 0);
    EXPECT_EQ(counter.Count(nullptr, -4, 10, 2, 3, kernel()), 0);
}

INSTANTIATE_TEST_SUITE_P(AllKernels, KernelTest,
                         ::testing::Values(PixelKernel::Portable, PixelKernel::Sse2, PixelKernel::Avx2),
                         [](const ::testing::TestParamInfo<PixelKernel>& info) {
                             return std::string(PixelKernelName(info.param));
                         });

// Frame k lights its first 2k pixels, so a count of 2d says the reference was d frames earlier.
TEST(ChangedPixelsCompare, EachFrameMeetsTheFrameItsDistanceBackAndFrameZeroBeforeThat) {
    const int w = 32, h = 2, T = 1000;
    auto frameOf = [&](int k) {
        Frame frame(w * h, 0);
        std::fill(frame.begin(), frame.begin() + 2 * k, uint8_t{255});
        return frame;
    };
    const struct {
        int distance;
        std::vector<int32_t> counts;  // frames 0..7
    } cases[] = {
        {1, {T, 2, 2, 2, 2, 2, 2, 2}},
        {3, {T, 2, 4, 6, 6, 6, 6, 6}},
        {8, {T, 2, 4, 6, 8, 10, 12, 14}},
    };
    for (const auto& c : cases) {
        ChangedPixelCounter counter;
        counter.SetCompareDistance(c.distance);
        for (int run = 0; run < 2; ++run) {  // the second run starts over at its frame 0
            for (int k = 0; k < 8; ++k) {
                const Frame frame = frameOf(k);
                EXPECT_EQ(counter.Count(frame.data(), w, h, k, T), c.counts[size_t(k)])
                    << "distance " << c.distance << " run " << run << " frame " << k;
            }
        }
        // Another distance has no frames of its own yet: the next frame starts a run.
        counter.SetCompareDistance(c.distance + 1);
        EXPECT_EQ(counter.Count(frameOf(3).data(), w, h, 8, T), T) << c.distance;
    }
}

TEST(ChangedPixelsCompare, SecondsBecomeFramesBackAtTheRate) {
    EXPECT_EQ(CompareFrameDistance(0, 25), 1);
    EXPECT_EQ(CompareFrameDistance(0.5, 25), 13);  // 12.5 rounds up
    EXPECT_EQ(CompareFrameDistance(0.5, 30000.0 / 1001), 15);
    EXPECT_EQ(CompareFrameDistance(0.01, 25), 1);  // never the frame itself
    EXPECT_EQ(CompareFrameDistance(std::nan(""), 25), 1);
}

TEST(ChangedPixelsCounter, EachCounterKeepsItsOwnFrames) {
    // Two extractions at once (the files of a batch) each count against their own previous frame.
    const int w = 32, h = 4;
    const Frame a = Filled(w * h, 0), b = Filled(w * h, 100);
    ChangedPixelCounter first, second;
    EXPECT_EQ(first.Count(a.data(), w, h, 0, 2), 2);
    EXPECT_EQ(second.Count(b.data(), w, h, 0, 2), 2);
    EXPECT_EQ(first.Count(a.data(), w, h, 1, INT_MAX), 0);
    EXPECT_EQ(second.Count(b.data(), w, h, 1, INT_MAX), 0);
    EXPECT_EQ(first.Count(b.data(), w, h, 2, INT_MAX), w * h);
    EXPECT_EQ(second.Count(a.data(), w, h, 2, INT_MAX), w * h);
}

}  // namespace
