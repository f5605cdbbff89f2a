#include "engine/motion/AnalysisDecode.h"

#include "platform/Process.h"

namespace {

std::string CropFilter(const AnalysisCrop& crop) {
    return "crop=" + std::to_string(crop.width) + ":" + std::to_string(crop.height) + ":" + std::to_string(crop.x) +
           ":" + std::to_string(crop.y) + ",";
}

}  // namespace

std::string AnalysisDecodeCommand(const std::string& prefix, const std::string& input, int width, int height,
                                  bool fastScan, bool eachFrameOnce, const AnalysisCrop& crop) {
    // An input option: it must stand before -i to reach the decoder.
    const std::string decoder = fastScan ? "-skip_loop_filter all " : "";
    const std::string flags = fastScan ? ":flags=fast_bilinear" : "";
    return prefix + "-loglevel quiet -blocksize 1048576 " + decoder + "-i \"" + platform::EscapeQuotedArgument(input) +
           "\" -vf \"" + (crop.Empty() ? std::string() : CropFilter(crop)) + "scale=" + std::to_string(width) + ":" +
           std::to_string(height) + flags + "\" " + (eachFrameOnce ? "-fps_mode passthrough " : "") +
           "-f rawvideo -pix_fmt gray -";
}
