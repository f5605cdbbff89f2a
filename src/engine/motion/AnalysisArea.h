#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "project/MotionRegions.h"

// The part of the picture an extraction decodes and the pixels of it that it compares, from the areas of a
// source picture of width x height.
struct AnalysisArea {
    // The rectangle of the source decoded: the whole picture, or the even-aligned bounds of the include
    // areas, so a small include area is cropped before it is scaled and the scan costs less.
    int cropX = 0;
    int cropY = 0;
    int cropWidth = 0;
    int cropHeight = 0;
    int width = 0;  // the analysis frame: one eighth of the rectangle decoded
    int height = 0;
    // One byte per analysis pixel, 0xFF where it is watched, 0 where not, padded with 0 to whole 32-byte
    // blocks, so that no watched pixel falls into a tail the count skips. Empty: every pixel, no padding.
    std::vector<uint8_t> mask;
    int watched = 0;  // the pixels compared, which the threshold is scaled to

    bool Cropped(int sourceWidth, int sourceHeight) const {
        return cropX != 0 || cropY != 0 || cropWidth != sourceWidth || cropHeight != sourceHeight;
    }
    // Bytes of one frame as the counter gets it: the analysis frame, padded when masked.
    std::size_t FrameBytes() const;
    // Zeroes the pixels not watched in a frame of FrameBytes(); nothing without a mask.
    void Apply(uint8_t* frame) const;
};

// No areas give the whole picture, no mask and width x height watched pixels, as a scan has always been. A
// pixel is watched when its centre, taken back to the source, lies in an include area (any, when there are
// some) and in no exclude area. watched 0 means the areas leave nothing of this picture to watch.
// Without cropAllowed the whole picture is decoded and only masked: a quarter-turned video is decoded turned
// and then stretched back to width x height, where a crop in these coordinates would cut the wrong part.
AnalysisArea PlanAnalysisArea(int sourceWidth, int sourceHeight, const MotionRegions& regions, bool cropAllowed = true);
