// The recording's clock: the dates a camera puts in file names and ffprobe's creation_time, the ISO text the
// project stores and the report prints, and the caption placeholders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "project/ClockTime.h"

namespace {

// File names and zone-less times are local: fixed zones, one with summer time, make the expected texts exact.
constexpr const char* kTokyo = "JST-9";
constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

class ClockTimeTest : public ::testing::Test {
protected:
    void SetUp() override { UseZone(kTokyo); }
    void TearDown() override {
        unsetenv("TZ");
        tzset();
    }
    static void UseZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
};

std::string FromName(const std::string& name) {
    RecordingClock clock;
    return ClockFromFileName(name, clock) ? ClockText(clock, 0) : "none";
}

std::string FromTag(const std::string& tag) {
    RecordingClock clock;
    return ClockFromCreationTime(tag, clock) ? ClockText(clock, 0) : "none";
}

TEST_F(ClockTimeTest, DatesInFileNames) {
    const struct {
        const char* name;
        const char* expected;
    } cases[] = {
        {"20240131_142530.mp4", "2024-01-31T14:25:30.000+09:00"},
        {"/media/cam/2024-01-31 14-25-30.mkv", "2024-01-31T14:25:30.000+09:00"},
        {"2024-01-31T14:25:30.mp4", "2024-01-31T14:25:30.000+09:00"},
        {"2024-01-31 14.25.30.mov", "2024-01-31T14:25:30.000+09:00"},
        {"IMG_20240131_142530.mp4", "2024-01-31T14:25:30.000+09:00"},
        {"VID_20240131_142530_1.mp4", "2024-01-31T14:25:30.000+09:00"},
        {"front20240131142530.avi", "2024-01-31T14:25:30.000+09:00"},
        {"20240229_000000.mp4", "2024-02-29T00:00:00.000+09:00"},
        // The same time twice is still one time.
        {"2024-01-31 14-25-30 (20240131_142530).mp4", "2024-01-31T14:25:30.000+09:00"},
        // Looks like a date, is none.
        {"20241331_142530.mp4", "none"},
        {"20230229_101010.mp4", "none"},
        {"20240230_120000.mp4", "none"},
        {"20240131_252530.mp4", "none"},
        {"2024-01-31 14-60-30.mp4", "none"},
        {"19040101_000000.mp4", "none"},
        // Part of a longer run of digits, mixed separators, or two different times: ambiguous.
        {"120240131_142530.mp4", "none"},
        {"PXL_20240131_142530123.mp4", "none"},
        {"202401311425301.mp4", "none"},
        {"2024-01-31 14-25:30.mp4", "none"},
        {"20240131_142530 20240201_101010.mp4", "none"},
        // No time at all.
        {"holiday.mp4", "none"},
        {"IMG_0001.MOV", "none"},
        {"2024-01-31.mp4", "none"},
        {"/2024-01-31 14-25-30/clip.mp4", "none"},
    };
    for (const auto& c : cases) EXPECT_EQ(FromName(c.name), c.expected) << c.name;
}

TEST_F(ClockTimeTest, FileNamesTakeTheLocalOffsetOfTheirDate) {
    UseZone(kBerlin);
    EXPECT_EQ(FromName("20240115_120000.mp4"), "2024-01-15T12:00:00.000+01:00");
    EXPECT_EQ(FromName("20240715_120000.mp4"), "2024-07-15T12:00:00.000+02:00");
}

TEST_F(ClockTimeTest, CreationTimeForms) {
    const struct {
        const char* tag;
        const char* expected;
    } cases[] = {
        {"2024-01-31T14:25:30.000000Z", "2024-01-31T14:25:30.000+00:00"},
        {"2024-01-31 14:25:30.480000Z", "2024-01-31T14:25:30.480+00:00"},
        {"2024-01-31T14:25:30+09:00", "2024-01-31T14:25:30.000+09:00"},
        {"2024-01-31T14:25:30.123456-05:30", "2024-01-31T14:25:30.123-05:30"},
        {"2024-01-31T14:25:30+0900", "2024-01-31T14:25:30.000+09:00"},
        {" 2024-01-31T14:25:30Z\n", "2024-01-31T14:25:30.000+00:00"},
        // Without a zone: the camera's wall clock.
        {"2024-01-31 14:25:30", "2024-01-31T14:25:30.000+09:00"},
        {"", "none"},
        {"N/A", "none"},
        {"2024-13-01T00:00:00Z", "none"},
        {"2024-02-30T00:00:00Z", "none"},
        {"2024-01-31T24:00:00Z", "none"},
        {"2024-01-31T14:25:30+25:00", "none"},
        {"2024-01-31T14:25:30Z junk", "none"},
        {"2024-01-31", "none"},
        // A clock that was never set.
        {"1970-01-01T00:00:00.000000Z", "none"},
        {"1904-01-01T00:00:00.000000Z", "none"},
    };
    for (const auto& c : cases) EXPECT_EQ(FromTag(c.tag), c.expected) << c.tag;

    RecordingClock tokyo;
    RecordingClock utc;
    ASSERT_TRUE(ClockFromCreationTime("2024-01-31T14:25:30+09:00", tokyo));
    ASSERT_TRUE(ClockFromCreationTime("2024-01-31T05:25:30Z", utc));
    EXPECT_EQ(tokyo.utcMillis, 1706678730000);
    EXPECT_EQ(utc.utcMillis, tokyo.utcMillis);
}

TEST_F(ClockTimeTest, TheMetadataComesBeforeTheFileName) {
    EXPECT_EQ(ClockText(DetectRecordingClock("2024-05-01T08:00:00Z", "/v/20240131_142530.mp4"), 0),
              "2024-05-01T08:00:00.000+00:00");
    EXPECT_EQ(ClockText(DetectRecordingClock("1970-01-01T00:00:00Z", "/v/20240131_142530.mp4"), 0),
              "2024-01-31T14:25:30.000+09:00");
    EXPECT_FALSE(DetectRecordingClock("", "/v/clip.mp4").known);
}

TEST_F(ClockTimeTest, TimesAfterTheStartAndTheStoredText) {
    RecordingClock clock;
    ASSERT_TRUE(ParseClockText("2024-12-31T23:59:59.500+09:00", clock));
    const struct {
        double seconds;
        const char* expected;
    } cases[] = {
        {0, "2024-12-31T23:59:59.500+09:00"},
        {0.6, "2025-01-01T00:00:00.100+09:00"},
        {-60.5, "2024-12-31T23:58:59.000+09:00"},
        {86400 * 60.0, "2025-03-01T23:59:59.500+09:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(ClockText(clock, c.seconds), c.expected) << c.seconds;
    EXPECT_EQ(ClockText(RecordingClock{}, 12), "");

    for (const char* text :
         {"2024-01-31T14:25:31.480+09:00", "2024-01-31T05:25:31.001-05:45", "2000-02-29T00:00:00.000+00:00"}) {
        RecordingClock read;
        ASSERT_TRUE(ParseClockText(text, read)) << text;
        EXPECT_EQ(ClockText(read, 0), text);
    }
    for (const char* text : {"", "2024-01-31 14:25:30", "yesterday", "2024-01-31T14:25:30.000+09:00x"}) {
        RecordingClock untouched = clock;
        EXPECT_FALSE(ParseClockText(text, untouched)) << text;
        EXPECT_EQ(untouched, clock);
    }
}

TEST_F(ClockTimeTest, CaptionPlaceholders) {
    RecordingClock clock;
    ASSERT_TRUE(ParseClockText("2024-01-31T14:25:30.000+09:00", clock));
    const RecordingClock none;
    const struct {
        const char* caption;
        const RecordingClock& clock;
        double seconds;
        const char* expected;
    } cases[] = {
        {"{date}", clock, 1.48, "2024-01-31"},
        {"{time}", clock, 1.48, "14:25:31"},
        {"{datetime}", clock, 1.48, "2024-01-31 14:25:31"},
        {"{\\fad(500,500)}Gate {time}\\N{date}", clock, 3600, "{\\fad(500,500)}Gate 15:25:30\\N2024-01-31"},
        {"{Date} {date {{date}}", clock, 0, "{Date} {date {2024-01-31}"},
        {"Scene001", clock, 5, "Scene001"},
        // Without a clock: the offset into the recording, never the braces.
        {"{time}", none, 65.2, "00:01:05.20"},
        {"at {date} {datetime}", none, 0, "at 00:00:00.00 00:00:00.00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExpandClockPlaceholders(c.caption, c.clock, c.seconds), c.expected) << c.caption;
    }
}

}  // namespace
