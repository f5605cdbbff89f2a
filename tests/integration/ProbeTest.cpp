// Media probing against the real ffprobe and ffmpeg on clips made for the test.

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/probe/ProbeParsing.h"
#include "integration/ClipFactory.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/RecordingSink.h"

namespace {

class ProbeTest : public clips::ClipTest {
protected:
    ProbeTest() { m_data.ResetAll(false); }

    VideoInfo Probe(const std::string& path, int expectedResult = 0) {
        VideoInfo info;
        EXPECT_EQ(m_engine.GetVideoInfoFfprobe(path, info), expectedResult) << path;
        return info;
    }

    // Makes a probed clip the project's source and current file, as input preparation does.
    void UseAsSource(const std::string& path) {
        m_data.m_sourceInfo = Probe(path);
        m_data.m_currentInfo = m_data.m_sourceInfo;
    }

    static clips::ClipOptions Fast() {
        clips::ClipOptions o;
        o.rate = "100";
        o.frames = 200;
        return o;
    }

    RecordingSink m_sink;
    CTarneloData m_data;
    CTarneloProcess m_engine{&m_sink, &m_data};
};

void ExpectPlainClip(const VideoInfo& info, bool audio) {
    EXPECT_EQ(info.r_frame_rate, "25/1");
    EXPECT_EQ(info.fps, 25.0);
    EXPECT_EQ(info.frame_num, 50);
    EXPECT_EQ(info.width, 160);
    EXPECT_EQ(info.height, 90);
    EXPECT_EQ(info.rotation, 0);
    EXPECT_EQ(info.start_frame, 0);
    EXPECT_EQ(info.field_order, "progressive");
    EXPECT_EQ(info.sar_num, 1);
    EXPECT_EQ(info.sar_den, 1);
    EXPECT_EQ(info.has_audio, audio);
}

}  // namespace

TEST_F(ProbeTest, PlainClipsWithAndWithoutAudio) {
    clips::ClipOptions withAudio;
    withAudio.audio = true;
    withAudio.motion = {{10, 19}};
    ExpectPlainClip(Probe(Clip("plain.mp4")), false);
    ExpectPlainClip(Probe(Clip("audio.mp4", withAudio)), true);
    EXPECT_EQ(m_sink.Messages().size(), 0u) << "probing a good file reports nothing to the tab";
}

TEST_F(ProbeTest, NamesThatNeedEscapingReachTheTools) {
    const std::string path = Clip("it's a \"clip\" 100% $HOME.mp4");
    ExpectPlainClip(Probe(path), false);
    std::vector<std::string> texts;
    std::vector<double> times;
    EXPECT_EQ(EngineTestAccess::Jobs(m_engine).GetPtsListFromFfprobe(path, texts, times, false), 0);
    EXPECT_EQ(texts.size(), 50u);
    m_data.m_currentInfo = Probe(path);
    EXPECT_EQ(EngineTestAccess::Jobs(m_engine).GetNbFrame(path, m_data.m_currentInfo), 50);
}

TEST_F(ProbeTest, FrameCountByDecodingWhenTheContainerStatesNone) {
    for (const char* name : {"nocount.mkv", "nocount.webm", "nocount.h264"}) {
        const std::string path = Clip(name);
        // The premise: these containers do not state a frame count.
        std::string report;
        ASSERT_FALSE(m_engine.GetFfprobeReport(path, report, 4)) << name;
        EXPECT_EQ(nlohmann::json::parse(report)["streams"][0].count("nb_frames"), 0u) << name;

        const VideoInfo info = Probe(path);
        EXPECT_EQ(info.frame_num, 50) << name;
        EXPECT_EQ(info.width, 160) << name;
        EXPECT_EQ(info.fps, 25.0) << name;
    }

    // The input whose count is known already is not decoded again.
    const std::string input = Clip("nocount.mkv");
    m_data.input_file = input;
    m_data.m_sourceInfo.frame_num = 77;
    EXPECT_EQ(Probe(input).frame_num, 77);
    m_data.m_sourceInfo.frame_num = 0;
    EXPECT_EQ(Probe(input).frame_num, 50);
}

