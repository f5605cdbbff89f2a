#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/scenes/SceneRules.h"
#include "integration/ClipFactory.h"
#include "project/TarneloData.h"
#include "support/JobRun.h"
#include "support/ProcessWatch.h"
#include "support/RecordingSink.h"

namespace fs = std::filesystem;

namespace {

using Messages = std::vector<RecordingSink::Message>;

constexpr int kClipFrames = 20;   // 0.8 s at 25 fps
constexpr int kSceneFrames = 10;  // each scene's segment: 0.4 s

class PlaybackJobTest : public clips::ClipTest {
protected:
    PlaybackJobTest() : engine(&sink, &data) { data.ResetAll(false); }

    void SetUp() override {
        clips::ClipTest::SetUp();
        if (IsSkipped()) return;
        if (!clips::OnPath("ffplay")) GTEST_SKIP() << "ffplay is not on PATH";
        // The player runs without a display or a sound device.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }

    // The input prepared as opening it on the scene tab does.
    void OpenInput(const std::string& outName) {
        clips::ClipOptions o;
        o.frames = kClipFrames;
        o.audio = true;
        o.motion = {{5, 14}};
        data.input_file = Clip("play.mp4", o);
        data.output_folder = Folder() + "/" + outName + "/";
        data.output_name = "_trim.mp4";
        ASSERT_EQ(engine.PrepareInput(false), 0);
        engine.WaitPreviewIdle();
        sink.Clear();
    }

    // Five scenes of ten frames, each with its own segment file, as an extraction leaves them.
    void MakeScenes(const std::string& outName) {
        clips::ClipOptions o;
        o.frames = kClipFrames * 5 / 2;
        data.input_file = Clip("scenes.mp4", o);
        data.output_folder = Folder() + "/" + outName + "/";
        data.output_name = "_trim.mp4";
        fs::create_directories(data.output_folder);
        clips::ClipOptions segment;
        segment.frames = kSceneFrames;
        const std::string source = Clip("segment.mp4", segment);
        for (int k = 0; k < 5; ++k) {
            const int first = k * kSceneFrames;
            const std::string name =
                SegmentFileName(data.output_folder, SegmentFileBase(data.input_file), first, first + kSceneFrames - 1);
            fs::copy_file(source, name, fs::copy_options::overwrite_existing);
            data.diff_list.Append(SceneEntry(first, first + kSceneFrames - 1, name));
        }
        // The tab selects the row it is told to (and records the selection) as its handler does.
        sink.m_onMessage = [this](const RecordingSink::Message& m) {
            if (m.message == WM_APP_SELECT_SCENE && m.lParam == 0) data.list_idx = static_cast<int>(m.wParam);
        };
    }

    // Has the scene shown as selecting its row does, then leaves the position at its final frame.
    void EndedAtFinalFrameOf(int index) {
        data.list_idx = index;
        ASSERT_EQ(engine.LoadPreviewFile(data.diff_list.Snapshot()[index].fileName, true), 0);
        engine.WaitPreviewIdle();
        engine.SetCurrentPlay(kSceneFrames - 1, "0.360000");
        sink.Clear();
    }

    static bool Finished(const Messages& ms) { return testsupport::HasFinished(ms); }

    // Runs a job to its end and returns its result.
    int Run(int id) {
        EXPECT_TRUE(engine.StartJob(id));
        EXPECT_TRUE(sink.WaitFor(Finished, std::chrono::seconds(60)));
        engine.JoinJobThread();
        const auto finished = sink.Messages(WM_APP_PROCESS_FINISHED);
        EXPECT_EQ(finished.size(), 1u);
        EXPECT_EQ(finished.back().wParam, static_cast<WParam>(id));
        return static_cast<int>(finished.back().lParam);
    }

    // Starts a job, stops it once the nth player is up and returns the result.
    int RunAndStop(int id, size_t players = 1) {
        EXPECT_TRUE(engine.StartJob(id));
        EXPECT_TRUE(sink.WaitFor([players](const Messages& ms) {
            size_t found = 0;
            for (const auto& m : ms)
                if (m.message == WM_APP_FIND_PLAYER) ++found;
            return found >= players;
        }));
        engine.CancelProcess();
        engine.JoinJobThread();
        const auto finished = sink.Messages(WM_APP_PROCESS_FINISHED);
        EXPECT_EQ(finished.size(), 1u);
        return finished.empty() ? 0 : static_cast<int>(finished.back().lParam);
    }

    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (const auto& m : sink.Messages(WM_APP_SELECT_SCENE)) rows.push_back(static_cast<int>(m.wParam));
        return rows;
    }

