#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "integration/ClipFactory.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/JobRun.h"
#include "support/ProcessWatch.h"
#include "support/RecordingSink.h"

namespace fs = std::filesystem;

namespace {

using Range = std::pair<int, int>;

class SceneExtractionTest : public clips::ClipTest {
protected:
    SceneExtractionTest() : engine(&sink, &data) { data.ResetAll(false); }

    // What opening a video on the scene tab sets up, then the preparation.
    void Open(const std::string& input, const std::string& outName) {
        data.input_file = input;
        data.output_folder = Folder() + "/" + outName + "/";
        data.output_name = "_trim.mp4";
        ASSERT_EQ(engine.PrepareInput(false), 0);
        sink.Clear();
    }

    // Runs a job to its end and returns its result.
    int Run(int id) { return testsupport::RunJobToEnd(engine, sink, id); }

    std::vector<Range> Scenes() const {
        std::vector<Range> ranges;
        for (const SceneEntry& s : data.diff_list.Snapshot()) ranges.emplace_back(s.framNo_first, s.framNo_second);
        return ranges;
    }

    int LastState() const { return testsupport::LastJobState(sink); }

    // Every scene's segment exists with exactly the scene's frame count.
    void ExpectSegmentsMatchScenes() {
        for (const SceneEntry& s : data.diff_list.Snapshot()) {
            ASSERT_TRUE(fs::exists(s.fileName)) << s.fileName;
            EXPECT_EQ(EngineTestAccess::Jobs(engine).GetFrameCount(s.fileName), s.FrameCount()) << s.fileName;
        }
    }

    RecordingSink sink;
    CTarneloData data;
    CTarneloProcess engine;
};

// At 25 fps with both settings at 1 s, V = C = 25 frames.
TEST_F(SceneExtractionTest, ShortPauseIsAbsorbedAndShortTwitchIsDropped) {
    clips::ClipOptions o;
    o.width = 320;
    o.height = 180;
    o.frames = 260;
    o.motion = {{50, 99}, {110, 149}, {200, 204}};
    Open(Clip("pause.mp4", o), "pause");
    EXPECT_EQ(Run(kJobSceneExtract), 0);
    EXPECT_EQ(Scenes(), (std::vector<Range>{{50, 150}}));
    EXPECT_EQ(data.diff_list.Snapshot()[0].capParam.caption, "Scene001");
    EXPECT_DOUBLE_EQ(data.diff_list.Snapshot()[0].capParam.capTime_second, 4.04);
    EXPECT_EQ(fs::path(data.diff_list.Snapshot()[0].fileName).filename(), "pause_seg_50_150.mp4");
    EXPECT_EQ(data.list_idx, 0);
    ExpectSegmentsMatchScenes();
    EXPECT_EQ(LastState(), kJobStateDone);
    // Waiting is announced once the decoder is done, before the cuts are waited for.
    EXPECT_EQ(sink.Messages(WM_APP_JOB_STATE).front().wParam, static_cast<WParam>(kJobStateWaiting));
    const auto progress = sink.Messages(WM_APP_JOB_PROGRESS);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().lParam, 260);
}

TEST_F(SceneExtractionTest, MotionUntilTheEndIsFlushedWithAudioInTheSegment) {
    clips::ClipOptions o;
    o.width = 320;
    o.height = 180;
    o.frames = 200;
    o.audio = true;
    o.motion = {{40, 89}, {150, 199}};
    Open(Clip("tail.mp4", o), "tail");
    EXPECT_EQ(Run(kJobSceneExtract), 0);
    EXPECT_EQ(Scenes(), (std::vector<Range>{{40, 90}, {150, 199}}));
    ExpectSegmentsMatchScenes();
    VideoInfo info;
    ASSERT_EQ(engine.GetVideoInfoFfprobe(data.diff_list.Snapshot()[1].fileName, info), 0);
    EXPECT_TRUE(info.has_audio);
}

TEST_F(SceneExtractionTest, StaticVideoGetsTheDefaultSceneAndNoSegment) {
    clips::ClipOptions o;
    o.frames = 100;
    Open(Clip("still.mp4", o), "still");
    EXPECT_EQ(Run(kJobSceneExtract), 0);
    EXPECT_EQ(Scenes(), (std::vector<Range>{{0, 74}}));
    EXPECT_EQ(data.list_idx, 0);
    EXPECT_FALSE(fs::exists(data.diff_list.Snapshot()[0].fileName));
}

TEST_F(SceneExtractionTest, QuickScanFindsScenesWithoutCutting) {
    clips::ClipOptions o;
    o.width = 320;
    o.height = 180;
    o.frames = 200;
    o.motion = {{40, 89}};
    Open(Clip("scan.mp4", o), "scan");
    engine.SetOptions({.cutSegments = false});
    EXPECT_EQ(Run(kJobSceneExtract), 0);
    EXPECT_EQ(Scenes(), (std::vector<Range>{{40, 90}}));
    EXPECT_FALSE(fs::exists(data.diff_list.Snapshot()[0].fileName));

    // The segment output job cuts them later.
    sink.Clear();
    EXPECT_EQ(Run(kJobSegmentOutput), 0);
    ExpectSegmentsMatchScenes();
    ASSERT_FALSE(sink.Messages(WM_APP_JOB_NAME).empty());
    EXPECT_EQ(sink.Messages(WM_APP_JOB_NAME).front().text, "セグメント出力 (001)");
}