TEST_F(ProbeTest, DecodeCountAtOneHundredthOfTheSize) {
    clips::ClipOptions large;
    large.width = 320;
    large.height = 240;
    large.frames = 30;
    large.motion = {{0, 29}};
    const std::string path = Clip("large.avi", large);
    EXPECT_EQ(EngineTestAccess::Jobs(m_engine).GetNbFrame(path, Probe(path)), 30);

    // Below 50 pixels a side rounds to nothing: no frame can be read, and no decoder is left running.
    VideoInfo tiny;
    tiny.width = 40;
    tiny.height = 240;
    EXPECT_EQ(EngineTestAccess::Jobs(m_engine).GetNbFrame(path, tiny), 0);
    EXPECT_EQ(EngineTestAccess::Jobs(m_engine).GetNbFrame(path, VideoInfo{}), 0);
    EXPECT_EQ(m_engine.Status().childPid, 0);

    EXPECT_EQ(EngineTestAccess::Jobs(m_engine).GetNbFrame(clips::WriteFile(Folder(), "text.mkv", "not a video\n"),
                                                          Probe(path)),
              0);
}

TEST_F(ProbeTest, RotatedClipReportsItsDisplayRotation) {
    clips::ClipOptions rotated;
    rotated.rotation = 90;
    const VideoInfo info = Probe(Clip("rotated.mp4", rotated));
    EXPECT_EQ(std::abs(info.rotation), 90);
    EXPECT_EQ(info.width, 160);  // the coded size; turning it is the player's business
    EXPECT_EQ(info.frame_num, 50);
}

TEST_F(ProbeTest, InterlacedTransportStream) {
    clips::ClipOptions interlaced;
    interlaced.interlaced = true;
    interlaced.audio = true;
    const VideoInfo info = Probe(Clip("interlaced.ts", interlaced));
    EXPECT_FALSE(info.field_order.empty());
    EXPECT_NE(info.field_order, "progressive");
    EXPECT_EQ(info.r_frame_rate, "25/1");
    EXPECT_EQ(info.frame_num, 50);  // counted by decoding: a transport stream states no count
    EXPECT_TRUE(info.has_audio);
    // The muxer starts its clock above zero; the start is expressed in frames.
    EXPECT_GT(info.start_frame, 0);
}

