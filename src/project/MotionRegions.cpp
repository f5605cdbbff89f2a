#include "project/MotionRegions.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/AtomicFile.h"

using nlohmann::json;

namespace {

bool ParseCoordinate(const std::string& text, int& value) {
    if (text.empty() || text.size() > 6) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    const long number = std::strtol(text.c_str(), nullptr, 10);
    if (number > kMaxRegionCoordinate) return false;
    value = static_cast<int>(number);
    return true;
}

bool CoordinateFits(int value) { return value >= 0 && value <= kMaxRegionCoordinate; }

// A JSON coordinate: a whole number in range (3.0 is taken, 3.5 is not).
bool JsonCoordinate(const json& value, int& out) {
    if (!value.is_number()) return false;
    const double number = value.get<double>();
    if (!(number >= 0 && number <= kMaxRegionCoordinate) || number != static_cast<double>(static_cast<int>(number))) {
        return false;
    }
    out = static_cast<int>(number);
    return true;
}

}  // namespace

std::vector<RegionPoint> MotionRegion::Corners() const {
    if (polygon) return points;
    return {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
}

bool MotionRegion::Contains(double px, double py) const {
    if (!polygon) return px >= x && px < x + w && py >= y && py < y + h;
    bool inside = false;
    const size_t n = points.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const double xi = points[i].x, yi = points[i].y, xj = points[j].x, yj = points[j].y;
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

void MotionRegion::Bounds(int& bx, int& by, int& bw, int& bh) const {
    if (!polygon) {
        bx = x, by = y, bw = w, bh = h;
        return;
    }
    int left = kMaxRegionCoordinate, top = kMaxRegionCoordinate, right = 0, bottom = 0;
    for (const RegionPoint& p : points) {
        left = std::min(left, p.x), top = std::min(top, p.y);
        right = std::max(right, p.x), bottom = std::max(bottom, p.y);
    }
    if (points.empty()) left = top = 0;
    bx = left, by = top, bw = right - left, bh = bottom - top;
}

bool RegionIsValid(const MotionRegion& region, std::string& error) {
    if (!region.polygon) {
        if (!CoordinateFits(region.x) || !CoordinateFits(region.y) || !CoordinateFits(region.w) ||
            !CoordinateFits(region.h) || !CoordinateFits(region.x + region.w) || !CoordinateFits(region.y + region.h)) {
            error = "a coordinate lies outside 0.." + std::to_string(kMaxRegionCoordinate);
            return false;
        }
        if (region.w == 0 || region.h == 0) {
            error = "a rectangle needs a width and a height above 0";
            return false;
        }
        return true;
    }
    if (region.points.size() < 3 || region.points.size() > size_t(kMaxRegionPoints)) {
        error = "a polygon needs 3 to " + std::to_string(kMaxRegionPoints) + " points";
        return false;
    }
    for (const RegionPoint& p : region.points) {
        if (!CoordinateFits(p.x) || !CoordinateFits(p.y)) {
            error = "a coordinate lies outside 0.." + std::to_string(kMaxRegionCoordinate);
            return false;
        }
    }
    return true;
}

bool ParseRegionText(const std::string& text, bool exclude, MotionRegion& region, std::string& error) {
    std::vector<int> values;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        int value = 0;
        if (!ParseCoordinate(item, value)) {
            error = "\"" + item + "\" is not a whole number from 0 to " + std::to_string(kMaxRegionCoordinate);
            return false;
        }
        values.push_back(value);
    }
    if (!text.empty() && text.back() == ',') values.clear();
    MotionRegion parsed;
    parsed.exclude = exclude;
    if (values.size() == 4) {
        parsed.x = values[0], parsed.y = values[1], parsed.w = values[2], parsed.h = values[3];
    } else if (values.size() >= 6 && values.size() % 2 == 0) {
        parsed.polygon = true;
        for (size_t i = 0; i < values.size(); i += 2) parsed.points.push_back({values[i], values[i + 1]});
    } else {
        error = "give X,Y,W,H for a rectangle or X1,Y1,X2,Y2,X3,Y3[,...] for a polygon";
        return false;
    }
    if (!RegionIsValid(parsed, error)) return false;
    region = std::move(parsed);
    return true;
}

std::string RegionText(const MotionRegion& region) {
    std::string text;
    auto add = [&text](int value) { text += (text.empty() ? "" : ",") + std::to_string(value); };
    if (!region.polygon) {
        for (const int value : {region.x, region.y, region.w, region.h}) add(value);
    }
    for (const RegionPoint& p : region.polygon ? region.points : std::vector<RegionPoint>{}) add(p.x), add(p.y);
    return text;
}

json RegionsToJson(const MotionRegions& regions) {
    json array = json::array();
    for (const MotionRegion& region : regions) {
        json object = {{"mode", region.exclude ? "exclude" : "include"},
                       {"shape", region.polygon ? "polygon" : "rect"}};
        if (region.polygon) {
            json points = json::array();
            for (const RegionPoint& p : region.points) points.push_back({p.x, p.y});
            object["points"] = std::move(points);
        } else {
            object["x"] = region.x, object["y"] = region.y, object["w"] = region.w, object["h"] = region.h;
        }
        array.push_back(std::move(object));
    }
    return array;
}

bool RegionsFromJson(const json& array, MotionRegions& regions, std::string& error) {
    if (!array.is_array()) {
        error = "the areas are not a list";
        return false;
    }
    if (array.size() > size_t(kMaxRegions)) {
        error = "more than " + std::to_string(kMaxRegions) + " areas";
        return false;
    }
    MotionRegions read;
    for (const json& object : array) {
        const std::string where = "area " + std::to_string(read.size() + 1) + ": ";
        if (!object.is_object()) {
            error = where + "not an object";
            return false;
        }
        MotionRegion region;
        const auto mode = object.find("mode");
        const auto shape = object.find("shape");
        if (mode == object.end() || !mode->is_string() || (*mode != "include" && *mode != "exclude")) {
            error = where + "\"mode\" must be \"include\" or \"exclude\"";
            return false;
        }
        region.exclude = *mode == "exclude";
        if (shape == object.end() || !shape->is_string() || (*shape != "rect" && *shape != "polygon")) {
            error = where + "\"shape\" must be \"rect\" or \"polygon\"";
            return false;
        }
        region.polygon = *shape == "polygon";
        if (region.polygon) {
            const auto points = object.find("points");
            if (points == object.end() || !points->is_array()) {
                error = where + "a polygon needs \"points\"";
                return false;
            }
            for (const json& point : *points) {
                RegionPoint p;
                if (!point.is_array() || point.size() != 2 || !JsonCoordinate(point[0], p.x) ||
                    !JsonCoordinate(point[1], p.y)) {
                    error = where + "a point must be [x, y] with whole numbers from 0 to " +
                            std::to_string(kMaxRegionCoordinate);
                    return false;
                }
                region.points.push_back(p);
            }
        } else {
            for (auto [key, field] :
                 {std::pair{"x", &region.x}, {"y", &region.y}, {"w", &region.w}, {"h", &region.h}}) {
                const auto value = object.find(key);
                if (value == object.end() || !JsonCoordinate(*value, *field)) {
                    error = where + "\"" + key + "\" must be a whole number from 0 to " +
                            std::to_string(kMaxRegionCoordinate);
                    return false;
                }
            }
        }
        std::string reason;
        if (!RegionIsValid(region, reason)) {
            error = where + reason;
            return false;
        }
        read.push_back(std::move(region));
    }
    regions = std::move(read);
    return true;
}

std::string RegionsKey(const MotionRegions& regions) {
    std::string key;
    for (const MotionRegion& region : regions) {
        key += std::string(region.exclude ? "-" : "+") + (region.polygon ? "p" : "r") + RegionText(region) + ";";
    }
    return key;
}

bool SaveRegionsFile(const std::string& path, const MotionRegions& regions, std::string& error) {
    const json root = {{"regions", RegionsToJson(regions)}};
    if (!platform::WriteFileAtomically(path, root.dump(2) + "\n")) {
        error = std::string("cannot write ") + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool LoadRegionsFile(const std::string& path, MotionRegions& regions, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    // A regions file is a few kilobytes; anything far larger is not one.
    std::string text(1 << 20, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.gcount() == static_cast<std::streamsize>(text.size())) {
        error = path + " is too large for a regions file";
        return false;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    const json root = json::parse(text, nullptr, false);
    if (root.is_discarded()) {
        error = path + " is not JSON";
        return false;
    }
    const json* array = &root;
    if (root.is_object()) {
        const auto it = root.find("regions");
        if (it == root.end()) {
            error = path + " has no \"regions\"";
            return false;
        }
        array = &*it;
    }
    std::string reason;
    if (!RegionsFromJson(*array, regions, reason)) {
        error = path + ": " + reason;
        return false;
    }
    return true;
}
