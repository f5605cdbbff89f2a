#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

// The parts of the picture an extraction watches: include areas (the whole picture when there is none) and
// exclude areas, each a rectangle or a polygon in the source picture's pixel coordinates.

struct RegionPoint {
    int x = 0;
    int y = 0;
    bool operator==(const RegionPoint&) const = default;
};

struct MotionRegion {
    bool exclude = false;
    bool polygon = false;
    // A rectangle: its top-left corner and size. A polygon: its corners in order, at least three.
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    std::vector<RegionPoint> points;

    bool operator==(const MotionRegion&) const = default;
    // The corners in order: a rectangle's four clockwise from the top-left, or the polygon's points.
    std::vector<RegionPoint> Corners() const;
    // Whether the point (in pixels, fractions allowed) lies inside: a rectangle is closed at its top and
    // left and open at its bottom and right edge; a polygon by the even-odd rule.
    bool Contains(double px, double py) const;
    // The smallest rectangle holding the area: {x, y, w, h}.
    void Bounds(int& bx, int& by, int& bw, int& bh) const;
};

using MotionRegions = std::vector<MotionRegion>;

// Limits that keep a hand-edited file from asking for absurd work.
inline constexpr int kMaxRegions = 64;
inline constexpr int kMaxRegionPoints = 256;
inline constexpr int kMaxRegionCoordinate = 65535;

// Reads "X,Y,W,H" (a rectangle) or "X1,Y1,X2,Y2,X3,Y3[,...]" (a polygon) as the command line writes them.
// False with a reason in error (English, for the command line) for anything else: a count that is neither
// 4 nor an even 6 or more, a value that is no whole number, a negative or too large value, an empty
// rectangle.
bool ParseRegionText(const std::string& text, bool exclude, MotionRegion& region, std::string& error);
// The inverse of ParseRegionText.
std::string RegionText(const MotionRegion& region);
// Checks an area made elsewhere (a file, the window) by the same rules; error says what is wrong.
bool RegionIsValid(const MotionRegion& region, std::string& error);

// The areas as the project and a regions file keep them: a JSON array of objects
// {"mode":"include"|"exclude","shape":"rect","x","y","w","h"} or {..."shape":"polygon","points":[[x,y],...]}.
nlohmann::json RegionsToJson(const MotionRegions& regions);
// Reads that array; false with a reason for anything the rules above refuse (regions is then untouched).
bool RegionsFromJson(const nlohmann::json& array, MotionRegions& regions, std::string& error);
// The areas as one line, equal for equal areas: what a motion record keeps to tell whose counts it holds.
std::string RegionsKey(const MotionRegions& regions);

// A regions file: {"regions": [...]} written atomically; reading takes the object or a bare array.
bool SaveRegionsFile(const std::string& path, const MotionRegions& regions, std::string& error);
bool LoadRegionsFile(const std::string& path, MotionRegions& regions, std::string& error);