    std::vector<int> States() const {
        std::vector<int> states;
        for (const auto& m : sink.Messages(WM_APP_JOB_STATE)) states.push_back(static_cast<int>(m.wParam));
        return states;
    }

    void ExpectNoPlayerLeft() {
        engine.WaitPreviewIdle();  // the still renderer is a child too
        EXPECT_EQ(engine.Status().childPid, 0);
        EXPECT_TRUE(testsupport::ChildrenOf(getpid()).empty());
    }

    RecordingSink sink;
    CTarneloData data;
    CTarneloProcess engine;
};

TEST_F(PlaybackJobTest, InputPreviewPlaysToTheEndReportingPositions) {
    OpenInput("whole");
    data.play_vol = 50;
    EXPECT_EQ(Run(kJobInputPreview), 0);

    ASSERT_EQ(sink.Count(WM_APP_FIND_PLAYER), 1u);
    EXPECT_FALSE(sink.Messages(WM_APP_FIND_PLAYER)[0].sent);
    const auto starts = sink.Messages(WM_APP_JOB_START);
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.front().text, "入力プレビュー");
    EXPECT_EQ(starts.front().lParam, -1);

    // The restart shows frame 0 first, then the player's frames follow in order up to the last one.
    const auto positions = sink.Messages(WM_APP_PLAY_POSITION);
    ASSERT_GE(positions.size(), 3u);
    int sentZero = 0;
    int last = -1;
    for (const auto& p : positions) {
        EXPECT_EQ(p.lParam, kClipFrames);
        if (p.sent) {
            if (p.wParam == 0) ++sentZero;
            continue;
        }
        EXPECT_GT(static_cast<int>(p.wParam), last);
        last = static_cast<int>(p.wParam);
    }
    EXPECT_GE(sentZero, 1);
    EXPECT_EQ(last, kClipFrames - 1);
    EXPECT_EQ(engine.CurrentPlayFrame(), kClipFrames - 1);
    EXPECT_EQ(engine.CurrentPlayTime(), "0.760000");  // the final frame's time is computed, not printed
    EXPECT_EQ(States().back(), kJobStateStopped);
    EXPECT_TRUE(sink.m_playbackEnded);
    ExpectNoPlayerLeft();

    // The still of the position reached follows.
    engine.WaitPreviewIdle();
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 1u);

    // Played to the end, the next play starts over from frame 0.
    sink.Clear();
    EXPECT_EQ(Run(kJobInputPreview), 0);
    ASSERT_FALSE(sink.Messages(WM_APP_JOB_START).empty());
    EXPECT_EQ(sink.Messages(WM_APP_JOB_START).front().text, "入力プレビュー");
}

