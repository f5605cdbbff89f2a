// The automatic picture correction on clips made at test time: real ffmpeg stills, real measurement.
// The stills are JPEG and pass through limited-range YUV, so clip colours are chosen to land safely
// inside the rounding of the worked values.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/TarneloProcess.h"
#include "engine/render/AutoCorrection.h"
#include "integration/ClipFactory.h"
#include "log/AppLog.h"
#include "project/TarneloData.h"
#include "support/RecordingSink.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> FilesContaining(const std::string& folder, const std::string& part) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.find(part) != std::string::npos) names.push_back(name);
    }
    return names;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class AutoCorrectionClipTest : public clips::ClipTest {
protected:
    static void SetUpTestSuite() {
        AppLogConfig config;
        config.LOG_FILE_PATH = Folder() + "/test.log";
        AppLog().Start(config, "AutoCorrectionClipTest");
    }
    static void TearDownTestSuite() {
        AppLog().Stop();
        clips::ClipTest::TearDownTestSuite();
    }

    void SetUp() override {
        clips::ClipTest::SetUp();
        if (IsSkipped()) return;
        data.ResetAll(false);
        // A fresh output folder per test that does not exist yet: the analysis must make it.
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        data.output_folder = Folder() + "/out-" + info->name() + "/";
    }

    // A plain clip of one colour, 160x90 at 25 fps.
    std::string ColourClip(const std::string& name, const std::string& colour, int frames = 50) {
        clips::ClipOptions o;
        o.background = colour;
        o.frames = frames;
        return Clip(name, o);
    }

    // A clip made from a lavfi graph of our own (frames at 25 fps, 160x90 unless the graph says otherwise).
    std::string GraphClip(const std::string& name, const std::string& graph, int frames) {
        const std::string path = Folder() + "/" + name;
        const std::vector<std::string> argv = {"ffmpeg",    "-hide_banner", "-nostdin",  "-y",
                                               "-loglevel", "error",        "-f",        "lavfi",
                                               "-i",        graph,          "-frames:v", std::to_string(frames),
                                               "-pix_fmt",  "yuv420p",      "-c:v",      "libx264",
                                               "-preset",   "ultrafast",    path};
        EXPECT_EQ(clips::RunProgram(argv, path + ".log"), 0) << ReadFile(path + ".log");
        return path;
    }

    // Runs the analysis on input as the project's input file with the given frame count at 25 fps.
    int Analyze(const std::string& input, int frames) {
        data.input_file = input;
        data.m_sourceInfo.frame_num = frames;
        data.m_currentInfo.fps = 25;
        CTarneloProcess process(&sink, &data, false);
        return process.AnalyzeVideoEQParams(input);
    }

    static std::string LogText() {
        AppLog().Flush();
        return ReadFile(Folder() + "/test.log");
    }

    void ExpectNoStillLeft() {
        EXPECT_TRUE(FilesContaining(data.output_folder, "_frame_").empty()) << data.output_folder;
    }

    RecordingSink sink;
    CTarneloData data;
};

TEST_F(AutoCorrectionClipTest, MidGreyIsNeutralInExposure) {
    ASSERT_EQ(Analyze(ColourClip("grey.mp4", "0x808080"), 50), 0) << LogText();
    EXPECT_EQ(data.brightness.text, "0.0");
    EXPECT_EQ(data.gamma.text, "1.0");
    // A flat picture: the Y spread is below 1, so contrast is held at its upper limit.
    EXPECT_EQ(data.contrast.text, "2.0");
    // Grey has no saturation at all: (128 - 0) / 256 + 1; JPEG noise may add a hair.
    EXPECT_NEAR(data.saturation.value, 1.50, 0.011);
    EXPECT_NEAR(data.chroma_offset_u, 0, 2);
    EXPECT_NEAR(data.chroma_offset_v, 0, 2);
    ExpectNoStillLeft();
}

TEST_F(AutoCorrectionClipTest, VeryDarkClipIsBrightenedAndGammaClamped) {
    ASSERT_EQ(Analyze(ColourClip("dark.mp4", "0x0a0a0a"), 50), 0) << LogText();
    EXPECT_DOUBLE_EQ(data.brightness.value, 0.46) << LogText();
    EXPECT_EQ(data.brightness.text, "0.46");
    EXPECT_DOUBLE_EQ(data.gamma.value, 2.0);
    EXPECT_DOUBLE_EQ(data.contrast.value, 2.0);
    ExpectNoStillLeft();
}

