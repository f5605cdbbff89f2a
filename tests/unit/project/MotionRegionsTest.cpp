#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "project/MotionRegions.h"

namespace {

MotionRegion Parsed(const std::string& text, bool exclude = false) {
    MotionRegion region;
    std::string error;
    EXPECT_TRUE(ParseRegionText(text, exclude, region, error)) << text << ": " << error;
    return region;
}

TEST(MotionRegionsTest, TheCommandLineTextGivesARectangleOrAPolygonAndNothingElse) {
    const MotionRegion rect = Parsed("10,20,30,40", true);
    EXPECT_TRUE(rect.exclude);
    EXPECT_FALSE(rect.polygon);
    EXPECT_EQ(std::vector<int>({rect.x, rect.y, rect.w, rect.h}), std::vector<int>({10, 20, 30, 40}));
    const MotionRegion polygon = Parsed("0,0,100,0,50,80");
    EXPECT_TRUE(polygon.polygon);
    EXPECT_EQ(polygon.points, (std::vector<RegionPoint>{{0, 0}, {100, 0}, {50, 80}}));
    EXPECT_EQ(RegionText(polygon), "0,0,100,0,50,80");
    EXPECT_EQ(RegionText(rect), "10,20,30,40");

    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,2,3,4,5,6,7", "1,2,0,4", "1,2,3,0", "-1,2,3,4", "1.5,2,3,4",
                            "1,2,3,4,", ",1,2,3", "1,,3,4", "a,b,c,d", "70000,0,1,1", "65535,0,1,1", " 1,2,3,4"}) {
        MotionRegion region = rect;
        std::string error;
        EXPECT_FALSE(ParseRegionText(bad, false, region, error)) << '"' << bad << '"';
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_EQ(region, rect) << "a refused text changes nothing: " << bad;
    }
}

// Pixel centres: a rectangle holds its top-left edge and not its bottom-right; a concave polygon leaves out
// its notch.
TEST(MotionRegionsTest, ContainsFollowsTheEdgesAndTheEvenOddRule) {
    const MotionRegion rect = Parsed("10,10,20,20");
    const MotionRegion notched = Parsed("0,0,40,0,40,40,20,20,0,40");
    const struct {
        const MotionRegion& region;
        double x, y;
        bool inside;
    } cases[] = {
        {rect, 10, 10, true},    {rect, 29.5, 29.5, true}, {rect, 30, 20, false},    {rect, 9.5, 20, false},
        {notched, 5, 5, true},   {notched, 35, 35, true},  {notched, 20, 35, false}, {notched, 41, 5, false},
        {notched, 20, 10, true}, {notched, 20, 25, false}, {notched, -1, -1, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.region.Contains(c.x, c.y), c.inside) << RegionText(c.region) << " at " << c.x << "," << c.y;
    }
    int x, y, w, h;
    notched.Bounds(x, y, w, h);
    EXPECT_EQ(std::vector<int>({x, y, w, h}), std::vector<int>({0, 0, 40, 40}));
}

TEST(MotionRegionsTest, AreasGoThroughJsonAndAFileUnchangedAndBadOnesAreRefused) {
    const MotionRegions regions = {Parsed("10,20,30,40"), Parsed("0,0,100,0,50,80", true)};
    MotionRegions read;
    std::string error;
    ASSERT_TRUE(RegionsFromJson(RegionsToJson(regions), read, error)) << error;
    EXPECT_EQ(read, regions);
    EXPECT_EQ(RegionsKey(read), "+r10,20,30,40;-p0,0,100,0,50,80;");

    const auto folder = std::filesystem::temp_directory_path() / ("regions_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "areas.json").string();
    ASSERT_TRUE(SaveRegionsFile(path, regions, error)) << error;
    read.clear();
    ASSERT_TRUE(LoadRegionsFile(path, read, error)) << error;
    EXPECT_EQ(read, regions);

    const char* bad[] = {
        R"({"regions": {}})",
        R"([{"mode": "include", "shape": "rect", "x": 1, "y": 2, "w": 3}])",
        R"([{"mode": "watch", "shape": "rect", "x": 1, "y": 2, "w": 3, "h": 4}])",
        R"([{"mode": "include", "shape": "circle", "x": 1, "y": 2, "w": 3, "h": 4}])",
        R"([{"mode": "include", "shape": "rect", "x": 1.5, "y": 2, "w": 3, "h": 4}])",
        R"([{"mode": "include", "shape": "rect", "x": "1", "y": 2, "w": 3, "h": 4}])",
        R"([{"mode": "exclude", "shape": "polygon", "points": [[0, 0], [1, 1]]}])",
        R"([{"mode": "exclude", "shape": "polygon", "points": [[0, 0], [1, 1], [2]]}])",
        R"({"areas": []})",
        "not json",
    };
    for (const char* text : bad) {
        std::ofstream(path, std::ios::trunc) << text;
        MotionRegions kept = regions;
        EXPECT_FALSE(LoadRegionsFile(path, kept, error)) << text;
        EXPECT_EQ(kept, regions) << text;
    }
    std::ofstream(path, std::ios::trunc)
        << R"([{"mode": "include", "shape": "rect", "x": 3.0, "y": 2, "w": 3, "h": 4}])";
    ASSERT_TRUE(LoadRegionsFile(path, read, error)) << "a bare list and a whole number written as 3.0: " << error;
    EXPECT_EQ(RegionText(read.at(0)), "3,2,3,4");
    EXPECT_FALSE(LoadRegionsFile((folder / "missing.json").string(), read, error));
    std::filesystem::remove_all(folder);
}

}  // namespace
