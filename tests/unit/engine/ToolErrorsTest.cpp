#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "engine/tools/ToolErrors.h"

namespace {

TEST(ToolErrorsTest, FindsTheLastWriteErrorATextNames) {
    const std::string noSpace = std::strerror(ENOSPC);
    const std::string tooLarge = std::strerror(EFBIG);
    const std::string readOnly = std::strerror(EROFS);
    struct Case {
        std::string text;
        std::string found;
    };
    const Case cases[] = {
        {"", ""},
        {"frame=  10 fps=0.0 q=-1.0 Lsize=  1kB\r", ""},
        {"Invalid data found when processing input\n", ""},
        {"av_interleaved_write_frame(): " + noSpace + "\nConversion failed!\n", noSpace},
        {"Error writing trailer of a.mp4: " + tooLarge + "\nError closing file a.mp4: " + tooLarge + "\n", tooLarge},
        // Two different reasons: the later one is what ended the tool.
        {"x: " + noSpace + "\ny: " + readOnly + "\n", readOnly},
        {"y: " + readOnly + "\nx: " + noSpace + "\n", noSpace},
    };
    for (const Case& c : cases) EXPECT_EQ(WriteErrorIn(c.text), c.found) << c.text;
}

// What a damaged recording makes ffmpeg say, as the reason a user reads.
TEST(ToolErrorsTest, AFailedToolIsExplainedByItsOwnWords) {
    const std::string noSpace = std::strerror(ENOSPC);
    struct Case {
        int exitCode;
        std::string text;
        std::string reason;
    };
    const Case cases[] = {
        {1, "", ""},
        {1, "frame=  10 fps=0.0 q=-1.0\rConversion failed!\n", ""},
        {69, "", "too many of its frames could not be decoded (the file is damaged)"},
        {1,
         "Cannot determine format of input stream 0:0 after EOF\nError marking filters as finished\nConversion "
         "failed!\n",
         "Cannot determine format of input stream 0:0 after EOF"},
        {1,
         "[mov,mp4,m4a,3gp,3g2,mj2 @ 0x55d0] moov atom not found\nin.mp4: Invalid data found when processing input\n",
         "moov atom not found"},
        // A write error tells a full disk from a bad input, so it comes first.
        {1, "[h264 @ 0x1] error while decoding MB 3 4\nav_interleaved_write_frame(): " + noSpace + "\n", noSpace},
        {1, std::string(300, 'x') + " error\n", std::string(160, 'x')},
        // An output it cannot open: the system's words after the name are the reason.
        {1, "Stream mapping:\n/o/a_seg_0_9.mp4: " + std::string(std::strerror(EISDIR)) + "\n",
         "/o/a_seg_0_9.mp4: " + std::string(std::strerror(EISDIR))},
        // A tail that starts inside a line: that piece is no reason.
        {1, "rror while decoding" + std::string(4096, '.') + "\nError while decoding stream #0:0: Invalid data\n",
         "Error while decoding stream #0:0: Invalid data"},
    };
    for (const Case& c : cases) EXPECT_EQ(ToolFailureReason(c.exitCode, c.text), c.reason) << c.text;
}

TEST(ToolErrorsTest, AnOutputLeftWithoutItsIndexIsAFailure) {
    const std::string tooLarge = std::strerror(EFBIG);
    EXPECT_TRUE(ReportsUnfinishedOutput("frame=   75 fps=0.0\rError writing trailer of s.mp4: " + tooLarge + "\n"));
    EXPECT_TRUE(ReportsUnfinishedOutput("Error closing file s.mp4: " + std::string(std::strerror(EIO)) + "\n"));
    EXPECT_FALSE(ReportsUnfinishedOutput("[mp4 @ 0x5631] Starting second pass: moving the moov atom\n"));
    EXPECT_FALSE(ReportsUnfinishedOutput("    title           : " + tooLarge + "\n"));
    // The same words in a file's own tags, as ffmpeg's stream dump and ffprobe's report show them.
    EXPECT_FALSE(ReportsUnfinishedOutput("    title           : Error closing file x\n"));
    EXPECT_FALSE(ReportsUnfinishedOutput("{\"tags\": {\"title\": \"Error writing trailer of x: " + tooLarge + "\"}}"));
}

TEST(ToolErrorsTest, TheTailKeepsTheEndOfALongOutputAcrossChunks) {
    const std::string noSpace = std::strerror(ENOSPC);
    OutputTail tail;
    tail.Add("early: " + noSpace + "\n");
    // An hour of progress lines pushes the early text out; the tail stays small.
    for (int i = 0; i < 10000; ++i) tail.Add("frame= 1234 fps= 25 q=28.0 size=    1024kB time=00:00:49.36\r");
    EXPECT_EQ(WriteErrorIn(tail.Text()), "");
    EXPECT_LE(tail.Text().size(), 4096u);
    // A reason split over two reads is still found.
    const std::string line = "Error writing trailer of a.mp4: " + noSpace + "\n";
    tail.Add(line.substr(0, 40));
    tail.Add(line.substr(40));
    EXPECT_EQ(WriteErrorIn(tail.Text()), noSpace);
    // One chunk longer than the tail keeps its own end.
    tail.Add(std::string(10000, 'x') + "end");
    EXPECT_EQ(tail.Text().size(), 4096u);
    EXPECT_EQ(tail.Text().substr(4093), "end");
}

}  // namespace
