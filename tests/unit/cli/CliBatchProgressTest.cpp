// The progress of an extract batch by bytes, its time left, and the lines and table made of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CliBatchProgress.h"

namespace {

using cli::BatchProgress;
using cli::FileOutcome;
using cli::FileStatus;

TEST(CliBatchProgressTest, CountsTheBytesReadAndDropsWhatAFileThatEndedDidNotRead) {
    BatchProgress progress({100, 300, 600});
    EXPECT_EQ(progress.Files(), 3u);
    EXPECT_EQ(progress.Percent(), 0);
    EXPECT_LT(progress.SecondsLeft(10), 0);  // nothing read yet

    progress.Start(0);
    progress.Decoded(0, 0.5);
    EXPECT_EQ(progress.Running(), std::vector<size_t>{0});
    EXPECT_DOUBLE_EQ(progress.BytesRead(), 50);
    EXPECT_DOUBLE_EQ(progress.BytesLeft(), 950);
    EXPECT_EQ(progress.Percent(), 5);
    // 50 bytes in 2 s: 950 more take 38 s.
    EXPECT_DOUBLE_EQ(progress.SecondsLeft(2), 38);
    EXPECT_LT(progress.SecondsLeft(0.5), 0);  // too early to tell

    progress.Decoded(0, 0.25);  // never backwards
    EXPECT_DOUBLE_EQ(progress.BytesRead(), 50);
    progress.Decoded(0, 1);
    progress.Finish(0);
    // A skipped file reads nothing and leaves nothing to read.
    progress.Start(1);
    progress.Finish(1);
    EXPECT_EQ(progress.FilesDone(), 2u);
    EXPECT_DOUBLE_EQ(progress.BytesLeft(), 600);
    EXPECT_EQ(progress.Percent(), 14);  // 100 of 700

    // A failed file keeps what it read.
    progress.Start(2);
    progress.Decoded(2, 0.5);
    progress.Finish(2);
    progress.Decoded(2, 0.9);  // a late report of a file that ended is ignored
    EXPECT_DOUBLE_EQ(progress.BytesRead(), 400);
    EXPECT_DOUBLE_EQ(progress.BytesLeft(), 0);
    EXPECT_EQ(progress.Percent(), 100);
    EXPECT_LT(progress.SecondsLeft(100), 0);
    EXPECT_TRUE(progress.Running().empty());
}

TEST(CliBatchProgressTest, TellsTheTimeLeftInMinutesAndHours) {
    EXPECT_EQ(cli::TimeLeftText(-1), "");
    EXPECT_EQ(cli::TimeLeftText(0.4), "~0s left");
    EXPECT_EQ(cli::TimeLeftText(59.4), "~59s left");
    EXPECT_EQ(cli::TimeLeftText(125), "~2m05s left");
    EXPECT_EQ(cli::TimeLeftText(4200), "~1h10m left");
}

TEST(CliBatchProgressTest, TheLineNamesTheFilesAndFitsTheTerminal) {
    BatchProgress progress({1000, 1000, 1000});
    progress.Start(0);
    progress.Decoded(0, 1);
    progress.Finish(0);
    progress.Start(1);
    progress.Decoded(1, 0.2);
    progress.Start(2);
    EXPECT_EQ(cli::FormatBatchLine(progress, {"b.mp4", "c.mp4"}, 12, 0), "  1/3 files   40%  ~18s left  b.mp4, c.mp4");
    EXPECT_EQ(cli::FormatBatchLine(progress, {"b.mp4", "c.mp4"}, 12, 30), "  1/3 files   40%  ~18s lef...");
    // Never inside a character of a name.
    const std::string line = cli::FormatBatchLine(progress, {"動画ファイル.mp4"}, 12, 38);
    EXPECT_EQ(line, "  1/3 files   40%  ~18s left  動...");
}

TEST(CliBatchProgressTest, EachFileEndsWithItsLineAndTheBatchWithItsTable) {
    const std::vector<cli::BatchInput> inputs = {
        {"/c/a.mp4", "cam/a.mp4", true, 10}, {"/c/long name.mp4", "cam/long name.mp4", true, 10},
        {"/c/n.mp4", "cam/n.mp4", true, 10}, {"/c/t.mp4", "cam/t.mp4", true, 10},
        {"/c/s.mp4", "cam/s.mp4", true, 10},
    };
    const std::vector<FileOutcome> outcomes = {
        {FileStatus::kDone, "", 2, 7.5},
        {FileStatus::kSkipped, "already scanned", 0, 0},
        {FileStatus::kSkipped, "not a video (ffprobe cannot read it)", -1, 0},
        {FileStatus::kFailed, "extraction failed: ExitCode(1)", 1, 3},
        {FileStatus::kStopped, "not started", -1, 0},
    };
    EXPECT_EQ(cli::FormatFileEnd(0, 5, inputs[0].shown, outcomes[0]),
              "[1/5] done     cam/a.mp4: 2 scenes, 7.50 s of motion");
    EXPECT_EQ(cli::FormatFileEnd(1, 5, inputs[1].shown, outcomes[1]),
              "[2/5] skipped  cam/long name.mp4: 0 scenes, 0.00 s of motion; already scanned");
    EXPECT_EQ(cli::FormatFileEnd(3, 5, inputs[3].shown, outcomes[3]),
              "[4/5] failed   cam/t.mp4: extraction failed: ExitCode(1)");
    EXPECT_EQ(cli::FormatBatchSummary(inputs, outcomes),
              "file               scenes   seconds  status   reason\n"
              "cam/a.mp4               2      7.50  done\n"
              "cam/long name.mp4       0      0.00  skipped  already scanned\n"
              "cam/n.mp4               -         -  skipped  not a video (ffprobe cannot read it)\n"
              "cam/t.mp4               1      3.00  failed   extraction failed: ExitCode(1)\n"
              "cam/s.mp4               -         -  stopped  not started\n"
              "5 files: 1 done, 2 skipped, 1 failed, 1 stopped; 3 scenes, 10.50 seconds of motion\n");
}

}  // namespace
