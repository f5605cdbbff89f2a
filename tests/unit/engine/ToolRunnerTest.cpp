#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/tools/ToolErrors.h"
#include "platform/Process.h"
#include "project/TarneloData.h"
#include "support/EngineTestAccess.h"
#include "support/ProcessWatch.h"
#include "support/RecordingSink.h"

using testsupport::Helper;

namespace {

std::string Quoted(const std::string& path) { return "\"" + platform::EscapeQuotedArgument(path) + "\""; }

class ToolRunnerTest : public ::testing::Test {
protected:
    ToolRunnerTest() : engine(&sink, &data) { data.ResetAll(false); }

    // Runs body on a stand-in job thread, as the engine's job thread would.
    void RunAsJob(std::function<void()> body) {
        EngineTestAccess::SetRunning(engine, true);
        job = std::thread([this, body] {
            body();
            EngineTestAccess::SetRunning(engine, false);
        });
    }
    void TearDown() override {
        if (job.joinable()) job.join();
    }

    std::vector<RecordingSink::Message> States() const { return sink.Messages(WM_APP_JOB_STATE); }

    RecordingSink sink;
    CTarneloData data;
    CTarneloProcess engine;
    std::thread job;
};

TEST_F(ToolRunnerTest, MissingProgramFailsOnceAndLeavesNothingBehind) {
    const int fdsBefore = testsupport::OpenDescriptorCount();
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmd("tarnelo_no_such_program --flag \"a b\""), -1);
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(false, "tarnelo_no_such_program", 10, 0), -1);
    const auto states = States();
    ASSERT_EQ(states.size(), 2u);
    for (const auto& m : states) {
        EXPECT_EQ(m.wParam, static_cast<WParam>(kJobStateFailed));
        EXPECT_EQ(m.text, "CreateProcess failed with error 2");
    }
    EXPECT_EQ(testsupport::OpenDescriptorCount(), fdsBefore);
    EXPECT_TRUE(testsupport::ChildrenOf(getpid()).empty());
}

TEST_F(ToolRunnerTest, ArgumentsReachTheChildExactlyWithoutAShell) {
    const std::vector<std::string> names = {
        "plain",          "with space",          "quo\"te", "it's", "back\\slash", "trailing\\",
        "$HOME;rm -rf x", "日本語 ファイル.mp4", "",
    };
    std::string command = Quoted(Helper("print_args"));
    std::string expected;
    for (const std::string& n : names) {
        command += " " + Quoted(n);
        expected += "[" + n + "]\n";
    }
    std::string output;
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmd(command, &output), 0);
    EXPECT_EQ(output, expected);
}

TEST_F(ToolRunnerTest, OutputArrivesWholeAndExitCodeIsReturned) {
    std::string output;
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmd(
                  Quoted(Helper("fake_ffmpeg")) + " repeat 3000 0123456789abcdef exit 7", &output),
              7);
    EXPECT_EQ(output.size(), 3000u * 16);
    EXPECT_TRUE(States().empty());  // plain runs leave reporting to the caller
}

TEST_F(ToolRunnerTest, EncodingProgressReportsEachNewFrameOnceWithTheOffset) {
    const std::string command =
        Quoted(Helper("fake_ffmpeg")) + " frames 1 3 1 5 frames 3 3 1 1 err frame=4\\x20fps=1\\r frames 5 6 1 12";
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(false, command, 50, 100), 0);
    std::vector<LParam> values;
    for (const auto& m : sink.Messages(WM_APP_JOB_PROGRESS)) {
        EXPECT_EQ(m.wParam, 50u);
        EXPECT_FALSE(m.sent);
        values.push_back(m.lParam);
    }
    EXPECT_EQ(values, (std::vector<LParam>{101, 102, 103, 104, 105, 106}));
    EXPECT_TRUE(States().empty());  // success in encoding mode: the calling job reports
}

TEST_F(ToolRunnerTest, FailuresOfProgressRunsAreShown) {
    EXPECT_EQ(
        EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(false, Quoted(Helper("fake_ffmpeg")) + " exit 3", 10, 0),
        3);
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(false, Quoted(Helper("fake_ffmpeg")), 0, 0), -1);
    const auto states = States();
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[0].text, "ExitCode(3)");
    EXPECT_EQ(states[1].text, "TotalFrame(0)");
}

