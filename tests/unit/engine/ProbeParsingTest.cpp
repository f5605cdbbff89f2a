#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/probe/ProbeParsing.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"

namespace {

using Json = nlohmann::json;

// A video stream as ffprobe reports a plain 25 fps clip; cases change single members.
Json VideoStream() {
    return Json{{"index", 0},
                {"codec_type", "video"},
                {"width", 160},
                {"height", 90},
                {"sample_aspect_ratio", "1:1"},
                {"field_order", "progressive"},
                {"r_frame_rate", "25/1"},
                {"avg_frame_rate", "25/1"},
                {"start_time", "0.000000"},
                {"nb_frames", "50"}};
}

std::string Report(const Json& streams) { return Json{{"format", Json::object()}, {"streams", streams}}.dump(); }

VideoInfo Parse(const Json& stream, bool* missing = nullptr) {
    VideoInfo info;
    bool frameCountMissing = false;
    EXPECT_EQ(ParseVideoInfoJson(Report(Json::array({stream})), info, frameCountMissing), 0) << stream.dump();
    if (missing) *missing = frameCountMissing;
    return info;
}

VideoInfo Garbage() {
    VideoInfo info;
    info.r_frame_rate = "7/1";
    info.fps = 7;
    info.frame_num = 7;
    info.width = info.height = 7;
    info.rotation = 7;
    info.start_frame = 7;
    info.field_order = "tt";
    info.sar_num = info.sar_den = 7;
    info.has_audio = true;
    return info;
}

void ExpectDefaults(const VideoInfo& info, const std::string& what) {
    EXPECT_EQ(info.r_frame_rate, "") << what;
    EXPECT_EQ(info.fps, 0) << what;
    EXPECT_EQ(info.frame_num, 0) << what;
    EXPECT_EQ(info.width, 0) << what;
    EXPECT_EQ(info.height, 0) << what;
    EXPECT_EQ(info.rotation, 0) << what;
    EXPECT_EQ(info.start_frame, 0) << what;
    EXPECT_EQ(info.field_order, "") << what;
    EXPECT_EQ(info.sar_num, 1) << what;
    EXPECT_EQ(info.sar_den, 1) << what;
    EXPECT_FALSE(info.has_audio) << what;
}

std::vector<std::string> Texts(const std::vector<double>& times) {
    std::vector<std::string> texts;
    for (double t : times) texts.push_back(PtsText(t));
    return texts;
}

}  // namespace

TEST(ProbeCommandTest, EveryReportKindAndTheDecodeCommands) {
    const std::string full = "ffprobe -v quiet -print_format json -show_format -show_streams \"/v/a b.mp4\"";
    const std::string firstVideo =
        "ffprobe -v error -show_streams -select_streams v:0 -print_format json \"/v/a b.mp4\"";
    const struct {
        int kind;
        std::string command;
    } cases[] = {
        {1, full},
        {2, full},
        {3, "ffprobe -v quiet -print_format json -show_format \"/v/a b.mp4\""},
        {4, "ffprobe -v quiet -print_format json -select_streams v -show_streams \"/v/a b.mp4\""},
        {5, "ffprobe -v quiet -print_format json -select_streams a -show_streams \"/v/a b.mp4\""},
        {0, firstVideo},
        {6, firstVideo},
        {-1, firstVideo},
    };
    for (const auto& c : cases) EXPECT_EQ(ProbeCommand(c.kind, "/v/a b.mp4"), c.command) << c.kind;
    EXPECT_EQ(kVideoInfoReportKind, 1);

    EXPECT_EQ(PtsListCommand("/v/a.mp4"),
              "ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 \"/v/a.mp4\"");
    EXPECT_EQ(PacketTimesCommand("/v/say \"hi\".mp4"),
              "ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,flags -of csv=p=0 "
              "\"/v/say \\\"hi\\\".mp4\"");
    EXPECT_EQ(NbFrameCommand("ffmpeg -y ", "/v/a.mp4", 19, 11),
              "ffmpeg -y -loglevel quiet -blocksize 1048576 -i \"/v/a.mp4\" -vf \"scale=19:11\" -f rawvideo "
              "-pix_fmt gray -");
    EXPECT_EQ(NbFrameCommand("ffmpeg -y -hwaccel cuda ", "/v/a.mp4", 2, 1),
              "ffmpeg -y -hwaccel cuda -loglevel quiet -blocksize 1048576 -i \"/v/a.mp4\" -vf \"scale=2:1\" -f "
              "rawvideo -pix_fmt gray -");
}

