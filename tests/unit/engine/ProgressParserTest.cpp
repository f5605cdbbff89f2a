#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "engine/tools/ProgressParser.h"

namespace {

std::vector<int> Values(const std::vector<ProgressParser::Report>& reports) {
    std::vector<int> v;
    for (const auto& r : reports) v.push_back(r.value);
    return v;
}

TEST(ProgressParserTest, EncodingReadsFrameCounterWhateverTheSpacing) {
    ProgressParser parser(false);
    const std::string text =
        "frame=    1 fps=0.0 q=0.0 size=       0kB\r"
        "frame=12 fps= 24 q=28.0 size=      12kB\r"
        "frame=  \t 13 fps= 25 q=28.0\r";
    EXPECT_EQ(Values(parser.Feed(text)), (std::vector<int>{1, 12, 13}));
}

TEST(ProgressParserTest, SameFrameTwiceIsReportedOnce) {
    ProgressParser parser(false);
    EXPECT_EQ(Values(parser.Feed("frame=  5 fps=1\rframe=  5 fps=1\rframe=  6 fps=1\r")), (std::vector<int>{5, 6}));
    EXPECT_TRUE(parser.Feed("frame=  6 fps=2\r").empty());
    EXPECT_EQ(parser.LastValue(), 6);
}

TEST(ProgressParserTest, StatusLineSplitAcrossChunksIsReadWhole) {
    ProgressParser parser(false);
    EXPECT_TRUE(parser.Feed("noise\nframe=  12").empty());
    EXPECT_EQ(Values(parser.Feed("3 fps=30 q=1\r")), (std::vector<int>{123}));
}

TEST(ProgressParserTest, FrameWithoutFpsOnTheSameLineIsNotAStatusLine) {
    ProgressParser parser(false);
    EXPECT_TRUE(parser.Feed("frame=7\nfps=3\n").empty());
}

// The lines a long tag of the video prints: many starts that have no end on their line, then real ones.
TEST(ProgressParserTest, LongLinesOfFalseStartsStillGiveTheStatusAfterThem) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "frame=1 ";
    text += "\nframe=  42 fps=3\rframe=1 frame=2 fps=1\r";
    ProgressParser encoding(false);
    EXPECT_EQ(Values(encoding.Feed(text)), (std::vector<int>{42, 1}));  // the leftmost start of a line wins

    text.clear();
    for (int i = 0; i < 20000; ++i) text += "[Parsed_showinfo_0 @ 0x1] pts_time:x ";
    text += "\n[Parsed_showinfo_0 @ 0x1] n:0 pts_time:1. pts_time:2.000000\n";
    ProgressParser playback(true, 25, 0);
    const auto reports = playback.Feed(text);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].secondsText, "2.000000");
    EXPECT_EQ(reports[0].value, 50);
}

TEST(ProgressParserTest, WhatMayCrossALineEnd) {
    // Blanks after "frame=" may, the rest of a status line may not.
    ProgressParser encoding(false);
    EXPECT_EQ(Values(encoding.Feed("frame=\n 8 fps=1\r")), (std::vector<int>{8}));
    EXPECT_TRUE(encoding.Feed("frame=9 q=1\rfps=1\n").empty());
    // The filter's tag runs to its first ']' over any line; the time follows on the line of that ']'.
    ProgressParser playback(true, 10, 0);
    EXPECT_EQ(Values(playback.Feed("[Parsed_showinfo_0 @\n0x1] pts_time:0.5\n")), (std::vector<int>{5}));
    EXPECT_TRUE(playback.Feed("[Parsed_showinfo_0 @ 0x1]\npts_time:0.7\n").empty());
    EXPECT_EQ(Values(playback.Feed("[Parsed_showinfo_0 [x] pts_time:0.9\n")), (std::vector<int>{9}));
}

TEST(ProgressParserTest, TextWindowStaysBounded) {
    ProgressParser parser(false);
    const std::string junk(4095, 'x');
    for (int i = 0; i < 50; ++i) {
        parser.Feed(junk);
        EXPECT_LE(parser.WindowSize(), ProgressParser::kWindowLimit);
    }
    // A status line still arrives intact after the window was cut back.
    EXPECT_EQ(Values(parser.Feed("\rframe=  99 fps=1\r")), (std::vector<int>{99}));
}

