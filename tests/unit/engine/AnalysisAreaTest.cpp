#include <gtest/gtest.h>

#include <numeric>

#include "engine/motion/AnalysisArea.h"

namespace {

MotionRegion Area(const std::string& text, bool exclude = false) {
    MotionRegion region;
    std::string error;
    EXPECT_TRUE(ParseRegionText(text, exclude, region, error)) << error;
    return region;
}

// What the scan decodes and compares for each arrangement of areas in a 1920x1080 picture.
TEST(AnalysisAreaTest, TheAreasDecideTheCropTheFrameAndThePixelsWatched) {
    const struct {
        const char* what;
        MotionRegions regions;
        int crop[4];
        int width, height, watched;
        bool masked;
    } cases[] = {
        {"none: as always", {}, {0, 0, 1920, 1080}, 240, 135, 240 * 135, false},
        {"a quarter, cropped", {Area("480,270,960,540")}, {480, 270, 960, 540}, 120, 68, 120 * 68, true},
        {"odd edges widen to even", {Area("481,271,957,537")}, {480, 270, 958, 538}, 120, 67, 120 * 67, true},
        {"two includes: their bounds",
         {Area("0,0,80,80"), Area("1000,1000,80,80")},
         {0, 0, 1080, 1080},
         135,
         135,
         2 * 10 * 10,
         true},
        {"an exclude only: the whole picture",
         {Area("0,0,960,1080", true)},
         {0, 0, 1920, 1080},
         240,
         135,
         120 * 135,
         true},
        {"an exclude wins over an include",
         {Area("0,0,800,800"), Area("0,0,400,800", true)},
         {0, 0, 800, 800},
         100,
         100,
         50 * 100,
         true},
        {"clipped to the picture", {Area("1800,1000,400,400")}, {1800, 1000, 120, 80}, 15, 10, 15 * 10, true},
        {"outside the picture: nothing", {Area("3000,0,10,10")}, {0, 0, 0, 0}, 0, 0, 0, false},
        {"all excluded: nothing", {Area("0,0,1920,1080", true)}, {0, 0, 1920, 1080}, 240, 135, 0, true},
        {"a tiny area keeps a pixel", {Area("100,100,2,2")}, {100, 100, 2, 2}, 1, 1, 1, true},
    };
    for (const auto& c : cases) {
        const AnalysisArea area = PlanAnalysisArea(1920, 1080, c.regions);
        if (c.watched > 0) {
            EXPECT_EQ(std::vector<int>({area.cropX, area.cropY, area.cropWidth, area.cropHeight}),
                      std::vector<int>(std::begin(c.crop), std::end(c.crop)))
                << c.what;
            EXPECT_EQ(area.width, c.width) << c.what;
            EXPECT_EQ(area.height, c.height) << c.what;
        }
        EXPECT_EQ(area.watched, c.watched) << c.what;
        EXPECT_EQ(!area.mask.empty(), c.masked) << c.what;
        if (!area.mask.empty()) {
            // Whole blocks, the watched pixels set, the padding clear.
            EXPECT_EQ(area.mask.size() % 32, 0u) << c.what;
            EXPECT_EQ(std::accumulate(area.mask.begin(), area.mask.end(), 0) / 0xFF, c.watched) << c.what;
            EXPECT_TRUE(std::all_of(area.mask.begin() + area.width * area.height, area.mask.end(), [](uint8_t b) {
                return b == 0;
            })) << c.what;
        }
    }
}

// A quarter-turned video is decoded turned: its areas are masked over the whole picture, never cropped.
TEST(AnalysisAreaTest, WithoutACropTheIncludeAreasAreMaskedOverTheWholePicture) {
    const AnalysisArea area = PlanAnalysisArea(1920, 1080, {Area("480,270,960,540")}, false);
    EXPECT_EQ(std::vector<int>({area.cropX, area.cropY, area.cropWidth, area.cropHeight, area.width, area.height}),
              std::vector<int>({0, 0, 1920, 1080, 240, 135}));
    EXPECT_EQ(area.watched, 120 * 67);
}

TEST(AnalysisAreaTest, ApplyClearsThePixelsNotWatched) {
    const AnalysisArea area = PlanAnalysisArea(160, 80, {Area("0,0,80,80", true)});
    ASSERT_EQ(area.width, 20);
    std::vector<uint8_t> frame(area.FrameBytes(), 200);
    area.Apply(frame.data());
    EXPECT_EQ(frame[0], 0);
    EXPECT_EQ(frame[9], 0);
    EXPECT_EQ(frame[10], 200);
    EXPECT_EQ(frame[area.width * area.height], 0) << "the padding";
}

}  // namespace