// A full disk or a file-size limit shows as the system's reason, not only as an exit code, and is kept for
// the front-end until the next job starts.
TEST_F(ToolRunnerTest, AFailedWriteIsToldByTheSystemsReason) {
    const std::string fake = Quoted(Helper("fake_ffmpeg"));
    const std::string noSpace = std::strerror(ENOSPC);
    const std::string tooLarge = std::strerror(EFBIG);
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(
                  false,
                  fake + " frames 1 4 1 5 err " + Quoted("Error writing trailer of /o/a.mp4: " + noSpace + "\\n") +
                      " err " + Quoted("Conversion failed!\\n") + " exit 1",
                  10, 0),
              1);
    EXPECT_EQ(engine.LastWriteError(), noSpace);
    // The system's texts are found only where the tool named them: another failure is told by the tool's words
    // and is no write error.
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(
                  false, fake + " err " + Quoted("Invalid data found\\n") + " exit 3", 10, 0),
              3);
    EXPECT_EQ(engine.LastWriteError(), noSpace);
    // A tool ended by the file-size limit itself says nothing; its signal tells.
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmd(fake + " signal " + std::to_string(SIGXFSZ)), 128 + SIGXFSZ);
    EXPECT_EQ(engine.LastWriteError(), tooLarge);
    // ffmpeg 5 exits with 0 when it could not write its file's index; the file is unusable all the same.
    const std::string unfinished = " err " + Quoted("Error writing trailer of /o/a.mp4: " + tooLarge + "\\n");
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmd(fake + unfinished), 1);
    EXPECT_EQ(
        EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(false, fake + " frames 1 4 1 5" + unfinished, 10, 0), 1);
    const auto states = States();
    ASSERT_EQ(states.size(), 3u);
    EXPECT_EQ(states[0].text, "ExitCode(1): " + noSpace);
    EXPECT_EQ(states[1].text, "ExitCode(3): Invalid data found");
    EXPECT_EQ(states[2].text, "ExitCode(1): " + tooLarge);
}

// A header that makes 4 s of video into hours of audio is stopped once the output runs far past the video; a
// slower or padded encode near its length is not.
TEST_F(ToolRunnerTest, AnEncodeThatRunsFarPastItsVideoIsStopped) {
    data.m_currentInfo.fps = 25;
    const std::string fake = Quoted(Helper("fake_ffmpeg"));
    const auto status = [](const char* time) {
        return std::string(" err ") + Quoted(std::string("frame=    4 fps=0.1 q=1.0 size=  1kB time=") + time +
                                             " bitrate= 118.2kbits/s speed=29.3x    \\r");
    };
    EXPECT_EQ(
        EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(false, fake + status("00:05:39.00") + " exit 0", 100, 0),
        0);
    EXPECT_EQ(
        EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(false, fake + status("00:16:53.11") + " hang", 100, 0),
        1);
    const auto states = States();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].text, "ExitCode(1): it wrote 1013 s for 4 s of video; the file's header is damaged");
    EXPECT_DOUBLE_EQ(LastStatusSeconds("time=01:02:03.50 bitrate"), 3723.5);
    EXPECT_EQ(LastStatusSeconds("time=N/A bitrate"), -1);
}

TEST_F(ToolRunnerTest, PlaybackFollowsShowinfoAndEndsStopped) {
    data.m_currentInfo.fps = 25;
    data.m_currentInfo.start_frame = 0;
    const std::string command = Quoted(Helper("fake_ffmpeg")) +
                                " showinfo 0 0.000000 showinfo 1 0.040000 showinfo 1 0.040000 showinfo 9 0.360000";
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(true, command, 10, 0), 0);
    ASSERT_EQ(sink.Count(WM_APP_FIND_PLAYER), 1u);
    const auto positions = sink.Messages(WM_APP_PLAY_POSITION);
    ASSERT_EQ(positions.size(), 3u);
    EXPECT_EQ(positions[0].wParam, 0u);
    EXPECT_EQ(positions[1].wParam, 1u);
    EXPECT_EQ(positions[2].wParam, 9u);
    EXPECT_EQ(positions[2].lParam, 10);
    // The last frame's time is computed, not the printed one.
    EXPECT_EQ(engine.CurrentPlayFrame(), 9);
    EXPECT_EQ(engine.CurrentPlayTime(), "0.360000");
    EXPECT_TRUE(sink.m_playbackEnded);
    const auto states = States();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].wParam, static_cast<WParam>(kJobStateStopped));
}