TEST(ProbeCommandTest, PathsAreEscapedForTheirQuotes) {
    // A quote in a name must not end the argument; a trailing backslash must not swallow the closing quote.
    EXPECT_EQ(ProbeCommand(3, "/v/say \"hi\".mp4"),
              "ffprobe -v quiet -print_format json -show_format \"/v/say \\\"hi\\\".mp4\"");
    EXPECT_EQ(PtsListCommand("/v/dir\\"),
              "ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 \"/v/dir\\\\\"");
    EXPECT_EQ(
        NbFrameCommand("ffmpeg -y ", "a\"b", 1, 1),
        "ffmpeg -y -loglevel quiet -blocksize 1048576 -i \"a\\\"b\" -vf \"scale=1:1\" -f rawvideo -pix_fmt gray -");
    // A percent sign in a name is text, not a format directive.
    EXPECT_EQ(ProbeCommand(3, "/v/100%s.mp4"), "ffprobe -v quiet -print_format json -show_format \"/v/100%s.mp4\"");
}

TEST(ProbeParsingTest, DecodeSizeIsOneHundredthRoundedHalfAway) {
    const struct {
        int side, scaled;
    } cases[] = {{1920, 19}, {1080, 11}, {160, 2}, {90, 1}, {50, 1}, {49, 0}, {0, 0}, {-1, 0}, {-150, -2}};
    for (const auto& c : cases) EXPECT_EQ(NbFrameScaledSide(c.side), c.scaled) << c.side;
}

TEST(ProbeParsingTest, PlainClipGivesEveryValue) {
    Json audio{{"index", 1}, {"codec_type", "audio"}};
    VideoInfo info = Garbage();
    bool missing = true;
    ASSERT_EQ(ParseVideoInfoJson(Report(Json::array({VideoStream(), audio})), info, missing), 0);
    EXPECT_FALSE(missing);
    EXPECT_EQ(info.r_frame_rate, "25/1");
    EXPECT_EQ(info.fps, 25);
    EXPECT_EQ(info.frame_num, 50);
    EXPECT_EQ(info.width, 160);
    EXPECT_EQ(info.height, 90);
    EXPECT_EQ(info.rotation, 0);
    EXPECT_EQ(info.start_frame, 0);
    EXPECT_EQ(info.field_order, "progressive");
    EXPECT_EQ(info.sar_num, 1);
    EXPECT_EQ(info.sar_den, 1);
    EXPECT_TRUE(info.has_audio);
}

TEST(ProbeParsingTest, ReportsWithoutAVideoStreamFailAndKeepDefaults) {
    const Json audio{{"codec_type", "audio"}};
    const std::string cases[] = {
        "",
        "not json",
        "{\"streams\": [",
        "[1, 2]",
        "42",
        "\"streams\"",
        "{}",
        "{\"format\": {}}",
        "{\"streams\": []}",
        "{\"streams\": {}}",
        "{\"streams\": \"video\"}",
        Report(Json::array({audio})),
        Report(Json::array({1, "video", nullptr})),
        Report(Json::array({Json{{"codec_type", 1}}, Json{{"codec_name", "h264"}}})),
    };
    for (const std::string& text : cases) {
        VideoInfo info = Garbage();
        bool missing = true;
        EXPECT_EQ(ParseVideoInfoJson(text, info, missing), -1) << text;
        ExpectDefaults(info, text);
        EXPECT_FALSE(missing) << text;
    }
}

TEST(ProbeParsingTest, VideoStreamIsTheFirstOneAndAudioAnyOne) {
    Json second = VideoStream();
    second["width"] = 640;
    const Json audio{{"codec_type", "audio"}};
    const Json subtitle{{"codec_type", "subtitle"}};

    VideoInfo info;
    bool missing = false;
    ASSERT_EQ(ParseVideoInfoJson(Report(Json::array({audio, "junk", VideoStream(), second})), info, missing), 0);
    EXPECT_EQ(info.width, 160);
    EXPECT_TRUE(info.has_audio);

    ASSERT_EQ(ParseVideoInfoJson(Report(Json::array({subtitle, second})), info, missing), 0);
    EXPECT_EQ(info.width, 640);
    EXPECT_FALSE(info.has_audio);
}

