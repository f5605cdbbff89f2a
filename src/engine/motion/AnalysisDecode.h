#pragma once

#include <string>

// The decode of scene extraction: the video to width x height grey frames on the pipe; prefix is
// FfmpegPrefix() and the path is escaped here. The exact scan scales with ffmpeg's default filter. The fast
// scan skips the loop filter and samples with fast bilinear scaling: cheaper, and a scene boundary may move
// by a frame, so it is only ever chosen by the user. With eachFrameOnce the output keeps every decoded frame
// exactly once instead of repeating or dropping frames to hold a constant rate: the frames of a variable-rate
// or late-starting video stay the frames its frame-time list names.
// A crop of the source before the scale (the part of the picture the areas watch); empty: none.
struct AnalysisCrop {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};
std::string AnalysisDecodeCommand(const std::string& prefix, const std::string& input, int width, int height,
                                  bool fastScan, bool eachFrameOnce = false, const AnalysisCrop& crop = {});
