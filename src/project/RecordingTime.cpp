#include "project/RecordingTime.h"

#include "project/TarneloData.h"

std::optional<double> RecordingSeconds(const CTarneloData& data, const std::string& file, int frame) {
    if (file.empty() || !(data.m_sourceInfo.fps > 0)) return std::nullopt;
    const FrameClock source = data.SourceClock(data.m_sourceInfo.fps);
    const std::string& working = data.input_mp4_file.empty() ? data.input_file : data.input_mp4_file;
    if (file == working) return source.Seconds(frame);
    const std::optional<std::pair<int, int>> range = data.SceneRangeOf(file);
    if (!range) return std::nullopt;
    return source.Seconds(range->first + frame);
}

std::optional<std::pair<double, double>> SceneRecordingSpan(const CTarneloData& data, const SceneEntry& scene) {
    if (!(data.m_sourceInfo.fps > 0)) return std::nullopt;
    const FrameClock source = data.SourceClock(data.m_sourceInfo.fps);
    const double start = source.Seconds(scene.framNo_first);
    return std::make_pair(start, start + source.Span(scene.framNo_first, scene.framNo_second));
}