TEST(ProgressParserTest, PlaybackRoundsHalfAwayAndSubtractsStartFrame) {
    struct Case {
        const char* seconds;
        double fps;
        int startFrame;
        int expected;
    };
    const Case cases[] = {
        {"1.000000", 30, 0, 30},    {"0.016667", 30, 0, 1},  // 0.50001 rounds up
        {"0.050000", 10, 0, 1},                              // exactly 0.5 rounds away from zero
        {"1.001000", 29.97, 1, 29}, {"0.080000", 25, 1, 1},
    };
    for (const Case& c : cases) {
        ProgressParser parser(true, c.fps, c.startFrame);
        const std::string line =
            std::string("[Parsed_showinfo_1 @ 0x55] n:  0 pts:  0 pts_time:") + c.seconds + " duration:1\n";
        auto reports = parser.Feed(line);
        ASSERT_EQ(reports.size(), 1u) << c.seconds;
        EXPECT_EQ(reports[0].value, c.expected) << c.seconds;
        EXPECT_EQ(reports[0].secondsText, c.seconds);
    }
}

TEST(ProgressParserTest, PlaybackTimeBeyondAnyFrameSaturates) {
    ProgressParser parser(true, 25, 3);
    auto reports = parser.Feed("[Parsed_showinfo_0 @ 0x1] n:0 pts_time:99999999999.500000\n");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].value, INT_MAX);
    EXPECT_EQ(ComputePlaybackPosition(reports[0], 50, 25).frame, 49);
    reports = parser.Feed("[Parsed_showinfo_0 @ 0x1] n:1 pts_time:" + std::string(400, '9') + ".0\n");
    ASSERT_EQ(reports.size(), 0u);  // infinite: the same saturated frame, not reported twice
    EXPECT_EQ(parser.LastValue(), INT_MAX);
}

TEST(ProgressParserTest, PlaybackIgnoresOtherFiltersLines) {
    ProgressParser parser(true, 25, 0);
    EXPECT_TRUE(parser.Feed("[Parsed_scale_0 @ 0x1] pts_time:3.000000\n").empty());
    EXPECT_EQ(parser.Feed("[Parsed_showinfo_2 @ 0x1] n:1 pts_time:0.040000\n").size(), 1u);
}

TEST(ProgressParserTest, PlaybackPositionUsesPrintedTimeUntilTheLastFrame) {
    ProgressParser::Report r;
    r.value = 10;
    r.secondsText = "0.400000";
    PlaybackPosition p = ComputePlaybackPosition(r, 50, 25);
    EXPECT_EQ(p.frame, 10);
    EXPECT_EQ(p.timeText, "0.400000");

    // At (or beyond) the last frame the time is computed from the clamped frame.
    r.value = 60;
    r.secondsText = "2.400033";
    p = ComputePlaybackPosition(r, 50, 25);
    EXPECT_EQ(p.frame, 49);
    EXPECT_EQ(p.timeText, "1.960000");

    p = ComputePlaybackPosition(r, 50, 0);
    EXPECT_EQ(p.timeText, "0.000000");
}

// A player's printed time on a file of listed frame times names the nearest listed frame; at the end the
// time is the last frame's own.
TEST(ProgressParserTest, PlaybackOfListedFrameTimes) {
    const FrameClock clock(
        25, std::make_shared<const std::vector<double>>(std::vector<double>{1.075, 1.115, 1.155, 1.235, 1.315, 1.395}));
    ProgressParser parser(true, clock, 27);  // the start frame no longer shifts listed times
    const struct {
        const char* seconds;
        int frame;
    } cases[] = {{"1.075000", 0}, {"1.155", 2}, {"1.235000", 3}, {"1.316", 4}};
    for (const auto& c : cases) {
        const auto reports =
            parser.Feed(std::string("[Parsed_showinfo_1 @ 0x55] n:  0 pts:  0 pts_time:") + c.seconds + " d:1\n");
        ASSERT_EQ(reports.size(), 1u) << c.seconds;
        EXPECT_EQ(reports[0].value, c.frame) << c.seconds;
    }
    ProgressParser::Report r;
    r.value = 9;
    EXPECT_EQ(ComputePlaybackPosition(r, 5, clock).timeText, "1.315000");
}

}  // namespace
