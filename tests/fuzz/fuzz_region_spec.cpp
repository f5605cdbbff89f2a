// The readers of motion areas on any text: as the command line's "X,Y,W,H" or polygon list, and as the JSON a
// project or a regions file keeps. Whatever they accept must pass the same rules, write back in its own form
// and read back equal, and answer the geometry questions the pixel counter and the editor ask.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "FuzzTempFile.h"
#include "project/MotionRegions.h"

namespace {

bool InBounds(const MotionRegion& region, double px, double py) {
    int bx = 0, by = 0, bw = 0, bh = 0;
    region.Bounds(bx, by, bw, bh);
    return px >= bx && px <= bx + bw && py >= by && py <= by + bh;
}

// An accepted area, asked what the pixel counter and the editor ask of it.
void CheckGeometry(const MotionRegion& region) {
    std::string error;
    if (!RegionIsValid(region, error)) __builtin_trap();
    const std::vector<RegionPoint> corners = region.Corners();
    if (corners.size() != (region.polygon ? region.points.size() : 4)) __builtin_trap();
    int bx = 0, by = 0, bw = 0, bh = 0;
    region.Bounds(bx, by, bw, bh);
    if (bw < 0 || bh < 0) __builtin_trap();
    for (const RegionPoint& p : corners) {
        if (!InBounds(region, p.x, p.y)) __builtin_trap();
        // Near every corner, inside or not, nothing reported inside lies outside the bounds.
        for (const double dx : {-0.25, 0.0, 0.25}) {
            for (const double dy : {-0.25, 0.0, 0.25}) {
                if (region.Contains(p.x + dx, p.y + dy) && !InBounds(region, p.x + dx, p.y + dy)) __builtin_trap();
            }
        }
    }
    if (!region.polygon) {
        // Closed at the top and left, open at the bottom and right.
        const int x = region.x, y = region.y, w = region.w, h = region.h;
        if (!region.Contains(x, y) || !region.Contains(x + w - 0.5, y + h - 0.5)) __builtin_trap();
        if (region.Contains(x + w, y) || region.Contains(x, y + h) || region.Contains(x - 0.5, y)) __builtin_trap();
    }
    if (region.Contains(bx - 0.25, by + bh / 2.0) || region.Contains(bx + bw + 0.25, by + bh / 2.0)) __builtin_trap();
}

// The command line's form: accepted text writes back to a text that reads as the same area.
void CheckText(const std::string& text, bool exclude) {
    MotionRegion region;
    region.x = 7;  // a parse that fails leaves what was there
    std::string error;
    if (!ParseRegionText(text, exclude, region, error)) {
        if (error.empty() || region.x != 7 || region.polygon) __builtin_trap();
        return;
    }
    if (region.exclude != exclude) __builtin_trap();
    MotionRegion again;
    if (!ParseRegionText(RegionText(region), exclude, again, error) || !(again == region)) __builtin_trap();
    CheckGeometry(region);
}

void CheckRegions(const MotionRegions& regions) {
    for (const MotionRegion& region : regions) {
        CheckGeometry(region);
        MotionRegion again;
        std::string error;
        if (!ParseRegionText(RegionText(region), region.exclude, again, error) || !(again == region)) __builtin_trap();
    }
    // What the project writes must read back the same, and name the same areas by the same key.
    MotionRegions back;
    std::string error;
    if (!RegionsFromJson(RegionsToJson(regions), back, error) || back != regions) __builtin_trap();
    if (RegionsKey(back) != RegionsKey(regions)) __builtin_trap();
}

// The project's and a regions file's form: the array itself, or the file's {"regions": [...]}.
void CheckJson(const std::string& text, const uint8_t* data, size_t size) {
    const nlohmann::json root = nlohmann::json::parse(text, nullptr, false);
    if (root.is_discarded()) return;
    const nlohmann::json* array = &root;
    if (root.is_object()) {
        const auto it = root.find("regions");
        array = it == root.end() ? nullptr : &*it;
    }
    // A refused list leaves the areas there were.
    const MotionRegions sentinel = {MotionRegion{false, false, 1, 2, 3, 4, {}}};
    MotionRegions regions = sentinel;
    std::string error;
    const bool read = array != nullptr && RegionsFromJson(*array, regions, error);
    if (!read && array != nullptr && (error.empty() || regions != sentinel)) __builtin_trap();
    if (read) CheckRegions(regions);

    // The file reader must agree with reading the same text here, and what it read must save and load again.
    static const std::string path = FuzzTempFolder() + "input.json";
    WriteFuzzFile(path, data, size);
    MotionRegions loaded;
    if (LoadRegionsFile(path, loaded, error) != read || (read && loaded != regions)) __builtin_trap();
    if (read) {
        static const std::string copy = FuzzTempFolder() + "copy.json";
        MotionRegions again;
        if (!SaveRegionsFile(copy, regions, error) || !LoadRegionsFile(copy, again, error) || again != regions) {
            __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckText(text, false);
    CheckText(text, true);
    CheckJson(text, data, size);
    return 0;
}
