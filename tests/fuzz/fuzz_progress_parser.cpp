// The progress reader on any diagnostics, in both modes, fed in chunks of a size taken from the input.
// Input: mode byte, chunk byte, fps/start/total bytes, then the text.
#include <cstdint>
#include <string_view>

#include "engine/tools/ProgressParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const bool playback = data[0] & 1;
    // 255 reads as the tool runner does, 4095 bytes at a time.
    const size_t chunk = data[1] == 255 ? 4095 : 1 + data[1];
    const double fps = playback ? (data[2] == 0 ? 0.0 : 240.0 / data[2]) : 0.0;
    const int startFrame = data[3];
    const int totalFrames = data[4] * 97;
    const std::string_view text(reinterpret_cast<const char*>(data) + 5, size - 5);

    // Every Feed searches the whole unmatched window again (up to kWindowLimit), as it must for a line
    // still arriving; so tiny chunks split the first KiB only, as a tool's first lines may arrive, and the
    // rest comes as the tool runner reads it.
    constexpr size_t kSmallChunksFor = 1024;
    ProgressParser parser(playback, fps, startFrame);
    for (size_t at = 0; at < text.size();) {
        const size_t n = at < kSmallChunksFor ? chunk : 4095;
        for (const ProgressParser::Report& report : parser.Feed(text.substr(at, n))) {
            if (playback) ComputePlaybackPosition(report, totalFrames, fps);
        }
        // The window must stay bounded however much arrives.
        if (parser.WindowSize() > ProgressParser::kWindowLimit) __builtin_trap();
        at += n;
    }
    return 0;
}
