#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/render/AutoCorrection.h"
#include "engine/render/ImageReader.h"
#include "platform/Process.h"

namespace {

EqStatistics Stats(double meanY, double stddevY, double meanS, double meanU = 128, double meanV = 128,
                   int peakHue = 0) {
    EqStatistics s;
    s.meanY = meanY;
    s.stddevY = stddevY;
    s.meanS = meanS;
    s.meanU = meanU;
    s.meanV = meanV;
    s.peakHue = peakHue;
    return s;
}

}  // namespace

TEST(AutoCorrectionTest, WorkedValues) {
    const struct {
        const char* what;
        EqStatistics in;
        double brightness, contrast, saturation, gamma;
    } cases[] = {
        {"mid grey", Stats(128, 52, 128), 0.00, 1.00, 1.00, 1.00},
        {"very dark", Stats(10, 52, 128), 0.46, 1.00, 1.00, 2.00},  // 118 / 255 = 0.4627; gamma clamped
        {"flat", Stats(128, 2, 128), 0.00, 2.00, 1.00, 1.00},       // sqrt(26) clamped
        {"no spread at all", Stats(128, 0, 128), 0.00, 2.00, 1.00, 1.00},
        {"wide spread", Stats(128, 400, 128), 0.00, 0.50, 1.00, 1.00},
        // Bright: -0.4627 rounds toward zero to -0.45; gamma (128/246)^0.7 = 0.633 clamped to 0.7.
        {"very bright", Stats(246, 52, 128), -0.45, 1.00, 1.00, 0.70},
        {"black", Stats(0, 0, 0), 0.50, 2.00, 1.50, 2.00},
        {"grey, no saturation", Stats(128, 52, 0), 0.00, 1.00, 1.50, 1.00},
        {"fully saturated", Stats(128, 52, 255), 0.00, 1.00, 0.50, 1.00},  // 0.504 rounds to 0.50
        {"gamma between", Stats(64, 52, 128), 0.25, 1.00, 1.00, 1.62},     // 2^0.7 = 1.6245
    };
    for (const auto& c : cases) {
        const EqSettings s = ComputeEqSettings(c.in);
        EXPECT_DOUBLE_EQ(s.brightness, c.brightness) << c.what;
        EXPECT_DOUBLE_EQ(s.contrast, c.contrast) << c.what;
        EXPECT_DOUBLE_EQ(s.saturation, c.saturation) << c.what;
        EXPECT_DOUBLE_EQ(s.gamma, c.gamma) << c.what;
    }
}

TEST(AutoCorrectionTest, ChromaOffsetsAreTheDistanceFromNeutral) {
    const EqSettings s = ComputeEqSettings(Stats(128, 52, 128, 120.25, 150.5, 60));
    EXPECT_DOUBLE_EQ(s.chromaOffsetU, -7.75);
    EXPECT_DOUBLE_EQ(s.chromaOffsetV, 22.5);
}

TEST(AutoCorrectionTest, ColourCastReducesSaturationByAFifthAfterTheFirstClamp) {
    // Red tint: peak hue 5, V mean 150.
    EXPECT_DOUBLE_EQ(ComputeEqSettings(Stats(128, 52, 128, 128, 150, 5)).saturation, 0.80);
    EXPECT_DOUBLE_EQ(ComputeEqSettings(Stats(128, 52, 0, 128, 150, 5)).saturation, 1.20);
    // 0.504 is first held at 0.5, then reduced: 0.40 lies below the first range but within the final one.
    EXPECT_DOUBLE_EQ(ComputeEqSettings(Stats(128, 52, 255, 128, 150, 5)).saturation, 0.40);
    // The same picture without the tint keeps its estimate.
    EXPECT_DOUBLE_EQ(ComputeEqSettings(Stats(128, 52, 128, 128, 140, 5)).saturation, 1.00);
}