TEST(ProbeParsingTest, FrameRateFallsBackToTheBaseRate) {
    const struct {
        const char* avg;  // nullptr: absent
        const char* base;
        std::string text;
        double fps;
    } cases[] = {
        {"0/0", "25/1", "25/1", 25},
        {"1000/1", "30/1", "30/1", 30},
        {"999/1", "30/1", "30/1", 30},    // 999 fps is above the 120 limit
        {"120/1", "60/1", "60/1", 60},    // 120.0 itself is rejected
        {"240/2", "60/1", "60/1", 60},    // so is any fraction worth 120
        {"119/1", "60/1", "119/1", 119},  // just below stays
        {"30000/1001", "60/1", "30000/1001", 30000.0 / 1001},
        {"25", "50/2", "50/2", 25},  // no slash
        {"", "24/1", "24/1", 24},
        {"0/1", "25/1", "25/1", 25},  // a zero rate is no rate
        {"-25/1", "25/1", "25/1", 25},
        {nullptr, "25/1", "25/1", 25},  // absent: "0/1"
        {"0/0", "0/0", "0/0", 0},       // zero denominator in the fallback leaves 0
        {"0/0", "25", "25", 0},         // no slash in the fallback leaves 0
        {"0/0", nullptr, "0/1", 0},
        {"0/0", "240/1", "240/1", 240},  // the fallback itself is not judged
        {"2997/100", "60/1", "2997/100", 29.97},
    };
    for (const auto& c : cases) {
        Json stream = VideoStream();
        stream.erase("avg_frame_rate");
        stream.erase("r_frame_rate");
        if (c.avg) stream["avg_frame_rate"] = c.avg;
        if (c.base) stream["r_frame_rate"] = c.base;
        const VideoInfo info = Parse(stream);
        EXPECT_EQ(info.r_frame_rate, c.text) << (c.avg ? c.avg : "(absent)");
        EXPECT_DOUBLE_EQ(info.fps, c.fps) << (c.avg ? c.avg : "(absent)");
    }
}

TEST(ProbeParsingTest, FrameCountFromEveryFormOfNbFrames) {
    const struct {
        Json value;  // null: key absent
        int frames;
        bool missing;
    } cases[] = {
        {"300", 300, false},
        {300, 300, false},
        {"N/A", 0, false},
        {"abc", 0, false},
        {"12abc", 12, false},
        {300.0, 0, false},
        {true, 0, false},
        {Json::array({1}), 0, false},
        {Json::object(), 0, false},
        {"-5", 0, false},
        {"99999999999", 2147483647, false},
        {nullptr, 0, true},
    };
    for (const auto& c : cases) {
        Json stream = VideoStream();
        stream.erase("nb_frames");
        if (!c.value.is_null()) stream["nb_frames"] = c.value;
        bool missing = !c.missing;
        const VideoInfo info = Parse(stream, &missing);
        EXPECT_EQ(info.frame_num, c.frames) << c.value.dump();
        EXPECT_EQ(missing, c.missing) << c.value.dump();
    }
}

// A damaged header's count that the file's own size or duration contradicts is counted again, not listed.
TEST(ProbeParsingTest, FrameCountTheFileCannotHoldIsCountedAgain) {
    const struct {
        const char* frames;
        const char* streamDuration;  // empty: absent
        const char* formatDuration;
        const char* formatSize;
        bool kept;
    } cases[] = {
        {"50", "2.000000", "2.000000", "20000", true},
        {"536871368", "15.015000", "15.015000", "8123456", false},  // flipped bits in a phone clip's header
        {"536871368", "", "15.015000", "", false},
        {"5000", "", "", "4000", false},      // more frames than bytes
        {"1500", "15.000000", "", "", true},  // 100 fps under a stated 25: a variable rate, not damage
        {"99999999", "", "", "", true},       // nothing to weigh it against
    };
    for (const auto& c : cases) {
        Json stream = VideoStream();
        stream["nb_frames"] = c.frames;
        if (*c.streamDuration) stream["duration"] = c.streamDuration;
        Json format = Json::object();
        if (*c.formatDuration) format["duration"] = c.formatDuration;
        if (*c.formatSize) format["size"] = c.formatSize;
        VideoInfo info;
        bool missing = false;
        const std::string report = Json{{"format", format}, {"streams", Json::array({stream})}}.dump();
        ASSERT_EQ(ParseVideoInfoJson(report, info, missing), 0);
        EXPECT_EQ(missing, !c.kept) << c.frames << " " << c.streamDuration << " " << c.formatSize;
        EXPECT_EQ(info.frame_num, c.kept ? std::atoi(c.frames) : 0) << c.frames;
    }
}