TEST_F(ProbeTest, FirstFramesListingStopsEarly) {
    const std::string path = Clip("fast.mp4", Fast());
    std::vector<std::string> texts;
    std::vector<double> times;
    EXPECT_EQ(EngineTestAccess::Jobs(m_engine).GetPtsListFromFfprobe(path, texts, times, false), 0);
    ASSERT_GE(texts.size(), 101u);
    EXPECT_LE(texts.size(), 110u);
    EXPECT_LT(texts.size(), 200u);
    ASSERT_EQ(times.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(texts[i], PtsText(i * 0.01)) << i;
    EXPECT_EQ(m_sink.Count(WM_APP_JOB_PROGRESS), 0u);
    EXPECT_EQ(m_engine.Status().childPid, 0);
}

TEST_F(ProbeTest, WholeFileListingReportsProgressAndReachesFrameCountPlusOne) {
    const std::string path = Clip("plain.mp4");
    UseAsSource(path);
    std::vector<std::string> texts = {"stale"};
    std::vector<double> times = {9};
    EXPECT_EQ(EngineTestAccess::Jobs(m_engine).GetPtsListFromFfprobe(path, texts, times, true), 0);
    ASSERT_EQ(texts.size(), 51u);
    ASSERT_EQ(times.size(), 51u);
    EXPECT_EQ(texts[0], "0.000000");
    EXPECT_EQ(texts[49], "1.960000");
    EXPECT_EQ(texts[50], "2.000000");  // one past the last frame: the end of the last frame
    EXPECT_DOUBLE_EQ(times[50], 2.0);

    const auto progress = m_sink.Messages(WM_APP_JOB_PROGRESS);
    ASSERT_EQ(progress.size(), 50u);
    for (size_t i = 0; i < progress.size(); ++i) {
        EXPECT_EQ(progress[i].wParam, 50u);
        EXPECT_EQ(progress[i].lParam, static_cast<LParam>(i + 1));
        EXPECT_FALSE(progress[i].sent);
    }

    // The whole file of a long listing: no early stop.
    const std::string fast = Clip("fast.mp4", Fast());
    UseAsSource(fast);
    EXPECT_EQ(EngineTestAccess::Jobs(m_engine).GetPtsListFromFfprobe(fast, texts, times, true), 0);
    EXPECT_EQ(texts.size(), 201u);
    EXPECT_EQ(texts[199], "1.990000");
}

TEST_F(ProbeTest, ConstantRateCheck) {
    const std::string cfr = Clip("plain.mp4");
    UseAsSource(cfr);
    EXPECT_TRUE(EngineTestAccess::Jobs(m_engine).CheckPtsDeltaFromFirstFrames(cfr));
    // The intervals must match the project's rate, not only be equal.
    m_data.m_sourceInfo.fps = 30;
    EXPECT_FALSE(EngineTestAccess::Jobs(m_engine).CheckPtsDeltaFromFirstFrames(cfr));

    const std::string fast = Clip("fast.mp4", Fast());
    UseAsSource(fast);
    EXPECT_TRUE(EngineTestAccess::Jobs(m_engine).CheckPtsDeltaFromFirstFrames(fast));

    clips::ClipOptions variable;
    variable.variableRate = true;
    const std::string vfr = Clip("variable.mp4", variable);
    UseAsSource(vfr);
    m_data.m_sourceInfo.fps = 25;
    EXPECT_FALSE(EngineTestAccess::Jobs(m_engine).CheckPtsDeltaFromFirstFrames(vfr));

    clips::ClipOptions three;
    three.frames = 3;
    const std::string short3 = Clip("three.mp4", three);
    UseAsSource(short3);
    EXPECT_TRUE(EngineTestAccess::Jobs(m_engine).CheckPtsDeltaFromFirstFrames(short3));
    clips::ClipOptions two;
    two.frames = 2;
    const std::string short2 = Clip("two.mp4", two);
    UseAsSource(short2);
    EXPECT_FALSE(EngineTestAccess::Jobs(m_engine).CheckPtsDeltaFromFirstFrames(short2));
}

TEST_F(ProbeTest, ReportKinds) {
    const std::string path = Clip("plain.mp4");
    const struct {
        int kind;
        bool format;
        size_t streams;  // npos: no "streams" member
    } cases[] = {{1, true, 1}, {2, true, 1}, {3, true, std::string::npos}, {4, false, 1}, {5, false, 0}, {9, false, 1}};
    for (const auto& c : cases) {
        std::string text = "stale";
        ASSERT_FALSE(m_engine.GetFfprobeReport(path, text, c.kind)) << c.kind;
        const nlohmann::json report = nlohmann::json::parse(text, nullptr, false);
        ASSERT_TRUE(report.is_object()) << c.kind << ": " << text;
        EXPECT_EQ(report.contains("format"), c.format) << c.kind;
        if (c.streams == std::string::npos) {
            EXPECT_FALSE(report.contains("streams")) << c.kind;
        } else {
            EXPECT_EQ(report.value("streams", nlohmann::json::array()).size(), c.streams) << c.kind;
        }
    }
}

TEST_F(ProbeTest, FilesThatAreNoVideoFailWithoutHarm) {
    const std::string missing = Folder() + "/missing.mp4";
    const std::string text = clips::WriteFile(Folder(), "text.mp4", "this is not a video at all\n");
    const std::string audioOnly = Folder() + "/tone.m4a";
    std::string error;
    ASSERT_EQ(clips::RunProgram({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                                 "sine=duration=0.5", "-c:a", "aac", audioOnly},
                                audioOnly + ".log"),
              0);

    const VideoInfo none = Probe(missing, 1);
    EXPECT_EQ(none.r_frame_rate, "");
    EXPECT_EQ(none.frame_num, 0);
    EXPECT_EQ(none.sar_den, 1);

    VideoInfo info;
    const int result = m_engine.GetVideoInfoFfprobe(text, info);
    EXPECT_TRUE(result == 1 || result == -1) << result;
    EXPECT_EQ(info.width, 0);

    const VideoInfo sound = Probe(audioOnly, -1);
    EXPECT_FALSE(sound.has_audio) << "a failed probe keeps the defaults";

    std::string report;
    EXPECT_TRUE(m_engine.GetFfprobeReport(missing, report, 1));
    for (const std::string& path : {missing, text}) {
        std::vector<std::string> texts;
        std::vector<double> times;
        EXPECT_NE(EngineTestAccess::Jobs(m_engine).GetPtsListFromFfprobe(path, texts, times, true), 0) << path;
        EXPECT_TRUE(texts.empty()) << path;
        EXPECT_FALSE(EngineTestAccess::Jobs(m_engine).CheckPtsDeltaFromFirstFrames(path)) << path;
    }
    EXPECT_EQ(m_engine.Status().childPid, 0);
}