TEST(AutoCorrectionTest, ColourCastRules) {
    const struct {
        int hue;
        double u, v;
        bool cast;
    } cases[] = {
        // red: hue <= 15 or >= 165, V > 140
        {0, 128, 141, true},
        {15, 128, 141, true},
        {16, 128, 200, false},
        {164, 128, 200, false},
        {165, 128, 141, true},
        {179, 128, 141, true},
        {5, 128, 140, false},
        // blue: 100..140, U > 140
        {100, 141, 128, true},
        {140, 141, 128, true},
        {99, 200, 128, false},
        {141, 200, 128, false},
        {120, 140, 128, false},
        // green: 50..90, U - V < -10
        {50, 100, 111, true},
        {90, 100, 111, true},
        {70, 100, 110, false},
        {49, 100, 200, false},
        {91, 100, 200, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasColourCast(c.hue, c.u, c.v), c.cast) << "hue " << c.hue << " U " << c.u << " V " << c.v;
    }
}

TEST(AutoCorrectionTest, RoundingToHundredthsMovesNegativesTowardZero) {
    const struct {
        double in, out;
    } cases[] = {
        {0.4627, 0.46}, {-0.4627, -0.45}, {0.005, 0.01}, {-0.005, 0.0}, {-0.004, 0.0},
        {1.0, 1.0},     {-1.0, -0.99},    {2.0, 2.0},    {0.994, 0.99}, {0.995, 1.0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(RoundToHundredths(c.in), c.out) << c.in;
}

TEST(AutoCorrectionTest, PeakHueIsTheFirstBinWithTheHighestCount) {
    std::array<std::uint64_t, kHueBins> histogram{};
    EXPECT_EQ(PeakHueBin(histogram), 0);
    histogram[170] = 7;
    histogram[5] = 7;
    histogram[90] = 3;
    EXPECT_EQ(PeakHueBin(histogram), 5);
    histogram[179] = 8;
    EXPECT_EQ(PeakHueBin(histogram), 179);
}

TEST(AutoCorrectionTest, AccumulatorAveragesStillsAndCountsHues) {
    EqAccumulator sums;
    EXPECT_EQ(sums.Count(), 0);
    EXPECT_DOUBLE_EQ(sums.Averages().meanY, 0);

    sums.AddStill(10, 2, 100, 120, 130);
    sums.AddStill(30, 6, 50, 140, 150);
    const std::vector<std::uint8_t> hues = {5, 5, 7, 179, 180, 255, 7, 7};  // 180 and 255 are no hue
    sums.CountHues(hues.data(), hues.size());
    EXPECT_EQ(sums.Count(), 2);
    EXPECT_EQ(sums.Histogram()[5], 2u);
    EXPECT_EQ(sums.Histogram()[7], 3u);
    EXPECT_EQ(sums.Histogram()[179], 1u);

    const EqStatistics s = sums.Averages();
    EXPECT_DOUBLE_EQ(s.meanY, 20);
    EXPECT_DOUBLE_EQ(s.stddevY, 4);
    EXPECT_DOUBLE_EQ(s.meanS, 75);
    EXPECT_DOUBLE_EQ(s.meanU, 130);
    EXPECT_DOUBLE_EQ(s.meanV, 140);
    EXPECT_EQ(s.peakHue, 7);
}

TEST(AutoCorrectionTest, StillTimesSpreadOverTheSourceFrames) {
    const struct {
        int index, frames;
        double fps;
        const char* time;
    } cases[] = {
        {0, 100, 25, "0.000000"},     {1, 100, 25, "0.400000"}, {9, 100, 25, "3.600000"},
        {1, 1001, 29.97, "3.336670"},  // step 100
        {9, 5, 25, "0.000000"},        // fewer than ten frames: every still is the first frame
        {9, 10, 25, "0.360000"},      {5, 100, 0, "0.000000"},  {5, 100, -25, "0.000000"},
        {9, 0, 25, "0.000000"},       {9, -50, 25, "0.000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EqStillTime(c.index, c.frames, c.fps), c.time) << c.index << " of " << c.frames << " at " << c.fps;
    }
}

TEST(AutoCorrectionTest, StillPathsUseTheInputStemInTheOutputFolder) {
    EXPECT_EQ(EqStillPath("/out/", "/videos/clip.v2.mp4", 1), "/out/clip.v2_frame_001.jpg");
    EXPECT_EQ(EqStillPath("/out/", "/videos/clip.v2.mp4", 10), "/out/clip.v2_frame_010.jpg");
    EXPECT_EQ(EqStillPath("", "clip", 3), "clip_frame_003.jpg");
    // The user's name is copied, never taken as a format.
    EXPECT_EQ(EqStillPath("/o/", "/v/100%s %d.mkv", 2), "/o/100%s %d_frame_002.jpg");

    const std::vector<std::string> paths = EqStillPaths("/o/", "/v/a*b[1]?.mov");
    ASSERT_EQ(paths.size(), 10u);
    EXPECT_EQ(paths.front(), "/o/a*b[1]?_frame_001.jpg");
    EXPECT_EQ(paths.back(), "/o/a*b[1]?_frame_010.jpg");
}

TEST(AutoCorrectionTest, StillCommandText) {
    EXPECT_EQ(EqStillCommand("ffmpeg -y ", "1.500000", "/in/a.mp4", "/out/a_frame_002.jpg"),
              "ffmpeg -y -ss 1.500000 -i \"/in/a.mp4\" -frames:v 1 \"/out/a_frame_002.jpg\"");
    EXPECT_EQ(EqStillCommand("ffmpeg -y -hwaccel cuda ", "0.000000", "/in/a.mp4", "/out/a_frame_001.jpg"),
              "ffmpeg -y -hwaccel cuda -ss 0.000000 -i \"/in/a.mp4\" -frames:v 1 \"/out/a_frame_001.jpg\"");

    // Awkward names reach ffmpeg exactly as they are.
    const std::string input = "/in/say \"hi\" a*b[1]?.mp4";
    const std::string still = "/out/say \"hi\" a*b[1]?_frame_003.jpg";
    const std::vector<std::string> argv =
        platform::SplitCommandLine(EqStillCommand("ffmpeg -y ", "2.000000", input, still));
    const std::vector<std::string> expected = {"ffmpeg", "-y", "-ss", "2.000000", "-i", input, "-frames:v", "1", still};
    EXPECT_EQ(argv, expected);

    // A '%' would make the image writer substitute a number into the name.
    EXPECT_EQ(EqStillCommand("ffmpeg -y ", "0.000000", "/in/50%d.mp4", "/out/50%d_frame_001.jpg"),
              "ffmpeg -y -ss 0.000000 -i \"/in/50%d.mp4\" -frames:v 1 -update 1 \"/out/50%d_frame_001.jpg\"");
}

// The image codecs are opened at run time; a wrong library name or symbol would only show when a user
// runs the correction, so the suite reads real files through the same path.
TEST(AutoCorrectionTest, ImageReaderLoadsTheCodecsAndReadsBgr) {
    ASSERT_EQ(ImageCodecsProblem(), "");
    const std::string folder = ::testing::TempDir();
    // A 2x1 24-bit BMP: pixel 0 pure red, pixel 1 pure blue (rows are stored B, G, R, padded to 4 bytes).
    const std::vector<unsigned char> bmp = {'B',  'M',  62,  0,   0, 0, 0, 0, 0, 0, 54,   0,    0, 0,  // file header
                                            40,   0,    0,   0,   2, 0, 0, 0, 1, 0, 0,    0,    1, 0,
                                            24,   0,    0,   0,   0, 0, 8, 0, 0, 0, 0x13, 0x0B, 0, 0,
                                            0x13, 0x0B, 0,   0,   0, 0, 0, 0, 0, 0, 0,    0,  // info header
                                            0,    0,    255, 255, 0, 0, 0, 0};                // pixels and row padding
    const std::string image = folder + "/reader_check.bmp";
    const std::string text = folder + "/reader_check.jpg";
    std::ofstream(image, std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    std::ofstream(text) << "not an image\n";

    const cv::Mat bgr = ReadImageBgr(image);
    ASSERT_EQ(bgr.rows, 1);
    ASSERT_EQ(bgr.cols, 2);
    ASSERT_EQ(bgr.type(), CV_8UC3);
    EXPECT_EQ(bgr.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 0, 255));
    EXPECT_EQ(bgr.at<cv::Vec3b>(0, 1), cv::Vec3b(255, 0, 0));
    EXPECT_TRUE(ReadImageBgr(text).empty());
    EXPECT_TRUE(ReadImageBgr(folder + "/no_such_still.jpg").empty());
    std::remove(image.c_str());
    std::remove(text.c_str());
}
