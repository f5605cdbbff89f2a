#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/render/Playback.h"
#include "project/TarneloData.h"
#include "support/JobRun.h"
#include "support/RecordingSink.h"

namespace {

const std::string kChain = "scale=iw*1.000000:ih,setsar=1,scale=480:270,pad=480:480:0:105:color=#505050";

TEST(PlaybackTest, PlayerCommandIsBuiltWhole) {
    struct Case {
        int left, top;
        const char* start;
        const char* file;
        const char* length;
        int volume;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {0, 0, "0.000000", "/v/in.mp4", "2.000000", 50,
         "ffplay -window_title \"KPREVIEW\" -noborder -autoexit -left 0 -top 0 -ss 0.000000 -i \"/v/in.mp4\" "
         "-t 2.000000 -af \"volume=0.500000\" -vf \"scale=iw*1.000000:ih,setsar=1,scale=480:270,"
         "pad=480:480:0:105:color=#505050,showinfo\""},
        {812, 64, "1.520000", "/v/a b.mp4", "10.010000", 5,
         "ffplay -window_title \"KPREVIEW\" -noborder -autoexit -left 812 -top 64 -ss 1.520000 -i \"/v/a b.mp4\" "
         "-t 10.010000 -af \"volume=0.050000\" -vf \"scale=iw*1.000000:ih,setsar=1,scale=480:270,"
         "pad=480:480:0:105:color=#505050,showinfo\""},
        // Out of range volumes from a damaged project stay within the slider's range.
        {0, 0, "0.000000", "/v/in.mp4", "1.000000", 150,
         "ffplay -window_title \"KPREVIEW\" -noborder -autoexit -left 0 -top 0 -ss 0.000000 -i \"/v/in.mp4\" "
         "-t 1.000000 -af \"volume=1.000000\" -vf \"scale=iw*1.000000:ih,setsar=1,scale=480:270,"
         "pad=480:480:0:105:color=#505050,showinfo\""},
        {-20, 0, "0.000000", "/v/in.mp4", "1.000000", -3,
         "ffplay -window_title \"KPREVIEW\" -noborder -autoexit -left -20 -top 0 -ss 0.000000 -i \"/v/in.mp4\" "
         "-t 1.000000 -af \"volume=0.000000\" -vf \"scale=iw*1.000000:ih,setsar=1,scale=480:270,"
         "pad=480:480:0:105:color=#505050,showinfo\""},
        // A quote in a name cannot end the argument early.
        {0, 0, "0.000000", "/v/say \"hi\".mp4", "1.000000", 100,
         "ffplay -window_title \"KPREVIEW\" -noborder -autoexit -left 0 -top 0 -ss 0.000000 -i \"/v/say "
         "\\\"hi\\\".mp4\" "
         "-t 1.000000 -af \"volume=1.000000\" -vf \"scale=iw*1.000000:ih,setsar=1,scale=480:270,"
         "pad=480:480:0:105:color=#505050,showinfo\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlayerCommand(c.left, c.top, c.start, c.file, c.length, c.volume, kChain), c.expected) << c.file;
    }
}

TEST(PlaybackTest, TimeAndLengthTexts) {
    EXPECT_EQ(PlayTimeText(0), "0.000000");
    EXPECT_EQ(PlayLengthText(50, 25), "2.000000");
    EXPECT_EQ(PlayLengthText(300, 30000.0 / 1001), "10.010000");
    EXPECT_EQ(PlayLengthText(50, 0), "0.000000");
    EXPECT_EQ(PlayLengthText(50, -25), "0.000000");
}

TEST(PlaybackTest, RestartWhenResetOrAtTheFinalFrame) {
    struct Case {
        const char* time;
        int position, frames;
        bool restart;
    };
    const std::vector<Case> cases = {
        {"0", 0, 100, true},          {"0", 50, 100, true},        {"2.000000", 50, 100, false},
        {"3.960000", 98, 100, false}, {"3.960000", 99, 100, true}, {"3.960000", 140, 100, true},
        {"0.000000", 0, 100, false},  {"1.000000", 0, 0, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlayRestartNeeded(c.time, c.position, c.frames), c.restart)
            << c.time << " P=" << c.position << " N=" << c.frames;
    }
}

TEST(PlaybackTest, NextRoundOfLoopPlay) {
    struct Case {
        bool loop;
        int result, position, frames;
        const char* time;
        const char* roundStart;
        bool again;
        const char* next;
    };
    const std::vector<Case> cases = {
        // Loop off, a stop or a failure end the play.
        {false, 0, 99, 100, "3.960000", "0.000000", false, ""},
        {true, -2, 40, 100, "1.600000", "0.000000", false, ""},
        {true, 1, 99, 100, "3.960000", "0.000000", false, ""},
        {true, -1, 0, 0, "0", "0.000000", false, ""},
        // The final frame reached: from frame 0.
        {true, 0, 99, 100, "3.960000", "0.000000", true, "0.000000"},
        {true, 0, 99, 100, "3.960000", "2.000000", true, "0.000000"},
        // Ended early: resume at the position reached, exactly as printed.
        {true, 0, 60, 100, "2.4", "0.000000", true, "2.4"},
        {true, 0, 98, 100, "3.92", "2.000000", true, "3.92"},
        // No progress past a later start: once more from the beginning.
        {true, 0, 50, 100, "2.000000", "2.000000", true, "0.000000"},
        {true, 0, 50, 100, "2.0", "2.000000", true, "0.000000"},
        // A round from the beginning that showed nothing: the player cannot play this file.
        {true, 0, 0, 100, "0", "0.000000", false, ""},
    };
    for (const Case& c : cases) {
        const PlayRound round = NextPlayRound(c.loop, c.result, c.position, c.frames, c.time, c.roundStart);
        EXPECT_EQ(round.again, c.again) << c.result << " P=" << c.position << " " << c.time << " from " << c.roundStart;
        if (c.again) {
            EXPECT_EQ(round.start, c.next) << c.time << " from " << c.roundStart;
        }
    }
}

TEST(PlaybackTest, ScenePreviewStartIndex) {
    struct Case {
        int listIdx, count;
        bool loop, sceneLoop, reachedEnd;
        int expected;
    };
    const std::vector<Case> cases = {
        // The final frame of scene 3 of 5 reached: scene 4 with either repeat setting.
        {2, 5, false, true, true, 3},
        {2, 5, true, false, true, 3},
        {2, 5, true, true, true, 3},
        {2, 5, false, false, true, 2},
        {2, 5, true, true, false, 2},
        // No next scene: the last one again.
        {4, 5, true, true, true, 4},
        // No selection starts at the first scene; a selection beyond the list or an empty list plays nothing.
        {-1, 5, true, true, true, 0},
        {-7, 5, false, false, false, 0},
        {5, 5, false, false, false, -1},
        {9, 5, true, true, true, -1},
        {0, 0, false, false, false, -1},
        {-1, 0, false, false, false, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScenePreviewStart(c.listIdx, c.count, c.loop, c.sceneLoop, c.reachedEnd), c.expected)
            << "idx=" << c.listIdx << " n=" << c.count << " loop=" << c.loop << " scene=" << c.sceneLoop
            << " end=" << c.reachedEnd;
    }
}

// Nothing to play ends the job at once, without a player, a selection or a still.
TEST(PlaybackTest, ScenePreviewWithoutAPlayableSceneEndsAtOnce) {
    for (int listIdx : {-1, 0, 3}) {
        RecordingSink sink;
        CTarneloData data;
        data.ResetAll(false);
        if (listIdx == 3) data.diff_list.Append(SceneEntry(0, 9, "/nonexistent/a_seg_0_9.mp4"));
        data.list_idx = listIdx;
        CTarneloProcess engine(&sink, &data);
        ASSERT_TRUE(engine.StartJob(kJobScenePreview));
        ASSERT_TRUE(sink.WaitFor(testsupport::HasFinished));
        engine.JoinJobThread();
        engine.WaitPreviewIdle();
        const auto finished = sink.Messages(WM_APP_PROCESS_FINISHED);
        EXPECT_EQ(finished.back().wParam, static_cast<WParam>(kJobScenePreview));
        EXPECT_EQ(finished.back().lParam, -1) << listIdx;
        EXPECT_EQ(sink.Count(WM_APP_SELECT_SCENE), 0u) << listIdx;
        EXPECT_EQ(sink.Count(WM_APP_FIND_PLAYER), 0u) << listIdx;
        EXPECT_EQ(sink.Count(WM_APP_PREVIEW_IMAGE), 0u) << listIdx;
        ASSERT_FALSE(sink.Messages(WM_APP_JOB_STATE).empty());
        EXPECT_EQ(sink.Messages(WM_APP_JOB_STATE).back().wParam, static_cast<WParam>(kJobStateFailed));
        EXPECT_EQ(engine.Status().jobId, 0);
    }
}

}  // namespace
