#include "engine/motion/AnalysisDecode.h"

#include "platform/Process.h"

std::string AnalysisDecodeCommand(const std::string& prefix, const std::string& input, int width, int height,
                                  bool fastScan, bool eachFrameOnce) {
    // An input option: it must stand before -i to reach the decoder.
    const std::string decoder = fastScan ? "-skip_loop_filter all " : "";
    const std::string flags = fastScan ? ":flags=fast_bilinear" : "";
    return prefix + "-loglevel quiet -blocksize 1048576 " + decoder + "-i \"" + platform::EscapeQuotedArgument(input) +
           "\" -vf \"scale=" + std::to_string(width) + ":" + std::to_string(height) + flags + "\" " +
           (eachFrameOnce ? "-fps_mode passthrough " : "") + "-f rawvideo -pix_fmt gray -";
}
