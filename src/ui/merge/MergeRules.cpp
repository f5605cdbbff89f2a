#include "ui/merge/MergeRules.h"

#include "project/TarneloData.h"
#include "project/TimeText.h"

std::string MergeInfoText(const CTarneloData& data, const FrameSize& size, const FrameRate& rate) {
    double fps = FrameRateValue(rate);
    if (!(fps > 0)) fps = data.m_currentInfo.fps;
    long long all = 0;
    long long merged = 0;
    int joined = 0;
    for (const SceneEntry& video : data.Scenes().Snapshot()) {
        if (!video.m_created) continue;
        all += video.m_convertedInfo.frame_num;
        if (!video.enable) continue;
        merged += video.m_convertedInfo.frame_num;
        ++joined;
    }
    // The line follows the input video, analysed or not: without frames there is nothing to tell.
    if (data.m_sourceInfo.frame_num <= 0) return {};
    const int frames =
        ConvertedMergeFrameCount(static_cast<int>(merged), data.transition ? joined : 1, data.TransitionDuration, fps);
    const auto timeOf = [fps](long long count) {
        return SecondsToFrameTimeText(fps > 0 ? static_cast<double>(count) / fps : 0.0, true);
    };
    return FormatC("%s/%s Frm:%d/%lld FPS:%.2f W%dxH%d", timeOf(frames).c_str(), timeOf(all).c_str(), frames, all, fps,
                   size.width, size.height);
}

std::string ConvertedFilePattern(const std::string& outputFolder, const FrameSize& size, const FrameRate& rate) {
    return FormatC("%s*_seg_%dx%d_%s.mp4", outputFolder.c_str(), size.width, size.height, FrameRateLabel(rate).c_str());
}

bool RetargetMergeList(CTarneloData& data, const FrameSize& size, const FrameRate& rate) {
    bool changed = false;
    data.Scenes().UpdateAll([&](SceneEntry& video) {
        if (video.m_created) changed = TargetConvertedInfo(video, size, rate) || changed;
    });
    const double sourceFps = data.m_sourceInfo.fps > 0 ? data.m_sourceInfo.fps : data.m_currentInfo.fps;
    if (sourceFps > 0) data.TransitionDuration = MergeTransitionDuration(sourceFps, FrameRateValue(rate));
    return changed;
}
