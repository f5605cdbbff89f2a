#include "engine/motion/AnalysisArea.h"

#include <algorithm>

#include "engine/motion/ChangedPixels.h"

std::size_t AnalysisArea::FrameBytes() const {
    return mask.empty() ? std::size_t(width) * std::size_t(height) : mask.size();
}

void AnalysisArea::Apply(uint8_t* frame) const {
    // A plain loop the compiler vectorises: a byte-wise AND costs little beside the decode.
    const uint8_t* m = mask.data();
    for (std::size_t i = 0, n = mask.size(); i < n; ++i) frame[i] &= m[i];
}

AnalysisArea PlanAnalysisArea(int sourceWidth, int sourceHeight, const MotionRegions& regions, bool cropAllowed) {
    AnalysisArea area;
    area.cropWidth = std::max(0, sourceWidth);
    area.cropHeight = std::max(0, sourceHeight);
    area.width = AnalysisDimension(area.cropWidth);
    area.height = AnalysisDimension(area.cropHeight);
    area.watched = area.width * area.height;
    if (regions.empty() || area.width <= 0 || area.height <= 0) return area;

    const bool included = std::any_of(regions.begin(), regions.end(), [](const auto& r) { return !r.exclude; });
    if (included) {
        int left = sourceWidth, top = sourceHeight, right = 0, bottom = 0;
        for (const MotionRegion& region : regions) {
            if (region.exclude) continue;
            int x, y, w, h;
            region.Bounds(x, y, w, h);
            left = std::min(left, x), top = std::min(top, y);
            right = std::max(right, x + w), bottom = std::max(bottom, y + h);
        }
        // Even edges: a crop of subsampled chroma is rounded to them anyway, so the rectangle stays exact.
        left = std::clamp(left & ~1, 0, sourceWidth), top = std::clamp(top & ~1, 0, sourceHeight);
        right = std::clamp((right + 1) & ~1, 0, sourceWidth), bottom = std::clamp((bottom + 1) & ~1, 0, sourceHeight);
        if (right <= left || bottom <= top) {
            area.watched = 0;  // every include area lies outside the picture
            return area;
        }
        if (!cropAllowed) left = top = 0, right = sourceWidth, bottom = sourceHeight;
        area.cropX = left, area.cropY = top;
        area.cropWidth = right - left, area.cropHeight = bottom - top;
        // A small area keeps at least one analysis pixel a side.
        area.width = std::max(1, AnalysisDimension(area.cropWidth));
        area.height = std::max(1, AnalysisDimension(area.cropHeight));
    }

    const std::size_t pixels = std::size_t(area.width) * std::size_t(area.height);
    const std::size_t blocks = (pixels + kPixelBlockSize - 1) / kPixelBlockSize;
    area.mask.assign(blocks * kPixelBlockSize, 0);
    const double stepX = double(area.cropWidth) / area.width, stepY = double(area.cropHeight) / area.height;
    area.watched = 0;
    for (int j = 0; j < area.height; ++j) {
        const double sy = area.cropY + (j + 0.5) * stepY;
        for (int i = 0; i < area.width; ++i) {
            const double sx = area.cropX + (i + 0.5) * stepX;
            bool inside = !included, outside = false;
            for (const MotionRegion& region : regions) {
                bool& hit = region.exclude ? outside : inside;
                if (!hit) hit = region.Contains(sx, sy);
            }
            // Exclusion wins wherever the areas overlap.
            const bool watched = inside && !outside;
            if (watched) {
                area.mask[std::size_t(j) * area.width + i] = 0xFF;
                ++area.watched;
            }
        }
    }
    return area;
}
