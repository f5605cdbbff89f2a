#include "engine/merge/PictureGeometry.h"

#include <cmath>

#include "project/TarneloData.h"

double SampleAspectRatio(const VideoInfo& info) {
    if (info.sar_num <= 0 || info.sar_den <= 0) {
        return 1.0;
    }
    return static_cast<double>(info.sar_num) / info.sar_den;
}

PictureSize EffectsPictureSize(const VideoInfo& info, bool swap) {
    return swap ? PictureSize{info.height, info.width} : PictureSize{info.width, info.height};
}

int CinemascopeBar(int mx, int mn) {
    const int visible = 8 * static_cast<int>(std::round(mx / 2.35 * 0.125));
    return (mn - visible) / 2;
}
