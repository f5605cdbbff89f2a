#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "project/FrameClock.h"
#include "project/TarneloData.h"

namespace {

std::shared_ptr<const std::vector<double>> Times(std::vector<double> times) {
    return std::make_shared<const std::vector<double>>(std::move(times));
}

// A list as one made from a rate holds it: every time through "%.6f".
std::vector<double> ListedAtRate(int frames, double fps, double origin = 0) {
    std::vector<double> times;
    for (int i = 0; i <= frames; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "%.6f", origin + i / fps);
        times.push_back(std::stod(text));
    }
    return times;
}

}  // namespace

// A plain clock divides exactly as the code it replaced, so nothing that rounds a length moves; a timed one (half
// at 25 fps, half at 12.5, the first frame 1.075 s after the container's start) reads its list and counts on
// at the rate past it.
TEST(FrameClockTest, PlainAndTimedClocks) {
    const double ntsc = 30000.0 / 1001;
    EXPECT_FALSE(FrameClock(ntsc).Timed());
    EXPECT_FALSE(FrameClock(25, Times({})).Timed());
    EXPECT_EQ(FrameClock(ntsc).Span(10, 12), 3 / ntsc);
    EXPECT_EQ(FrameClock(ntsc).FrameAt(3.003), 90);
    EXPECT_EQ(FrameClock(0).Seconds(10), 0);

    const FrameClock clock(25, Times({1.075, 1.115, 1.155, 1.235, 1.315}));
    ASSERT_TRUE(clock.Timed());
    const struct {
        int frame;
        double seconds;
    } times[] = {{0, 1.075}, {2, 1.155}, {4, 1.315}, {5, 1.355}, {7, 1.435}, {-1, 1.035}};
    for (const auto& t : times) EXPECT_NEAR(clock.Seconds(t.frame), t.seconds, 1e-9) << t.frame;
    EXPECT_NEAR(clock.Span(2, 3), 0.16, 1e-9);
    // The frame shown at a time: the nearest listed one, frame 0 before the late start.
    const struct {
        double seconds;
        int frame;
    } frames[] = {{0.0, 0}, {1.094, 0}, {1.096, 1}, {1.19, 2}, {1.20, 3}, {1.355, 5}, {1.42, 7}};
    for (const auto& f : frames) EXPECT_EQ(clock.FrameAt(f.seconds), f.frame) << f.seconds;
}

TEST(FrameClockTest, OnlyAConstantRateFromZeroIsPlain) {
    const struct {
        const char* what;
        std::vector<double> times;
        double fps;
        bool plain;
    } cases[] = {
        {"empty", {}, 25, true},
        {"29.97 rounded to microseconds", ListedAtRate(5000, 30000.0 / 1001), 30000.0 / 1001, true},
        {"late start", ListedAtRate(100, 25, 1.075), 25, false},
        {"one frame held longer", {0, 0.04, 0.12, 0.16}, 25, false},
        {"no rate", {0}, 0, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsPlainFrameTimes(c.times, c.fps), c.plain) << c.what;
}

TEST(FrameClockTest, ProjectTimesOnlyTheWorkingInputWhenItsListIsIrregular) {
    CTarneloData data;
    data.input_file = "/v/in.mkv";
    data.input_mp4_file = "/out/in_input_ch.mp4";
    data.m_sourceInfo.fps = 25;
    data.m_currentInfo.fps = 25;

    data.SetPtsList(ListedAtRate(10, 25));
    EXPECT_FALSE(data.HasTimedFrames());

    data.SetPtsList({0, 0.04, 0.12, 0.2});
    EXPECT_TRUE(data.HasTimedFrames());
    EXPECT_NEAR(data.SourceClock().Seconds(3), 0.2, 1e-9);
    EXPECT_TRUE(data.ClockOf("/out/in_input_ch.mp4", 25).Timed());
    EXPECT_FALSE(data.ClockOf("/v/in.mkv", 25).Timed());  // the user's file is not the one the list times
    EXPECT_FALSE(data.ClockOf("/out/other.mp4", 25).Timed());
    // A scene's cut keeps its frames' times, counted from its first frame.
    data.diff_list.Append(SceneEntry(1, 2, "/out/in_seg_1_2.mp4"));
    const FrameClock cut = data.ClockOf("/out/in_seg_1_2.mp4", 25);
    ASSERT_TRUE(cut.Timed());
    EXPECT_NEAR(cut.Seconds(2), 0.16, 1e-9);
    // A copy of the project shares the list; a reset drops it.
    const CTarneloData copy = data;
    EXPECT_TRUE(copy.HasTimedFrames());
    data.ResetAll(false);
    EXPECT_FALSE(data.HasTimedFrames());
    EXPECT_TRUE(copy.HasTimedFrames());
}
