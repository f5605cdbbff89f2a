#include "cli/CliRegions.h"

#include "cli/CliRunner.h"
#include "engine/motion/ProjectMotion.h"
#include "project/TarneloData.h"

namespace cli {

int ApplyRegionOptions(CTarneloData& data, const Options& o, CliSink& sink) {
    if (!o.regionsFrom.empty() || !o.regions.empty()) {
        MotionRegions regions;
        if (!o.regionsFrom.empty()) {
            std::string error;
            if (!LoadRegionsFile(Absolute(o.regionsFrom), regions, error))
                return Fail(sink, "--regions-from: " + error);
        }
        regions.insert(regions.end(), o.regions.begin(), o.regions.end());
        if (regions.size() > size_t(kMaxRegions)) {
            return Fail(sink, "more than " + std::to_string(kMaxRegions) + " areas given");
        }
        data.regions = std::move(regions);
    }
    if (!o.saveRegions.empty()) {
        std::string error;
        if (!SaveRegionsFile(Absolute(o.saveRegions), data.regions, error))
            return Fail(sink, "--save-regions: " + error);
    }
    return -1;
}

int CheckRegionsFitPicture(const CTarneloData& data, CliSink& sink) {
    if (data.regions.empty()) return -1;
    const int width = data.m_currentInfo.width, height = data.m_currentInfo.height;
    for (const MotionRegion& region : data.regions) {
        int x, y, w, h;
        region.Bounds(x, y, w, h);
        if (x + w > width || y + h > height) {
            Warn(sink, std::string(region.exclude ? "exclude" : "include") + " area " + RegionText(region) +
                           " reaches beyond the " + std::to_string(width) + "x" + std::to_string(height) +
                           " picture; the part outside is ignored");
        }
    }
    if (ProjectWatchedPixels(data) == 0) {
        return Fail(sink, "the areas leave nothing of the " + std::to_string(width) + "x" + std::to_string(height) +
                              " picture to watch");
    }
    return -1;
}

}  // namespace cli