TEST_F(ToolRunnerTest, PlaybackPastTheEndClampsAndHeldSliderSilencesPositions) {
    data.m_currentInfo.fps = 30;
    sink.m_sliderHeld = true;
    const std::string command = Quoted(Helper("fake_ffmpeg")) + " showinfo 0 0.500000 showinfo 1 2.000000";
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(true, command, 20, 0), 0);
    EXPECT_EQ(sink.Count(WM_APP_PLAY_POSITION), 0u);
    EXPECT_EQ(engine.CurrentPlayFrame(), 19);
    EXPECT_EQ(engine.CurrentPlayTime(), "0.633333");
}

TEST_F(ToolRunnerTest, CancelStopsAHangingChildAndItsGrandchild) {
    std::atomic<int> result{1};
    RunAsJob([&] {
        result = EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(
            false, Quoted(Helper("spawn_grandchild")) + " hang", 10, 0);
    });
    // The helper prints its pids before hanging; wait until the runner has published the child.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return engine.Status().childPid != 0; }));
    const long child = engine.Status().childPid;
    engine.CancelProcess();
    EXPECT_FALSE(engine.Status().running);
    EXPECT_EQ(result.load(), -2);
    EXPECT_TRUE(testsupport::WaitGone(child));
    job.join();
    EXPECT_TRUE(testsupport::ChildrenOf(getpid()).empty());
    EXPECT_TRUE(States().empty());  // a stop in encoding mode is reported by the job
}

TEST_F(ToolRunnerTest, StoppedPlaybackEndsStoppedNeverFailed) {
    data.m_currentInfo.fps = 25;
    std::atomic<int> result{1};
    RunAsJob(
        [&] { result = EngineTestAccess::Jobs(engine).ExecuteCmdWithProgress(true, Quoted(Helper("hang")), 100, 0); });
    ASSERT_TRUE(sink.WaitFor([](const auto& ms) {
        for (const auto& m : ms)
            if (m.message == WM_APP_FIND_PLAYER) return true;
        return false;
    }));
    EngineTestAccess::SetJobId(engine, kJobInputPreview);
    engine.CancelProcess();
    EXPECT_EQ(result.load(), -2);
    EXPECT_EQ(sink.m_captureCount, 1);  // a preview is captured before it is stopped
    const auto states = States();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].wParam, static_cast<WParam>(kJobStateStopped));
}

TEST_F(ToolRunnerTest, CancelDoesNothingWithoutAJobAndIsNotReentered) {
    engine.CancelProcess();
    EXPECT_EQ(sink.m_pumpCount, 0);
    EXPECT_FALSE(engine.CancelRequested());

    int nestedPumps = -1;
    sink.m_onPump = [&] {
        if (nestedPumps >= 0) return;
        const int before = sink.m_pumpCount;
        engine.CancelProcess();  // a second stop press while the first waits
        nestedPumps = sink.m_pumpCount - before;
    };
    RunAsJob([&] { EngineTestAccess::Jobs(engine).ExecuteCmd(Quoted(Helper("hang"))); });
    engine.CancelProcess();
    EXPECT_EQ(nestedPumps, 0);
    EXPECT_FALSE(engine.CancelRequested());  // cleared for the next job
}

TEST_F(ToolRunnerTest, NormalEndLeavesNoGrandchildHoldingThePipe) {
    std::string output;
    EXPECT_EQ(EngineTestAccess::Jobs(engine).ExecuteCmd(Quoted(Helper("spawn_grandchild")) + " exit", &output), 0);
    long child = 0, grandchild = 0;
    // The grandchild's own line may come first: the two processes write to the pipe independently.
    const size_t line = output.rfind("child ", output.find(" grandchild "));
    ASSERT_NE(line, std::string::npos) << output;
    ASSERT_EQ(std::sscanf(output.c_str() + line, "child %ld grandchild %ld", &child, &grandchild), 2) << output;
    EXPECT_TRUE(testsupport::WaitGone(grandchild));
}

}  // namespace
