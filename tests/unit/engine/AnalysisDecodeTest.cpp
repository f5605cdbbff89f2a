#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/motion/AnalysisDecode.h"
#include "platform/Process.h"

namespace {

// The exact scan's text is what every earlier extraction ran; it must not change by a byte.
TEST(AnalysisDecodeTest, ExactScanKeepsItsCommandText) {
    EXPECT_EQ(AnalysisDecodeCommand("ffmpeg -y ", "/v/a.mp4", 240, 135, false),
              "ffmpeg -y -loglevel quiet -blocksize 1048576 -i \"/v/a.mp4\" -vf \"scale=240:135\" -f rawvideo "
              "-pix_fmt gray -");
    EXPECT_EQ(AnalysisDecodeCommand("ffmpeg -y -hwaccel cuda ", "/v/a.mp4", 480, 270, false),
              "ffmpeg -y -hwaccel cuda -loglevel quiet -blocksize 1048576 -i \"/v/a.mp4\" -vf \"scale=480:270\" -f "
              "rawvideo -pix_fmt gray -");
}

TEST(AnalysisDecodeTest, FastScanSkipsTheLoopFilterAndScalesFastBilinear) {
    EXPECT_EQ(AnalysisDecodeCommand("ffmpeg -y ", "/v/a.mp4", 240, 135, true),
              "ffmpeg -y -loglevel quiet -blocksize 1048576 -skip_loop_filter all -i \"/v/a.mp4\" -vf "
              "\"scale=240:135:flags=fast_bilinear\" -f rawvideo -pix_fmt gray -");
    // After the prefix's own input options, still before -i: placed after it ffmpeg would take it as an
    // output option and the decoder would filter every frame.
    const std::string cuda = AnalysisDecodeCommand("ffmpeg -y -hwaccel cuda ", "/v/a.mp4", 20, 11, true);
    EXPECT_EQ(cuda.rfind("ffmpeg -y -hwaccel cuda ", 0), 0u) << cuda;
    EXPECT_LT(cuda.find("-skip_loop_filter all"), cuda.find("-i \"")) << cuda;
    EXPECT_NE(cuda.find("\"scale=20:11:flags=fast_bilinear\""), std::string::npos) << cuda;
}

// An output option: after the filter, before the raw format, in both scans.
TEST(AnalysisDecodeTest, EachFrameOnceKeepsEveryDecodedFrame) {
    EXPECT_EQ(AnalysisDecodeCommand("ffmpeg -y ", "/v/a.mp4", 40, 30, false, true),
              "ffmpeg -y -loglevel quiet -blocksize 1048576 -i \"/v/a.mp4\" -vf \"scale=40:30\" -fps_mode passthrough "
              "-f rawvideo -pix_fmt gray -");
    EXPECT_EQ(AnalysisDecodeCommand("ffmpeg -y ", "/v/a.mp4", 40, 30, true, true),
              "ffmpeg -y -loglevel quiet -blocksize 1048576 -skip_loop_filter all -i \"/v/a.mp4\" -vf "
              "\"scale=40:30:flags=fast_bilinear\" -fps_mode passthrough -f rawvideo -pix_fmt gray -");
}

// The areas' rectangle is cut out before the scale, so the scale works on it alone.
TEST(AnalysisDecodeTest, ACropStandsBeforeTheScale) {
    EXPECT_EQ(AnalysisDecodeCommand("ffmpeg -y ", "/v/a.mp4", 120, 68, false, false, {480, 270, 960, 540}),
              "ffmpeg -y -loglevel quiet -blocksize 1048576 -i \"/v/a.mp4\" -vf \"crop=960:540:480:270,scale=120:68\" "
              "-f rawvideo -pix_fmt gray -");
}

TEST(AnalysisDecodeTest, EachModeSplitsIntoTheArgumentsFfmpegIsGiven) {
    // A quote must not end the path, a trailing backslash must not swallow its closing quote, and a percent
    // sign is text.
    for (const std::string path : {"/v/say \"hi\" 100%s.mp4", "/v/dir\\"}) {
        EXPECT_EQ(platform::SplitCommandLine(AnalysisDecodeCommand("ffmpeg -y ", path, 240, 135, false)),
                  (std::vector<std::string>{"ffmpeg", "-y", "-loglevel", "quiet", "-blocksize", "1048576", "-i", path,
                                            "-vf", "scale=240:135", "-f", "rawvideo", "-pix_fmt", "gray", "-"}))
            << path;
        EXPECT_EQ(platform::SplitCommandLine(AnalysisDecodeCommand("ffmpeg -y ", path, 240, 135, true)),
                  (std::vector<std::string>{
                      "ffmpeg", "-y", "-loglevel", "quiet", "-blocksize", "1048576", "-skip_loop_filter", "all", "-i",
                      path, "-vf", "scale=240:135:flags=fast_bilinear", "-f", "rawvideo", "-pix_fmt", "gray", "-"}))
            << path;
    }
}

}  // namespace