TEST(ProbeParsingTest, SizeAndStartFrame) {
    Json stream = VideoStream();
    stream.erase("width");
    stream.erase("height");
    VideoInfo info = Parse(stream);
    EXPECT_EQ(info.width, -1);
    EXPECT_EQ(info.height, -1);

    stream = VideoStream();
    stream["width"] = "160";  // not an integer
    EXPECT_EQ(Parse(stream).width, -1);

    // Sizes far beyond any integer, as a damaged report may give, are limited rather than converted.
    stream = VideoStream();
    stream["width"] = 1.9e28;
    stream["height"] = -1e19;
    info = Parse(stream);
    EXPECT_EQ(info.width, INT_MAX);
    EXPECT_EQ(info.height, INT_MIN);
    stream["width"] = 3e9;
    stream["height"] = 159.9;
    info = Parse(stream);
    EXPECT_EQ(info.width, INT_MAX);
    EXPECT_EQ(info.height, 159);

    const struct {
        const char* rate;
        Json start;  // null: absent
        int frame;
    } cases[] = {
        {"30000/1001", "0.033367", 1},
        {"25/1", "1.480000", 37},
        {"25/1", "0.019", 0},
        {"25/1", "0.02", 1},
        {"25/1", "N/A", 0},
        {"25/1", nullptr, 0},
        {"25/1", 2.0, 50},
        {"25/1", "junk", 0},
        {"0/0", "5.0", 0},  // no rate: no frames
    };
    for (const auto& c : cases) {
        stream = VideoStream();
        stream["avg_frame_rate"] = c.rate;
        stream["r_frame_rate"] = c.rate;
        stream.erase("start_time");
        if (!c.start.is_null()) stream["start_time"] = c.start;
        EXPECT_EQ(Parse(stream).start_frame, c.frame) << c.rate << " " << c.start.dump();
    }
}

TEST(ProbeParsingTest, RotationFromTheFirstSideDataThatHasOne) {
    const struct {
        Json list;  // null: absent
        int rotation;
    } cases[] = {
        {Json::array({Json{{"side_data_type", "CPB"}}, Json{{"side_data_type", "Display Matrix"}, {"rotation", -90}}}),
         -90},
        {Json::array({Json{{"rotation", 90}}, Json{{"rotation", 180}}}), 90},
        {Json::array({5, "x", Json{{"rotation", 180}}}), 180},
        {Json::array({Json{{"rotation", "90"}}, Json{{"rotation", 270}}}), 270},  // text is not a number
        {Json::array({Json{{"rotation", -90.0}}}), -90},
        {Json::array({Json{{"rotation", "90"}}}), 0},
        {Json::array(), 0},
        {Json{{"rotation", 90}}, 0},  // not an array
        {nullptr, 0},
    };
    for (const auto& c : cases) {
        Json stream = VideoStream();
        if (!c.list.is_null()) stream["side_data_list"] = c.list;
        EXPECT_EQ(Parse(stream).rotation, c.rotation) << c.list.dump();
    }
}

TEST(ProbeParsingTest, FieldOrderAndSampleAspectRatio) {
    const struct {
        Json order;
        std::string kept;
    } orders[] = {{"progressive", "progressive"}, {"tt", "tt"}, {"unknown", ""}, {"N/A", ""}, {nullptr, ""}, {3, ""}};
    for (const auto& c : orders) {
        Json stream = VideoStream();
        stream.erase("field_order");
        if (!c.order.is_null()) stream["field_order"] = c.order;
        EXPECT_EQ(Parse(stream).field_order, c.kept) << c.order.dump();
    }

    const struct {
        Json sar;
        int num, den;
    } ratios[] = {{"0:1", 0, 1},   {"16:11", 16, 11}, {"1:1", 1, 1}, {"N/A", 1, 1}, {"4/3", 1, 1},
                  {nullptr, 1, 1}, {":", 1, 1},       {"1:0", 1, 1}, {"4:-3", 1, 1}};  // no usable denominator
    for (const auto& c : ratios) {
        Json stream = VideoStream();
        stream.erase("sample_aspect_ratio");
        if (!c.sar.is_null()) stream["sample_aspect_ratio"] = c.sar;
        const VideoInfo info = Parse(stream);
        EXPECT_EQ(info.sar_num, c.num) << c.sar.dump();
        EXPECT_EQ(info.sar_den, c.den) << c.sar.dump();
    }
}

