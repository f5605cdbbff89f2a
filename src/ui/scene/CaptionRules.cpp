#include "ui/scene/CaptionRules.h"

#include <algorithm>

#include "project/FileHelpers.h"
#include "project/TimeText.h"

double CaptionLimit(const SceneEntry* scene, const FrameClock& clock) {
    if (scene == nullptr) return kWholeTimelineCaptionLimit;
    return clock.Fps() > 0 ? RoundThroughText(clock.Span(scene->framNo_first, scene->framNo_second)) : 0.0;
}

bool SetCaptionStart(CaptionParam& caption, double start, double limit) {
    const double value = RoundThroughText(std::max(0.0, std::min(start, limit - 0.01)));
    if (value == caption.capTime_first) return false;
    caption.capTime_first = value;
    const double room = std::max(0.0, RoundThroughText(limit - value));
    if (room < caption.capTime_second) caption.capTime_second = room;
    return true;
}

bool SetCaptionLength(CaptionParam& caption, double length, double limit) {
    const double value = RoundThroughText(std::max(0.01, std::min(length, limit)));
    if (value == caption.capTime_second) return false;
    caption.capTime_second = value;
    const double room = std::max(0.0, RoundThroughText(limit - value));
    if (room < caption.capTime_first) caption.capTime_first = room;
    return true;
}

bool AnySceneCaption(const CTarneloData& data) {
    return data.Scenes().Read([](const std::vector<SceneEntry>& scenes) {
        return std::any_of(scenes.begin(), scenes.end(),
                           [](const SceneEntry& scene) { return !scene.capParam.caption.empty(); });
    });
}

void FillCaptions(CTarneloData& data) {
    const double fps = data.m_sourceInfo.fps;
    const FrameClock clock = data.SourceClock(fps);
    int number = 0;
    data.Scenes().UpdateAll([&](SceneEntry& scene) {
        const double length = fps > 0 ? clock.Span(scene.framNo_first, scene.framNo_second) : 0.0;
        data.SetSceneCaption(scene, 0, length, FormatC("Scene%03d", ++number));
    });
    data.capWatermark.caption = "Tarnelo\\NHexlow-Works.";
    data.capTitle.caption = FadingTitle(FileNamePart(data.input_file));
}

void ClearCaptions(CTarneloData& data) {
    data.Scenes().UpdateAll([](SceneEntry& scene) { scene.capParam.caption.clear(); });
    data.capWatermark.caption.clear();
    data.capTitle.caption.clear();
}
