// Frame numbers and times of recordings whose frames do not come at one constant rate from zero: a rate that
// halves midway, phone-like jittered frame durations and a picture that starts after the sound, with a
// constant-rate clip of the same picture beside them. Frame i is everywhere the i-th frame ffprobe lists:
// in the motion record, the scene list, the segment files, the report and the frame-time list.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "engine/MotionRecord.h"
#include "integration/ClipFactory.h"
#include "platform/Process.h"
#include "support/CliRun.h"

namespace {

using clitest::RunCli;
using clitest::RunProgram;
using clitest::RunResult;
using nlohmann::json;

// The video frames of a file as ffprobe lists them, with the container's start.
struct ProbedFrames {
    std::string error;  // empty when ffprobe answered
    double formatStart = 0;
    std::vector<double> times;  // pts_time of each frame
};

ProbedFrames ProbeFrames(const std::string& path) {
    ProbedFrames probed;
    const RunResult r = RunProgram({platform::FindProgram("ffprobe"), "-v", "error", "-select_streams", "v:0",
                                    "-show_entries", "frame=pts_time:format=start_time", "-of", "json", path});
    const json report = json::parse(r.out, nullptr, false);
    if (r.status != 0 || !report.is_object()) {
        probed.error = "ffprobe " + path + ": " + r.err;
        return probed;
    }
    if (report.contains("format")) probed.formatStart = std::atof(report["format"].value("start_time", "0").c_str());
    for (const json& frame : report.value("frames", json::array())) {
        probed.times.push_back(std::atof(frame.value("pts_time", "nan").c_str()));
    }
    return probed;
}

// A small grey picture of one frame, counted as ffprobe lists them. Passthrough keeps ffmpeg from repeating
// frames before the selected one.
constexpr int kPictureWidth = 80;
constexpr int kPictureHeight = 45;

std::string GreyPicture(const std::string& path, int frame) {
    const std::string filter = "select=eq(n\\," + std::to_string(frame) + "),scale=" + std::to_string(kPictureWidth) +
                               ":" + std::to_string(kPictureHeight) + ",format=gray";
    const RunResult r = RunProgram({platform::FindProgram("ffmpeg"), "-v", "error", "-nostdin", "-i", path, "-vf",
                                    filter, "-frames:v", "1", "-fps_mode", "passthrough", "-f", "rawvideo", "-"});
    return r.status == 0 ? r.out : std::string();
}

// Mean absolute difference of two pictures of the same size, in grey levels.
double PictureDifference(const std::string& a, const std::string& b) {
    if (a.empty() || a.size() != b.size()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sum += std::abs(int(static_cast<unsigned char>(a[i])) - int(static_cast<unsigned char>(b[i])));
    }
    return sum / static_cast<double>(a.size());
}

std::vector<std::string> FileLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string SixDecimals(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

// A drawn box changes frames first..last and the frame after (it vanishes there), so with the settings
// below each range gives the scene first..last + 1: the threshold lets any drawn frame pass, a scene needs
// round(fps x 1 s) frames of motion (at most 34 here; every range has 61 or more) and ends after as many
// still frames (at least 48 lie before, between and after the ranges, so no scene touches the clip's end).
// Frame 0 always counts as motion, but alone it is too short to be a scene.
const std::vector<std::string> kSettings = {"--threshold", "100", "--valid-sec", "1", "--cut-sec", "1", "--no-cuda"};
// The first frame of a segment against the same frame of the clip, both encoded: about 0.02 apart, while the
// frames beside it differ by more than 4 (the box moves by half its side from frame to frame).
constexpr double kSamePicture = 1.5;

struct TimingCase {
    std::string name;  // test name and clip file stem
    clips::ClipOptions options;
    double constantFps = 0;  // > 0: the frame-time list is exactly i / fps
};

clips::ClipOptions Drawn(const std::string& rate, int frames, std::vector<clips::FrameRange> motion) {
    clips::ClipOptions o;
    o.rate = rate;
    o.frames = frames;
    o.motion = std::move(motion);
    return o;
}

void PrintTo(const TimingCase& c, std::ostream* os) { *os << c.name; }

std::vector<TimingCase> Cases() {
    // 576 frames, the first 288 at 25 fps and the rest at 12.5 fps, and the same picture at 25 fps throughout.
    TimingCase halved{"RateHalvesMidway", Drawn("25", 576, {{60, 120}, {380, 450}})};
    halved.options.frameTime = "if(lt(N,288),N/25,11.52+(N-288)/12.5)";
    TimingCase constant{"ConstantRate", Drawn("25", 576, {{60, 120}, {380, 450}}), 25};
    // Frames 30.5, 30.5 and 29 ms long, in turn, as a phone records.
    TimingCase phone{"PhoneJitter", Drawn("30", 300, {{60, 120}, {190, 250}})};
    phone.options.frameTime = "0.030*N+0.0005*mod(N,3)";
    // The picture starts 1.075 s after the sound and the container.
    TimingCase late{"LateVideoStart", Drawn("25", 300, {{60, 120}, {180, 240}})};
    late.options.videoDelay = 1.075;
    late.options.audio = true;
    return {halved, phone, late, constant};
}

std::vector<std::pair<int, int>> DrawnScenes(const clips::ClipOptions& o) {
    std::vector<std::pair<int, int>> scenes;
    for (const clips::FrameRange& r : o.motion) scenes.emplace_back(r.first, r.last + 1);
    return scenes;
}

// One extraction (segments cut) and its report, made once per clip for every test of the suite.
struct Extraction {
    std::string error;  // why the extraction could not be made
    std::string clip;
    std::string outFolder;
    ProbedFrames source;
    json report;
};

class FrameTimingTest : public clips::ClipTest, public ::testing::WithParamInterface<TimingCase> {
protected:
    static void TearDownTestSuite() {
        s_runs.clear();
        clips::ClipTest::TearDownTestSuite();
    }

    void SetUp() override {
        clips::ClipTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(::access(clitest::kCliPath.c_str(), X_OK), 0) << "tarnelo-cli is not built at " << clitest::kCliPath;
        auto it = s_runs.find(GetParam().name);
        if (it == s_runs.end()) it = s_runs.emplace(GetParam().name, Extract(GetParam())).first;
        m_run = &it->second;
        ASSERT_EQ(m_run->error, "");
        ASSERT_EQ(static_cast<int>(m_run->source.times.size()), GetParam().options.frames);
    }

    static Extraction Extract(const TimingCase& c) {
        Extraction run;
        run.clip = Clip(c.name + ".mp4", c.options);
        if (run.clip.empty()) {
            run.error = "no clip";
            return run;
        }
        run.source = ProbeFrames(run.clip);
        run.outFolder = Folder() + "/" + c.name + "_out";
        std::vector<std::string> args = {"extract", run.clip, "--output-folder", run.outFolder};
        args.insert(args.end(), kSettings.begin(), kSettings.end());
        RunResult r = RunCli(args);
        if (r.status != 0) {
            run.error = "extract: " + r.err;
            return run;
        }
        r = RunCli({"report", run.clip + ".kpproj", "--json"});
        run.report = json::parse(r.out, nullptr, false);
        if (r.status != 0 || !run.report.is_object()) run.error = "report: " + r.err + r.out;
        return run;
    }

    const json& Scenes() const { return m_run->report.at("scenes"); }

    // Seconds from the container's start of frame i of the clip.
    double FileSeconds(int frame) const {
        return m_run->source.times.at(static_cast<size_t>(frame)) - m_run->source.formatStart;
    }

    const Extraction* m_run = nullptr;

private:
    static inline std::map<std::string, Extraction> s_runs;
};

TEST_P(FrameTimingTest, MotionRecordHasOneCountPerFrameOfTheFile) {
    InputIdentity identity;
    ASSERT_TRUE(ReadInputIdentity(m_run->clip, identity));
    MotionRecord record;
    ASSERT_EQ(ReadMotionRecord(m_run->clip + ".kpmotion", identity, record), RecordStatus::kOk);
    EXPECT_EQ(record.counts.size(), m_run->source.times.size());
}

TEST_P(FrameTimingTest, ScenesStartAndEndOnTheDrawnFrames) {
    std::vector<std::pair<int, int>> found;
    for (const json& s : Scenes()) found.emplace_back(s.at("start_frame").get<int>(), s.at("end_frame").get<int>());
    EXPECT_EQ(found, DrawnScenes(GetParam().options));
}

// The segment of each scene against the frames drawn for it, whatever numbers the list gives the scene: the list
// takes a scene's end frame from its segment's frame count, so only the drawn frames tell a count wrong.
TEST_P(FrameTimingTest, EachSegmentHoldsItsScenesFramesOnceFromItsFirstPicture) {
    const std::vector<std::pair<int, int>> drawn = DrawnScenes(GetParam().options);
    ASSERT_EQ(Scenes().size(), drawn.size());
    for (size_t k = 0; k < drawn.size(); ++k) {
        const auto [first, last] = drawn[k];
        const std::string segment = Scenes()[k].at("segment_file");
        SCOPED_TRACE("drawn frames " + std::to_string(first) + "-" + std::to_string(last) + ", " + segment);
        const ProbedFrames cut = ProbeFrames(segment);
        ASSERT_EQ(cut.error, "");
        EXPECT_EQ(static_cast<int>(cut.times.size()), last - first + 1);
        const std::string start = GreyPicture(segment, 0);
        ASSERT_EQ(start.size(), static_cast<size_t>(kPictureWidth * kPictureHeight));
        EXPECT_LT(PictureDifference(start, GreyPicture(m_run->clip, first)), kSamePicture);
    }
}

TEST_P(FrameTimingTest, ReportTimesAreTheFramesTimesInTheFile) {
    ASSERT_FALSE(Scenes().empty());
    for (const json& s : Scenes()) {
        const int first = s.at("start_frame");
        const int last = s.at("end_frame");
        SCOPED_TRACE("scene " + std::to_string(first) + "-" + std::to_string(last));
        if (last + 1 >= static_cast<int>(m_run->source.times.size())) {
            ADD_FAILURE() << "the scene runs to the clip's end; no drawn range does";
            continue;
        }
        EXPECT_NEAR(s.at("start_seconds").get<double>(), FileSeconds(first), 0.001);
        EXPECT_NEAR(s.at("end_seconds").get<double>(), FileSeconds(last + 1), 0.001);
    }
}

TEST_P(FrameTimingTest, FrameTimeListHoldsEachFramesTime) {
    const std::vector<std::string> lines = FileLines(m_run->outFolder + "/" + GetParam().name + "_pts.csv");
    const int frames = GetParam().options.frames;
    // One line per frame and the end of the last one.
    ASSERT_EQ(static_cast<int>(lines.size()), frames + 1);
    int wrong = 0;
    for (int i = 0; i < frames; ++i) {
        const double listed = std::atof(lines[static_cast<size_t>(i)].c_str());
        if (std::fabs(listed - FileSeconds(i)) > 0.0005 && ++wrong <= 3) {
            ADD_FAILURE() << "frame " << i << ": listed " << lines[static_cast<size_t>(i)] << ", in the file "
                          << SixDecimals(FileSeconds(i));
        }
    }
    EXPECT_EQ(wrong, 0) << "frames listed at another time than the file's";
    if (GetParam().constantFps > 0) {
        for (int i = 0; i <= frames; ++i) {
            EXPECT_EQ(lines[static_cast<size_t>(i)], SixDecimals(i / GetParam().constantFps)) << "line " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Clips, FrameTimingTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<TimingCase>& info) { return info.param.name; });

}  // namespace
