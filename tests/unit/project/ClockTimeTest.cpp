// The recording's clock: the dates a camera puts in file names and ffprobe's creation_time, the ISO text the
// project stores and the report prints, and the caption placeholders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "project/ClockTime.h"

namespace {

// File names and zone-less times are local: fixed zones, one with summer time, make the expected texts exact.
void UseZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
}

class ClockTimeTest : public ::testing::Test {
protected:
    void SetUp() override { UseZone("JST-9"); }
    void TearDown() override {
        unsetenv("TZ");
        tzset();
    }
};

constexpr const char* kNamed = "2024-01-31T14:25:30.000+09:00";

TEST_F(ClockTimeTest, DatesInFileNamesAndCreationTimes) {
    const struct {
        bool fileName;  // else a creation_time
        const char* text;
        const char* expected;
    } cases[] = {
        {true, "20240131_142530.mp4", kNamed},
        {true, "/media/cam/2024-01-31 14-25-30.mkv", kNamed},
        {true, "2024-01-31T14:25:30.mp4", kNamed},
        {true, "2024-01-31 14.25.30.mov", kNamed},
        {true, "IMG_20240131_142530.mp4", kNamed},
        {true, "VID_20240131_142530_1.mp4", kNamed},
        {true, "front20240131142530.avi", kNamed},
        {true, "2024-01-31 14-25-30 (20240131_142530).mp4", kNamed},  // the same time twice
        {true, "20240229_000000.mp4", "2024-02-29T00:00:00.000+09:00"},
        // Looks like a date and is none; runs on into more digits; mixed separators; two times; no time.
        {true, "20241331_142530.mp4", "none"},
        {true, "20230229_101010.mp4", "none"},
        {true, "20240230_120000.mp4", "none"},
        {true, "20240131_252530.mp4", "none"},
        {true, "19040101_000000.mp4", "none"},
        {true, "120240131_142530.mp4", "none"},
        {true, "PXL_20240131_142530123.mp4", "none"},
        {true, "2024-01-31 14-25:30.mp4", "none"},
        {true, "20240131_142530 20240201_101010.mp4", "none"},
        {true, "2024-01-31.mp4", "none"},
        {true, "/2024-01-31 14-25-30/clip.mp4", "none"},
        {false, "2024-01-31T14:25:30.000000Z", "2024-01-31T14:25:30.000+00:00"},
        {false, "2024-01-31 14:25:30.480000Z", "2024-01-31T14:25:30.480+00:00"},
        {false, "2024-01-31T14:25:30+09:00", kNamed},
        {false, "2024-01-31T14:25:30.123456-05:30", "2024-01-31T14:25:30.123-05:30"},
        {false, " 2024-01-31T14:25:30+0900\n", kNamed},
        {false, "2024-01-31 14:25:30", kNamed},  // without a zone: the camera's wall clock
        {false, "", "none"},
        {false, "N/A", "none"},
        {false, "2024-02-30T00:00:00Z", "none"},
        {false, "2024-01-31T24:00:00Z", "none"},
        {false, "2024-01-31T14:25:30+25:00", "none"},
        {false, "2024-01-31T14:25:30Z junk", "none"},
        {false, "1970-01-01T00:00:00.000000Z", "none"},  // a clock never set
        {false, "1904-01-01T00:00:00.000000Z", "none"},
    };
    for (const auto& c : cases) {
        RecordingClock clock;
        const bool found = c.fileName ? ClockFromFileName(c.text, clock) : ClockFromCreationTime(c.text, clock);
        EXPECT_EQ(found ? ClockText(clock, 0) : "none", c.expected) << c.text;
    }

    // The creation time comes first; one never set leaves the file name's.
    EXPECT_EQ(DetectRecordingClock("2024-01-31T05:25:30Z", "/v/2023-01-01 10-00-00.mp4").utcMillis, 1706678730000);
    EXPECT_EQ(ClockText(DetectRecordingClock("1970-01-01T00:00:00Z", "/v/20240131_142530.mp4"), 0), kNamed);
    EXPECT_FALSE(DetectRecordingClock("", "/v/clip.mp4").known);

    UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(ClockText(DetectRecordingClock("", "20240115_120000.mp4"), 0), "2024-01-15T12:00:00.000+01:00");
    EXPECT_EQ(ClockText(DetectRecordingClock("", "20240715_120000.mp4"), 0), "2024-07-15T12:00:00.000+02:00");
}

TEST_F(ClockTimeTest, TimesAfterTheStartAndTheStoredText) {
    RecordingClock clock;
    ASSERT_TRUE(ParseClockText("2024-12-31T23:59:59.500+09:00", clock));
    EXPECT_EQ(ClockText(clock, 0.6), "2025-01-01T00:00:00.100+09:00");
    EXPECT_EQ(ClockText(clock, -60.5), "2024-12-31T23:58:59.000+09:00");
    EXPECT_EQ(ClockText(clock, 86400 * 60.0), "2025-03-01T23:59:59.500+09:00");
    EXPECT_EQ(ClockText(RecordingClock{}, 12), "");

    for (const char* text : {"", "2024-01-31 14:25:30", "2024-01-31T14:25:30.000+09:00x"}) {
        RecordingClock untouched = clock;
        EXPECT_FALSE(ParseClockText(text, untouched)) << text;
        EXPECT_EQ(untouched, clock);
    }
}

TEST_F(ClockTimeTest, CaptionPlaceholders) {
    RecordingClock clock;
    ASSERT_TRUE(ParseClockText(kNamed, clock));
    const RecordingClock none;
    const struct {
        const char* caption;
        const RecordingClock& clock;
        double seconds;
        const char* expected;
    } cases[] = {
        {"{date}|{time}|{datetime}", clock, 1.48, "2024-01-31|14:25:31|2024-01-31 14:25:31"},
        {"{\\fad(500,500)}Gate {time}\\N{date}", clock, 3600, "{\\fad(500,500)}Gate 15:25:30\\N2024-01-31"},
        {"{Date} {date {{date}}", clock, 0, "{Date} {date {2024-01-31}"},
        {"Scene001", clock, 5, "Scene001"},
        // Without a clock: the offset into the recording, never the braces.
        {"{time}|{date}|{datetime}", none, 65.2, "00:01:05.20|00:01:05.20|00:01:05.20"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExpandClockPlaceholders(c.caption, c.clock, c.seconds), c.expected) << c.caption;
    }
}

}  // namespace
