// The readers of ffprobe's output: the JSON report of a video and the frame-time listing, which arrives
// in chunks. The first byte chooses the chunk size of the listing, so splits land everywhere.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/probe/ProbeParsing.h"
#include "project/TarneloData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    VideoInfo info;
    bool frameCountMissing = false;
    if (ParseVideoInfoJson(text, info, frameCountMissing) == 0) {
        SnapFrameRate(info, true);
    }

    if (size == 0) return 0;
    const size_t chunk = 1 + data[0] % 64;
    std::vector<std::string> texts;
    std::vector<double> times;
    PtsLineSplitter splitter(texts, times, 1 + data[0] % 7 == 1 ? 3 : 0);
    const std::string_view listing(text.data() + 1, text.size() - 1);
    for (size_t at = 0; at < listing.size(); at += chunk) {
        if (splitter.Feed(listing.substr(at, chunk))) break;
    }
    splitter.Finish();
    // A short extension, as a probed count a little beyond the listing would ask for.
    ExtendPtsList(texts, times, static_cast<int>(times.size()) + data[0] % 16, info.fps > 0 ? 1 / info.fps : 0.04);
    PtsIntervalStats stats;
    IsConstantFrameRate(times, info.fps, &stats);
    return 0;
}
