// Recordings whose frames do not come at one constant rate from zero: a rate that halves midway, phone-like
// jittered frame durations and a picture that starts after the sound, with a constant-rate clip of the same
// picture beside them. Frame i is everywhere the i-th frame ffprobe lists: in the motion record, the scene
// list, the segment files, the report and the frame-time list.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "engine/motion/MotionRecord.h"
#include "integration/ClipFactory.h"
#include "platform/Process.h"
#include "project/TimeText.h"
#include "support/CliRun.h"

namespace {

using clitest::RunCli;
using clitest::RunProgram;
using clitest::RunResult;
using nlohmann::json;

// The times of a file's video frames as ffprobe lists them, counted from the container's start.
std::vector<double> FrameTimes(const std::string& path) {
    const RunResult r = RunProgram({platform::FindProgram("ffprobe"), "-v", "error", "-select_streams", "v:0",
                                    "-show_entries", "frame=pts_time:format=start_time", "-of", "json", path});
    const json report = json::parse(r.out, nullptr, false);
    std::vector<double> times;
    if (r.status != 0 || !report.is_object()) return times;
    const double start = std::atof(report.value("format", json::object()).value("start_time", "0").c_str());
    for (const json& frame : report.value("frames", json::array())) {
        times.push_back(std::atof(frame.value("pts_time", "nan").c_str()) - start);
    }
    return times;
}

// Frame number `frame` of a file as a small grey picture; passthrough keeps ffmpeg from repeating frames.
std::string GreyPicture(const std::string& path, int frame) {
    const std::string filter = "select=eq(n\\," + std::to_string(frame) + "),scale=80:45,format=gray";
    const RunResult r = RunProgram({platform::FindProgram("ffmpeg"), "-v", "error", "-nostdin", "-i", path, "-vf",
                                    filter, "-frames:v", "1", "-fps_mode", "passthrough", "-f", "rawvideo", "-"});
    return r.status == 0 ? r.out : std::string();
}

// Mean absolute difference in grey levels. The same frame, encoded twice, differs by about 0.02; its
// neighbours by more than 4 (the box moves half its side from frame to frame).
double PictureDifference(const std::string& a, const std::string& b) {
    if (a.empty() || a.size() != b.size()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i])));
    return sum / static_cast<double>(a.size());
}

struct TimingCase {
    std::string name;  // test name and clip file stem
    clips::ClipOptions options;
    double constantFps = 0;  // > 0: the frame-time list is exactly i / fps
    std::string extension = ".mp4";
};

void PrintTo(const TimingCase& c, std::ostream* os) { *os << c.name; }

TimingCase Drawn(const std::string& name, const std::string& rate, int frames, std::vector<clips::FrameRange> motion) {
    TimingCase c{name, {}};
    c.options.rate = rate;
    c.options.frames = frames;
    c.options.motion = std::move(motion);
    return c;
}

std::vector<TimingCase> Cases() {
    TimingCase halved = Drawn("RateHalvesMidway", "25", 576, {{60, 120}, {380, 450}});
    halved.options.frameTime = "if(lt(N,288),N/25,11.52+(N-288)/12.5)";
    // Frames 30.5, 30.5 and 29 ms long, in turn, as a phone records.
    TimingCase phone = Drawn("PhoneJitter", "30", 300, {{60, 120}, {190, 250}});
    phone.options.frameTime = "0.030*N+0.0005*mod(N,3)";
    // The picture starts 1.075 s after the sound and the container.
    TimingCase late = Drawn("LateVideoStart", "25", 300, {{60, 120}, {180, 240}});
    late.options.videoDelay = 1.075;
    late.options.audio = true;
    // Not an MP4: worked on through a copy that keeps every frame once, at its time.
    TimingCase copied = halved;
    copied.name = "RateHalvesMidwayCopied";
    copied.extension = ".mkv";
    TimingCase constant = Drawn("ConstantRate", "25", 576, {{60, 120}, {380, 450}});
    constant.constantFps = 25;
    return {halved, phone, late, copied, constant};
}

