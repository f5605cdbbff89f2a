#include "engine/export/ExportTimeline.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "engine/merge/SceneMerge.h"
#include "platform/Path.h"
#include "project/TarneloData.h"

namespace {

constexpr double kRateTolerance = 0.005;
// The merge joins by concatenation below this transition length.
constexpr double kMinTransitionSeconds = 0.000001;

}  // namespace

FrameRate ExactFrameRate(double fps, const std::string& rateText) {
    if (!(fps > 0) || !std::isfinite(fps) || fps > 100000) return {0, 1};
    const double ntsc = std::round(fps * 1.001);
    if (std::fabs(ntsc * 1000 / 1001 - fps) < kRateTolerance && std::fabs(std::round(fps) - fps) >= kRateTolerance) {
        return {static_cast<int>(ntsc) * 1000, 1001};
    }
    if (std::fabs(std::round(fps) - fps) < kRateTolerance) return {static_cast<int>(std::round(fps)), 1};
    long long num = 0;
    long long den = 0;
    if (std::sscanf(rateText.c_str(), "%lld/%lld", &num, &den) == 2 && num > 0 && den > 0 && num <= INT_MAX &&
        den <= INT_MAX && std::fabs(static_cast<double>(num) / den - fps) < kRateTolerance) {
        return {static_cast<int>(num), static_cast<int>(den)};
    }
    return {static_cast<int>(std::round(fps * 1000)), 1000};
}

ExportTimeline BuildExportTimeline(const CTarneloData& data) {
    ExportTimeline timeline;
    const VideoInfo& source = data.m_sourceInfo.fps > 0 ? data.m_sourceInfo : data.m_currentInfo;
    timeline.sourcePath = data.input_file.empty() ? std::string() : platform::MakeAbsolute(data.input_file);
    timeline.fps = source.fps > 0 ? source.fps : 0;
    timeline.rate = ExactFrameRate(timeline.fps, source.r_frame_rate);
    timeline.width = source.width;
    timeline.height = source.height;
    timeline.frameCount = source.frame_num;

    const double fps = timeline.fps;
    const FrameClock clock = data.SourceClock(fps);
    std::vector<double> durations;
    int totalFrames = 0;
    int position = 0;
    for (const SceneEntry& scene : data.diff_list.Snapshot()) {
        const int listPosition = position++;
        if (!scene.enable) continue;
        TimelineScene item;
        item.listPosition = listPosition;
        item.number = listPosition + 1;
        item.sourceFirst = scene.framNo_first;
        item.sourceLast = scene.framNo_second;
        item.sourceIn = fps > 0 ? clock.Seconds(scene.framNo_first) : 0;
        item.sourceOut = fps > 0 ? clock.Seconds(scene.framNo_second + 1) : 0;
        const CaptionParam& caption = scene.capParam;
        item.caption = caption.caption;
        item.captionPlace = caption.cap_pos_type;
        item.captionStart = caption.capTime_first;
        item.captionLength = caption.capTime_second;
        // As the merge counts them: a variable-rate scene fills its span at the constant output rate.
        const double seconds = fps > 0 ? clock.Span(scene.framNo_first, scene.framNo_second) : 0;
        item.outputFrames = clock.Timed() ? RoundToFrames(seconds, fps) : scene.FrameCount();
        item.outputSeconds = clock.Timed() ? seconds : SceneDurationSeconds(item.outputFrames, fps);
        durations.push_back(item.outputSeconds);
        totalFrames += item.outputFrames;
        timeline.scenes.push_back(std::move(item));
    }

    const int n = static_cast<int>(timeline.scenes.size());
    timeline.crossFade = data.transition && n >= 2 && data.TransitionDuration > kMinTransitionSeconds;
    if (timeline.crossFade) {
        timeline.fadeSeconds = data.TransitionDuration;
        timeline.fadeFrames = RoundToFrames(data.TransitionDuration, fps);
    }
    // Each join's fade starts where the joined part so far ends less one transition (the xfade offset).
    double start = 0;
    for (TimelineScene& item : timeline.scenes) {
        item.outputStartSeconds = start;
        item.outputStart = RoundToFrames(start, fps);
        start += item.outputSeconds - timeline.fadeSeconds;
    }
    if (!timeline.crossFade) {
        int frame = 0;
        for (TimelineScene& item : timeline.scenes) {
            item.outputStart = frame;
            frame += item.outputFrames;
        }
    }
    timeline.outputFrames = MergedFrameCount(totalFrames, n, data.TransitionDuration, fps, timeline.crossFade);
    return timeline;
}