TEST_F(AutoCorrectionClipTest, TwoToneClipWithASpreadOf52KeepsContrast) {
    // Left half Y 76, right half Y 180: standard deviation 52.
    const std::string clip =
        GraphClip("twotone.mp4", "color=c=0x4c4c4c:s=320x180:r=25,drawbox=x=160:y=0:w=160:h=180:c=0xb4b4b4:t=fill", 50);
    ASSERT_EQ(Analyze(clip, 50), 0) << LogText();
    EXPECT_NEAR(data.contrast.value, 1.00, 0.011) << LogText();
    EXPECT_EQ(data.brightness.text, "0.0");
    ExpectNoStillLeft();
}

TEST_F(AutoCorrectionClipTest, RedTintReducesSaturationByAFifth) {
    // Hue 10 degrees (bin 5), V mean near 189: a red cast. Its twin of the same saturation at hue 60 degrees
    // has no cast; both have S mean 153, so the estimate is 0.90 before the cast's reduction.
    ASSERT_EQ(Analyze(ColourClip("yellow.mp4", "0xC8C850"), 50), 0) << LogText();
    const double plain = data.saturation.value;
    EXPECT_NEAR(plain, 0.90, 0.011) << LogText();

    ASSERT_EQ(Analyze(ColourClip("red.mp4", "0xC86450"), 50), 0) << LogText();
    EXPECT_NEAR(data.saturation.value, 0.72, 0.011) << LogText();
    EXPECT_NEAR(data.saturation.value, RoundToHundredths(plain * 0.8), 0.011);
    EXPECT_GT(data.chroma_offset_v, 40);
    ExpectNoStillLeft();
}

TEST_F(AutoCorrectionClipTest, ShortClipTakesEveryStillFromTheFirstFrame) {
    // Frame 0 is dark, frames 1..4 white: any still past the first frame would darken nothing.
    const std::string clip =
        GraphClip("short.mp4", "color=c=0x0a0a0a:s=160x90:r=25,drawbox=c=white:t=fill:enable='gte(n,1)'", 5);
    ASSERT_EQ(Analyze(clip, 5), 0) << LogText();
    EXPECT_DOUBLE_EQ(data.brightness.value, 0.46) << LogText();
    EXPECT_NE(LogText().find("stills(10)"), std::string::npos);
    ExpectNoStillLeft();
}

TEST_F(AutoCorrectionClipTest, StillsSpreadOverTheSourceFrames) {
    // Frames 0..4 dark, 5..49 white: with step 5 only the first of the ten stills is dark.
    const std::string clip =
        GraphClip("spread.mp4", "color=c=0x0a0a0a:s=160x90:r=25,drawbox=c=white:t=fill:enable='gte(n,5)'", 50);
    ASSERT_EQ(Analyze(clip, 50), 0) << LogText();
    // Y mean about (10 + 9 x 254) / 10 = 229.6: (128 - 229.6) / 255 = -0.398, rounded toward zero.
    EXPECT_NEAR(data.brightness.value, -0.39, 0.011) << LogText();
    ExpectNoStillLeft();
}

TEST_F(AutoCorrectionClipTest, FailedStillLeavesSettingsUnchanged) {
    data.brightness.SetValueClamped(0.3);
    data.contrast.SetValueClamped(1.2);
    data.saturation.SetValueClamped(0.7);
    data.gamma.SetValueClamped(1.4);
    data.chroma_offset_u = 5;
    data.chroma_offset_v = -5;
    const CTarneloData before = data;

    const std::string fake = clips::WriteFile(Folder(), "notmedia.mp4", "this is no video");
    const int result = Analyze(fake, 50);
    EXPECT_NE(result, 0);
    EXPECT_NE(result, kEqNoStillRead);  // the still itself failed
    EXPECT_DOUBLE_EQ(data.brightness.value, 0.3);
    EXPECT_EQ(data.brightness.text, before.brightness.text);
    EXPECT_DOUBLE_EQ(data.contrast.value, 1.2);
    EXPECT_DOUBLE_EQ(data.saturation.value, 0.7);
    EXPECT_DOUBLE_EQ(data.gamma.value, 1.4);
    EXPECT_DOUBLE_EQ(data.chroma_offset_u, 5);
    EXPECT_DOUBLE_EQ(data.chroma_offset_v, -5);
    EXPECT_NE(LogText().find("CTarneloProcess::AnalyzeVideoEQParams"), std::string::npos);
    ExpectNoStillLeft();

    EXPECT_NE(Analyze(Folder() + "/missing.mp4", 50), 0);
    EXPECT_DOUBLE_EQ(data.brightness.value, 0.3);
    ExpectNoStillLeft();
}