TEST(PtsLineSplitterTest, TimesRelativeToTheFirstFrameWhateverTheChunks) {
    const std::string listing = "1.480000\n 1.520000,\r\n\n1.560000,\n,\nN/A\n[error] broken\n1.600000\n1.64";
    const std::vector<std::string> expected = {"0.000000", "0.040000", "0.080000", "0.120000"};
    for (size_t chunk : {size_t(1), size_t(3), size_t(7), listing.size()}) {
        std::vector<std::string> texts;
        std::vector<double> times;
        PtsLineSplitter splitter(texts, times);
        for (size_t i = 0; i < listing.size(); i += chunk) {
            EXPECT_FALSE(splitter.Feed(std::string_view(listing).substr(i, chunk)));
        }
        EXPECT_EQ(texts, expected) << chunk;
        EXPECT_EQ(splitter.Pending(), "1.64");
        EXPECT_TRUE(splitter.Finish());
        EXPECT_FALSE(splitter.Finish());
        ASSERT_EQ(texts.size(), 5u);
        EXPECT_EQ(texts.back(), "0.160000");
        // The numbers are the values of the texts, so both lists agree exactly.
        EXPECT_EQ(Texts(times), texts);
        EXPECT_EQ(times[0], 0.0);
    }
}

// The stream's frame count, base rate and length decide whether the first frames' rate holds to the end; the
// container's start where the first frame sits.
TEST(ProbeParsingTest, WholeStreamTiming) {
    const struct {
        const char* what;
        Json base, duration, start, formatStart;  // null: absent
        int frames;
        bool constant;
        double offset;
    } cases[] = {
        {"25 fps", "25/1", "2.000000", "0.000000", "0.000000", 50, true, 0},
        {"within half a frame", "25/1", "2.019", "0", "0", 50, true, 0},
        {"late video, audio from 0", "25/1", "4.000000", "1.075000", "0.000000", 100, true, 1.075},
        {"half of it at 12.5 fps", "25/1", "34.520000", "0", "0", 576, false, 0},
        {"one frame held twice as long", "25/1", "2.04", "0", "0", 50, false, 0},
        {"no length proves nothing", "25/1", nullptr, "0.5", nullptr, 50, false, 0},
        {"no base rate: the average counts", "N/A", "2.0", "N/A", "N/A", 50, true, 0},
        {"a damaged header's length and start", "25/1", "1e12", "-0.5", "0", 50, false, 0},
    };
    for (const auto& c : cases) {
        Json stream = VideoStream();
        stream["r_frame_rate"] = c.base;
        stream["nb_frames"] = std::to_string(c.frames);
        stream["start_time"] = c.start;
        if (!c.duration.is_null()) stream["duration"] = c.duration;
        Json format = Json::object();
        if (!c.formatStart.is_null()) format["start_time"] = c.formatStart;
        VideoInfo info;
        bool missing = false;
        const std::string report = Json{{"format", format}, {"streams", Json::array({stream})}}.dump();
        ASSERT_EQ(ParseVideoInfoJson(report, info, missing), 0) << c.what;
        EXPECT_EQ(IsWholeFileConstantRate(info), c.constant) << c.what;
        EXPECT_NEAR(info.start_offset, c.offset, 1e-9) << c.what;
    }
}

TEST(ProbeParsingTest, CreationTimeOfTheContainerElseOfTheVideoStream) {
    const Json made = {{"creation_time", "2024-01-31T14:25:30.000000Z"}};
    const struct {
        Json formatTags, streamTags;
        const char* expected;
    } cases[] = {{made, {{"creation_time", "2020"}}, "2024-01-31T14:25:30.000000Z"},
                 {{{"encoder", "Lavf"}}, made, "2024-01-31T14:25:30.000000Z"},
                 {{{"creation_time", 5}}, "not tags", ""}};
    for (const auto& c : cases) {
        Json stream = VideoStream();
        stream["tags"] = c.streamTags;
        VideoInfo info;
        bool missing = false;
        const Json report = {{"format", {{"tags", c.formatTags}}}, {"streams", Json::array({stream})}};
        ASSERT_EQ(ParseVideoInfoJson(report.dump(), info, missing), 0);
        EXPECT_EQ(info.creation_time, c.expected);
    }
}