class FrameTimingTest : public clips::ClipTest, public ::testing::WithParamInterface<TimingCase> {};

// A drawn box changes frames first..last and the frame after (it vanishes there), so each range gives the
// scene first..last + 1: threshold 100 lets every drawn frame pass, a scene needs round(fps x 1 s) frames of
// motion (at most 34 here; every range has 61) and ends after as many still frames (at least 48 lie around
// each range, so no scene touches the clip's end).
TEST_P(FrameTimingTest, EveryFrameOnceAtItsOwnTime) {
    const TimingCase& c = GetParam();
    const std::string clip = Clip(c.name + c.extension, c.options);
    ASSERT_FALSE(clip.empty());
    const std::vector<double> times = FrameTimes(clip);
    ASSERT_EQ(static_cast<int>(times.size()), c.options.frames);
    const std::string out = Folder() + "/" + c.name + "_out";
    RunResult r = RunCli({"extract", clip, "--output-folder", out, "--threshold", "100", "--valid-sec", "1",
                          "--cut-sec", "1", "--no-cuda"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunCli({"report", clip + ".kpproj", "--json"});
    const json report = json::parse(r.out, nullptr, false);
    ASSERT_TRUE(r.status == 0 && report.is_object()) << r.err;

    // The record names the file it measured: the working copy when there is one.
    const std::string copy = out + "/" + c.name + "_input_ch.mp4";
    InputIdentity identity;
    ASSERT_TRUE(ReadInputIdentity(std::ifstream(copy).good() ? copy : clip, identity));
    MotionRecord record;
    ASSERT_EQ(ReadMotionRecord(clip + ".kpmotion", identity, record), RecordStatus::kOk);
    EXPECT_EQ(record.counts.size(), times.size()) << "one count per frame of the file";

    const json& scenes = report.at("scenes");
    ASSERT_EQ(scenes.size(), c.options.motion.size());
    for (size_t k = 0; k < scenes.size(); ++k) {
        const int first = c.options.motion[k].first;
        const int last = c.options.motion[k].last + 1;
        const json& scene = scenes[k];
        const std::string segment = scene.at("segment_file");
        SCOPED_TRACE("drawn frames " + std::to_string(first) + "-" + std::to_string(last) + ", " + segment);
        EXPECT_EQ(scene.at("start_frame").get<int>(), first);
        EXPECT_EQ(scene.at("end_frame").get<int>(), last);
        // A scene ends where its last frame ends: at the next frame's time.
        EXPECT_NEAR(scene.at("start_seconds").get<double>(), times[first], 0.001);
        EXPECT_NEAR(scene.at("end_seconds").get<double>(), times[last + 1], 0.001);
        EXPECT_EQ(static_cast<int>(FrameTimes(segment).size()), last - first + 1);
        EXPECT_LT(PictureDifference(GreyPicture(segment, 0), GreyPicture(clip, first)), 1.5);
    }

    // The frame-time list: every frame's time, and one line more for the end of the last.
    std::ifstream list(out + "/" + c.name + "_pts.csv");
    std::vector<std::string> lines;
    for (std::string line; std::getline(list, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), times.size() + 1);
    int firstWrong = -1;
    for (size_t i = 0; i < times.size() && firstWrong < 0; ++i) {
        if (std::abs(std::atof(lines[i].c_str()) - times[i]) > 0.0005) firstWrong = static_cast<int>(i);
    }
    EXPECT_EQ(firstWrong, -1) << "listed " << (firstWrong >= 0 ? lines[size_t(firstWrong)] : "");
    if (c.constantFps > 0) {
        // A constant rate still gets the list it always got, made from the rate.
        for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], FormatC("%.6f", i / c.constantFps)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Clips, FrameTimingTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<TimingCase>& info) { return info.param.name; });

}  // namespace