TEST_F(SceneExtractionTest, OtherContainersGoThroughTheWorkingCopy) {
    clips::ClipOptions o;
    o.width = 320;
    o.height = 180;
    o.frames = 150;
    o.motion = {{50, 99}};
    Open(Clip("other.mkv", o), "other");
    EXPECT_FALSE(data.input_mp4_file.empty());
    EXPECT_EQ(Run(kJobSceneExtract), 0);
    EXPECT_EQ(Scenes(), (std::vector<Range>{{50, 100}}));
    ExpectSegmentsMatchScenes();
}

TEST_F(SceneExtractionTest, InterlacedTransportStreamIsDeinterlacedAndAnalysed) {
    clips::ClipOptions o;
    o.width = 320;
    o.height = 180;
    o.frames = 150;
    o.interlaced = true;
    o.motion = {{50, 99}};
    Open(Clip("interlaced.ts", o), "interlaced");
    EXPECT_NE(data.input_mp4_file.find("_input_ch.mp4"), std::string::npos);
    EXPECT_EQ(Run(kJobSceneExtract), 0);
    ASSERT_EQ(data.diff_list.Snapshot().size(), 1u);
    // Deinterlacing may move the edges by a frame.
    EXPECT_NEAR(data.diff_list.Snapshot()[0].framNo_first, 50, 2);
    EXPECT_NEAR(data.diff_list.Snapshot()[0].framNo_second, 100, 2);
    ExpectSegmentsMatchScenes();
}

TEST_F(SceneExtractionTest, PortraitRotatedClipIsAnalysed) {
    clips::ClipOptions o;
    o.width = 320;
    o.height = 180;
    o.frames = 150;
    o.rotation = 90;
    o.motion = {{50, 99}};
    Open(Clip("rotated.mp4", o), "rotated");
    EXPECT_EQ(Run(kJobSceneExtract), 0);
    EXPECT_EQ(Scenes(), (std::vector<Range>{{50, 100}}));
}

TEST_F(SceneExtractionTest, MissingInputFailsTheJobWithAClearState) {
    data.input_file = Folder() + "/missing.mp4";
    data.output_folder = Folder() + "/missing_out/";
    EXPECT_NE(Run(kJobSceneExtract), 0);
    EXPECT_EQ(LastState(), kJobStateFailed);
    EXPECT_FALSE(fs::exists(data.output_folder));
    EXPECT_TRUE(testsupport::ChildrenOf(getpid()).empty());
}

TEST_F(SceneExtractionTest, CancelKeepsAnnouncedScenesCompleteOrGone) {
    clips::ClipOptions o;
    o.width = 320;
    o.height = 180;
    o.frames = 1500;
    for (int start = 30; start + 40 < 1500; start += 90) o.motion.push_back({start, start + 39});
    Open(Clip("long.mp4", o), "long");
    ASSERT_TRUE(engine.StartJob(kJobSceneExtract));
    ASSERT_TRUE(sink.WaitFor([](const auto& ms) {
        for (const auto& m : ms)
            if (m.message == WM_APP_LIST_CHANGED) return true;
        return false;
    }));
    engine.CancelProcess();
    engine.JoinJobThread();
    EXPECT_EQ(sink.Messages(WM_APP_PROCESS_FINISHED).back().lParam, -2);
    EXPECT_EQ(LastState(), kJobStateStopped);
    EXPECT_TRUE(testsupport::ChildrenOf(getpid()).empty());
    ASSERT_FALSE(data.diff_list.Empty());
    for (const SceneEntry& s : data.diff_list.Snapshot()) {
        if (fs::exists(s.fileName)) {
            EXPECT_EQ(EngineTestAccess::Jobs(engine).GetFrameCount(s.fileName), s.FrameCount()) << s.fileName;
        }
    }
}

TEST_F(SceneExtractionTest, SetSceneFrameCountMovesTheSegmentToItsRealRange) {
    data.input_file = Folder() + "/movie.mp4";
    data.output_folder = Folder() + "/rename/";
    fs::create_directories(data.output_folder);
    const std::string oldName = data.output_folder + "movie_seg_100_159.mp4";
    const std::string newName = data.output_folder + "movie_seg_100_158.mp4";
    std::ofstream(oldName) << "segment";
    std::ofstream(newName) << "stale";  // replaced
    data.diff_list.Append(SceneEntry(100, 159, oldName));
    EngineTestAccess::Jobs(engine).SetSceneFrameCount(0, 59);
    EXPECT_EQ(data.diff_list.Snapshot()[0].framNo_second, 158);
    EXPECT_EQ(data.diff_list.Snapshot()[0].fileName, newName);
    EXPECT_FALSE(fs::exists(oldName));
    std::ifstream in(newName);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "segment");
    ASSERT_EQ(sink.Count(WM_APP_LIST_CHANGED), 1u);
}

}  // namespace