// A working copy takes the input's rate only when its frames come at that rate, give or take a container's
// millisecond rounding.
TEST(PtsListTest, SteadyRateDecision) {
    EXPECT_TRUE(IsSteadyFrameRate({0, 0.033, 0.067, 0.1, 0.133}, 30000.0 / 1001));
    EXPECT_TRUE(IsSteadyFrameRate({0, 0.04, 0.08}, 25));
    EXPECT_FALSE(IsSteadyFrameRate({0, 0.04, 0.08, 0.16, 0.24}, 16.67));
    EXPECT_FALSE(IsSteadyFrameRate({0, 0.0305, 0.061, 0.09}, 33.3));
    EXPECT_FALSE(IsSteadyFrameRate({0}, 25));
    EXPECT_FALSE(IsSteadyFrameRate({0, 0.04}, 0));
}

// Packets in decoding order (B-frames), an edit list's skipped frames flagged D, and lines that are no time.
TEST(PacketTimeCollectorTest, ShownFramesInPresentationOrderWhateverTheChunks) {
    const std::string listing =
        "-0.080000,KD\n-0.040000,_D\n1.075000,K_\n1.195000,__\n1.115000,__\n1.155000,__\nN/A,__\n\n"
        "[error] broken\n1.315000,K_\n1.235";
    for (size_t chunk : {size_t(1), size_t(5), listing.size()}) {
        PacketTimeCollector collector;
        for (size_t i = 0; i < listing.size(); i += chunk) collector.Feed(std::string_view(listing).substr(i, chunk));
        EXPECT_EQ(collector.Count(), 5u) << chunk;
        std::vector<std::string> texts = {"stale"};
        std::vector<double> times;
        collector.Finish(texts, times, 1.075);
        EXPECT_EQ(texts,
                  (std::vector<std::string>{"1.075000", "1.115000", "1.155000", "1.195000", "1.235000", "1.315000"}))
            << chunk;
        EXPECT_EQ(Texts(times), texts);
    }
}

TEST(PtsLineSplitterTest, NegativeAndRoundedBases) {
    std::vector<std::string> texts;
    std::vector<double> times;
    PtsLineSplitter splitter(texts, times);
    splitter.Feed("-0.040000\n0.000000\n0.033367\n");
    EXPECT_EQ(texts, (std::vector<std::string>{"0.000000", "0.040000", "0.073367"}));
    EXPECT_DOUBLE_EQ(times[2], 0.073367);
}

TEST(PtsLineSplitterTest, StopsPastTheLimitAndContinuesWhereItStopped) {
    std::string listing;
    for (int i = 0; i < 150; ++i) listing += PtsText(i * 0.04) + "\n";
    std::vector<std::string> texts;
    std::vector<double> times;
    PtsLineSplitter splitter(texts, times, 100);
    EXPECT_TRUE(splitter.Feed(listing));
    EXPECT_EQ(splitter.Count(), 101u);
    EXPECT_EQ(splitter.Pending().substr(0, 9), "4.040000\n");
    // Each further chunk gives exactly one more value, in order, the rest staying unsplit.
    EXPECT_TRUE(splitter.Feed("6.000000\n"));
    EXPECT_EQ(splitter.Count(), 102u);
    EXPECT_TRUE(splitter.Feed(""));
    EXPECT_EQ(splitter.Count(), 103u);
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(texts[i], PtsText(i * 0.04)) << i;

    // Below the limit nothing stops.
    std::vector<std::string> shortTexts;
    std::vector<double> shortTimes;
    PtsLineSplitter few(shortTexts, shortTimes, 100);
    EXPECT_FALSE(few.Feed(listing.substr(0, 100 * 9)));
    EXPECT_EQ(few.Count(), 100u);
}

TEST(PtsListTest, TextsAreFixedSixDecimalsInAnyLocale) {
    for (double v : {0.0, 0.04, 1.0 / 3, 2.0 / 3, 1001.0 / 30000, 12345.6789125, 1e-7, 123456789.0}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.6f", v);
        EXPECT_EQ(PtsText(v), expected) << v;
    }
}