TEST_F(AutoCorrectionClipTest, StaleStillsOfAnEarlierRunAreNotMeasured) {
    const std::string grey = ColourClip("stale-grey.mp4", "0x808080");
    // Bright stills under this input's names, as an interrupted earlier run would leave them.
    fs::create_directories(data.output_folder);
    const std::string white = ColourClip("white.mp4", "white", 5);
    for (const std::string& still : EqStillPaths(data.output_folder, grey)) {
        ASSERT_EQ(clips::RunProgram({"ffmpeg", "-v", "error", "-y", "-i", white, "-frames:v", "1", still},
                                    Folder() + "/stale.log"),
                  0);
    }
    // 1000 frames claimed for 50: stills 2..10 seek past the end, where ffmpeg succeeds without writing.
    ASSERT_EQ(Analyze(grey, 1000), 0) << LogText();
    EXPECT_EQ(data.brightness.text, "0.0") << LogText();
    EXPECT_NE(LogText().find("stills(1)"), std::string::npos);
    ExpectNoStillLeft();
}

TEST_F(AutoCorrectionClipTest, NoReadableStillChangesNothing) {
    // An ffmpeg that succeeds but leaves only empty files: every still runs, none can be read.
    const std::string tools = Folder() + "/fake-tools";
    fs::create_directories(tools);
    std::error_code ignored;
    fs::create_symlink(std::string(TARNELO_TEST_HELPER_DIR) + "/fake_ffmpeg", tools + "/ffmpeg", ignored);
    const std::string script = clips::WriteFile(Folder(), "touch.script", "touch-last\n");
    const char* path = std::getenv("PATH");
    const std::string savedPath = path ? path : "";
    setenv("PATH", (tools + ":" + savedPath).c_str(), 1);
    setenv("FAKE_FFMPEG_SCRIPT", script.c_str(), 1);

    data.brightness.SetValueClamped(0.25);
    data.chroma_offset_u = 3;
    const int result = Analyze(Folder() + "/anything.mp4", 50);
    setenv("PATH", savedPath.c_str(), 1);
    unsetenv("FAKE_FFMPEG_SCRIPT");

    EXPECT_EQ(result, kEqNoStillRead) << LogText();
    EXPECT_DOUBLE_EQ(data.brightness.value, 0.25);
    EXPECT_DOUBLE_EQ(data.chroma_offset_u, 3);
    EXPECT_NE(LogText().find("no still could be read"), std::string::npos);
    ExpectNoStillLeft();
}

TEST_F(AutoCorrectionClipTest, WildcardNamesTouchOnlyTheirOwnStills) {
    const std::string grey = ColourClip("glob-grey.mp4", "0x808080");
    const std::string white = ColourClip("glob-white.mp4", "white", 5);
    const std::string input = Folder() + "/a*b[1]?.mp4";
    fs::copy_file(grey, input, fs::copy_options::overwrite_existing);

    // Bright images whose names a pattern "a*b[1]?_frame_*.jpg" would match, read as a class or not.
    fs::create_directories(data.output_folder);
    const std::vector<std::string> decoys = {"aZb[1]Q_frame_001.jpg", "ab1Q_frame_002.jpg", "a*b[1]?_frame_011.jpg",
                                             "axxb[1]x_frame_007.jpg"};
    for (const std::string& decoy : decoys) {
        ASSERT_EQ(clips::RunProgram(
                      {"ffmpeg", "-v", "error", "-y", "-i", white, "-frames:v", "1", data.output_folder + decoy},
                      Folder() + "/decoy.log"),
                  0);
    }
    ASSERT_EQ(Analyze(input, 50), 0) << LogText();
    // A white decoy among the stills would have pulled brightness below zero.
    EXPECT_EQ(data.brightness.text, "0.0") << LogText();
    EXPECT_NE(LogText().find("stills(10)"), std::string::npos);
    for (const std::string& decoy : decoys) EXPECT_TRUE(fs::exists(data.output_folder + decoy)) << decoy;
    EXPECT_EQ(FilesContaining(data.output_folder, "_frame_").size(), decoys.size());
}

TEST_F(AutoCorrectionClipTest, PercentInTheNameIsKeptLiterally) {
    const std::string grey = ColourClip("pct-grey.mp4", "0x808080");
    const std::string input = Folder() + "/p%d 100%.mp4";
    fs::copy_file(grey, input, fs::copy_options::overwrite_existing);
    ASSERT_EQ(Analyze(input, 50), 0) << LogText();
    EXPECT_EQ(data.brightness.text, "0.0");
    // The image writer would otherwise have turned "%d" into a number and written other files.
    ExpectNoStillLeft();
}

}  // namespace