TEST_F(PlaybackJobTest, LoopPlayStartsTheNextRoundAtFrameZeroUntilStopped) {
    OpenInput("loop");
    data.play_loop = true;
    EXPECT_EQ(RunAndStop(kJobInputPreview, 3), -2);

    // Each round after the first begins near frame 0 after the previous one reached the last frame.
    const auto all = sink.Messages();
    std::vector<std::vector<int>> rounds;
    for (const auto& m : all) {
        if (m.message == WM_APP_FIND_PLAYER) rounds.emplace_back();
        if (m.message == WM_APP_PLAY_POSITION && !m.sent && !rounds.empty()) {
            rounds.back().push_back(static_cast<int>(m.wParam));
        }
    }
    ASSERT_GE(rounds.size(), 3u);
    for (size_t r = 0; r + 1 < rounds.size(); ++r) {
        ASSERT_FALSE(rounds[r].empty()) << "round " << r;
        EXPECT_EQ(rounds[r].back(), kClipFrames - 1) << "round " << r;
        if (r > 0) {
            EXPECT_LE(rounds[r].front(), 2) << "round " << r;
        }
    }
    // One stage announcement for the whole loop; the stop ends in Stopped, never Failed.
    EXPECT_EQ(sink.Count(WM_APP_JOB_START), 1u);
    EXPECT_EQ(States().back(), kJobStateStopped);
    for (int s : States()) EXPECT_NE(s, kJobStateFailed);
    // A stopped preview is captured by the tab; no still is rendered over it.
    EXPECT_EQ(sink.m_captureCount, 1);
    engine.WaitPreviewIdle();
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 0u);
    ExpectNoPlayerLeft();
}

TEST_F(PlaybackJobTest, ContinuousPlayAfterTheEndOfSceneThreeStartsAtSceneFour) {
    MakeScenes("continue");
    EndedAtFinalFrameOf(2);
    data.play_scene_loop = true;
    EXPECT_EQ(Run(kJobScenePreview), 0);
    EXPECT_EQ(Selected(), (std::vector<int>{3, 4}));
    EXPECT_EQ(sink.Count(WM_APP_FIND_PLAYER), 2u);
    EXPECT_EQ(data.list_idx, 4);
    const auto starts = sink.Messages(WM_APP_JOB_START);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].text, "シーンプレビュー");
    EXPECT_EQ(starts[1].text, "シーンプレビュー");
    // Positions count in the segment's frames.
    for (const auto& p : sink.Messages(WM_APP_PLAY_POSITION)) {
        EXPECT_EQ(p.lParam, kSceneFrames);
        EXPECT_LE(static_cast<int>(p.wParam), kSceneFrames);
    }
    engine.WaitPreviewIdle();
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 1u);
    ExpectNoPlayerLeft();
}

TEST_F(PlaybackJobTest, SceneStartWithoutContinuousPlayPlaysExactlyOneScene) {
    MakeScenes("single");
    EndedAtFinalFrameOf(1);
    EXPECT_EQ(Run(kJobScenePreview), 0);
    // At the end of scene 2 with both repeat settings off, scene 2 starts over and nothing follows.
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    EXPECT_EQ(sink.Count(WM_APP_FIND_PLAYER), 1u);
    EXPECT_EQ(data.list_idx, 1);
    ExpectNoPlayerLeft();
}

TEST_F(PlaybackJobTest, MissingSegmentEndsAtOnceWithoutPlayerOrStill) {
    MakeScenes("missing");
    fs::remove(data.diff_list.Snapshot()[1].fileName);
    data.list_idx = 1;
    data.play_scene_loop = true;
    const int result = Run(kJobScenePreview);
    EXPECT_NE(result, 0);
    EXPECT_NE(result, -2);
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    EXPECT_EQ(sink.Count(WM_APP_FIND_PLAYER), 0u);
    ASSERT_FALSE(States().empty());
    EXPECT_EQ(States().back(), kJobStateFailed);
    engine.WaitPreviewIdle();
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 0u);
    ExpectNoPlayerLeft();
}

TEST_F(PlaybackJobTest, StoppedScenePreviewFinishesWithMinusTwoAndNoStill) {
    MakeScenes("stop");
    EndedAtFinalFrameOf(0);
    data.play_loop = true;  // keeps the scene playing until the stop arrives
    data.play_scene_loop = true;
    EXPECT_EQ(RunAndStop(kJobScenePreview), -2);
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    EXPECT_EQ(States().back(), kJobStateStopped);
    engine.WaitPreviewIdle();
    EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 0u);
    EXPECT_EQ(engine.Status().jobId, 0);
    ExpectNoPlayerLeft();
}

}  // namespace