TEST(PtsListTest, ExtendsByTheFirstIntervalToFrameCountPlusOne) {
    std::vector<double> times = {0, 0.04, 0.08};
    std::vector<std::string> texts = Texts(times);
    ExtendPtsList(texts, times, 5, 0);
    EXPECT_EQ(texts,
              (std::vector<std::string>{"0.000000", "0.040000", "0.080000", "0.120000", "0.160000", "0.200000"}));
    EXPECT_EQ(Texts(times), texts);

    // Long enough already, or longer: unchanged.
    ExtendPtsList(texts, times, 5, 0);
    ExtendPtsList(texts, times, 2, 0);
    EXPECT_EQ(texts.size(), 6u);

    // The first interval counts, not the last one.
    times = {0, 0.033367, 0.1};
    texts = Texts(times);
    ExtendPtsList(texts, times, 4, 0);
    EXPECT_EQ(texts, (std::vector<std::string>{"0.000000", "0.033367", "0.100000", "0.133367", "0.166734"}));

    // One entry: the fallback interval; without one, or without entries, nothing can grow.
    times = {0};
    texts = Texts(times);
    ExtendPtsList(texts, times, 2, 0.5);
    EXPECT_EQ(texts, (std::vector<std::string>{"0.000000", "0.500000", "1.000000"}));
    times = {0};
    texts = Texts(times);
    ExtendPtsList(texts, times, 2, 0);
    EXPECT_EQ(texts.size(), 1u);
    times.clear();
    texts.clear();
    ExtendPtsList(texts, times, 2, 0.5);
    EXPECT_TRUE(texts.empty());
    // Frame times that do not advance would never reach the length.
    times = {0, 0, 0.04};
    texts = Texts(times);
    ExtendPtsList(texts, times, 10, 0.04);
    EXPECT_EQ(texts.size(), 3u);
}

TEST(PtsListTest, IntervalStatisticsArePopulationForm) {
    const PtsIntervalStats stats = ComputePtsIntervalStats({0, 1, 3});
    EXPECT_EQ(stats.count, 2u);
    EXPECT_DOUBLE_EQ(stats.mean, 1.5);
    EXPECT_DOUBLE_EQ(stats.stddev, 0.5);  // divisor 2, not 1
    EXPECT_DOUBLE_EQ(stats.range, 1.0);

    EXPECT_EQ(ComputePtsIntervalStats({}).count, 0u);
    EXPECT_EQ(ComputePtsIntervalStats({5}).count, 0u);
    EXPECT_EQ(ComputePtsIntervalStats({0, 0.04}).count, 1u);
}

TEST(PtsListTest, ConstantRateDecision) {
    std::vector<double> ntsc;
    for (int i = 0; i < 101; ++i) ntsc.push_back(std::stod(PtsText(i * 1001.0 / 30000)));
    const struct {
        std::vector<double> times;
        double fps;
        bool constant;
    } cases[] = {
        {{0, 0.04, 0.08}, 25, true},  // 3 times: 2 intervals are enough
        {{0, 0.04}, 25, false},       // 2 times are not
        {{0}, 25, false},
        {{}, 25, false},
        {{0, 0.04, 0.08, 0.12}, 30, false},         // constant, but not this rate
        {{0, 0.04, 0.08, 0.12}, 0, false},          // no rate to compare with
        {{0, 0.04, 0.0801, 0.12}, 25, false},       // jitter of 0.1 ms
        {{0, 0.04, 0.080006, 0.12}, 25, false},     // range 12 us, stddev 5 us: range alone decides
        {{0, 0.04005, 0.0801, 0.12015}, 25, true},  // mean off by 50 us: within 100 us
        {{0, 0.0402, 0.0804, 0.1206}, 25, false},   // mean off by 200 us
        {ntsc, 30000.0 / 1001, true},               // rounding to microseconds stays within the limits
    };
    for (const auto& c : cases) {
        PtsIntervalStats stats;
        EXPECT_EQ(IsConstantFrameRate(c.times, c.fps, &stats), c.constant)
            << c.times.size() << " times at " << c.fps << ": mean " << stats.mean << " stddev " << stats.stddev
            << " range " << stats.range;
    }
}

TEST(ProbeCommandTest, FfmpegPrefixFollowsTheProjectsCudaSetting) {
    CTarneloData data;
    CTarneloProcess engine(nullptr, &data);
    data.use_cuda = false;
    EXPECT_EQ(EngineTestAccess::Jobs(engine).FfmpegPrefix(), "ffmpeg -y ");
    data.use_cuda = true;
    EXPECT_EQ(EngineTestAccess::Jobs(engine).FfmpegPrefix(), "ffmpeg -y -hwaccel cuda ");
}
