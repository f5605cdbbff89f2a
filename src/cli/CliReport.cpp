#include "cli/CliReport.h"

namespace cli {

std::string FormatMotionCsv(const MotionRecord& record, int thresholdCount, const FrameClock& clock) {
    std::string text = "frame,time,count,motion\n";
    text.reserve(record.counts.size() * 24 + text.size());
    for (size_t frame = 0; frame < record.counts.size(); ++frame) {
        const uint32_t count = record.counts[frame];
        const std::string time = clock.Timed()    ? ShortestNumberText(clock.Seconds(static_cast<int>(frame)))
                                 : record.fps > 0 ? ShortestNumberText(static_cast<double>(frame) / record.fps)
                                                  : "";
        text += std::to_string(frame) + "," + time + ",";
        if (count == MotionRecord::kAlwaysMotion) {
            text += ",1\n";
        } else {
            text += std::to_string(count) + (static_cast<int64_t>(count) >= thresholdCount ? ",1\n" : ",0\n");
        }
    }
    return text;
}

}  // namespace cli
