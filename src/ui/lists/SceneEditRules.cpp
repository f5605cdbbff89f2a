#include "ui/lists/SceneEditRules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/scenes/SceneRules.h"
#include "project/TimeText.h"

namespace {

bool ValidRow(const std::vector<SceneEntry>& list, int row) {
    return row >= 0 && static_cast<size_t>(row) < list.size();
}

double SceneSeconds(const SceneEntry& scene, const FrameClock& clock) {
    return clock.Fps() > 0 ? RoundThroughText(clock.Span(scene.framNo_first, scene.framNo_second), "%.02f") : 0;
}

}  // namespace

int MinSceneFrames(double fps, double minimumSeconds) {
    const double frames = std::round(fps * minimumSeconds);
    // A scene of no frames can not be cut; an unknown rate still leaves one frame per scene.
    if (!std::isfinite(frames) || frames < 1) return 1;
    return frames > 1e9 ? 1000000000 : static_cast<int>(frames);
}

bool SceneEditRange(const std::vector<SceneEntry>& list, int row, int column, int m, int frameCount,
                    FrameEditRange& range) {
    if (!ValidRow(list, row) || !IsFrameColumn(column)) return false;
    const SceneEntry& scene = list[static_cast<size_t>(row)];
    const bool last = static_cast<size_t>(row) + 1 == list.size();
    const int start = scene.framNo_first;
    const int end = scene.framNo_second;
    const int previousEnd = row > 0 ? list[static_cast<size_t>(row) - 1].framNo_second : -1;
    const int nextStart = last ? frameCount : list[static_cast<size_t>(row) + 1].framNo_first;
    switch (column) {
        case kEditColumnStart:
            range = {previousEnd + 1, end - m + 1, start};
            break;
        case kEditColumnEnd:
            range = {start - 1 + m, nextStart - 1, end};
            break;
        default:
            range = {m, nextStart - start, end - start + 1};
            break;
    }
    // Neighbours that already overlap (a reordered list) leave no room: the value may only stay.
    if (range.maximum < range.minimum) range.minimum = range.maximum = range.current;
    range.current = std::clamp(range.current, range.minimum, range.maximum);
    return true;
}

int ParseFrameValue(const std::string& text, const FrameEditRange& range) {
    double value = std::atof(text.c_str());
    if (!std::isfinite(value)) value = 0;
    value = std::clamp(value, static_cast<double>(range.minimum), static_cast<double>(range.maximum));
    return static_cast<int>(std::trunc(value));
}

void ApplyFrameValue(SceneEntry& scene, int column, int value, const FrameClock& clock) {
    switch (column) {
        case kEditColumnStart:
            scene.framNo_first = value;
            break;
        case kEditColumnEnd:
            scene.framNo_second = value;
            break;
        case kEditColumnLength:
            scene.framNo_second = value - 1 + scene.framNo_first;
            break;
        default:
            return;
    }
    FitCaptionTimes(scene, clock);
}

void FitCaptionTimes(SceneEntry& scene, const FrameClock& clock) {
    const double d = SceneSeconds(scene, clock);
    CaptionParam& caption = scene.capParam;
    caption.capTime_first = RoundThroughText(std::max(0.0, std::min(caption.capTime_first, d - 0.01)), "%.02f");
    caption.capTime_second = RoundThroughText(std::max(0.01, std::min(caption.capTime_second, d)), "%.02f");
}

int SplitFrame(const SceneEntry& scene, int playFrame, int m) {
    const int a = scene.framNo_first;
    const int b = scene.framNo_second;
    const int low = a + m;
    const int high = std::max(low, b - m + 1);
    return std::clamp(a + std::max(0, playFrame), low, high);
}

bool CanSplit(const SceneEntry& scene, int m) { return scene.FrameCount() >= 2 * m; }

std::string SceneSegmentName(const CTarneloData& data, int first, int last) {
    return SegmentFileName(data.output_folder, SegmentFileBase(data.input_file), first, last);
}

std::string SplitSceneRow(CTarneloData& data, int row, int p) {
    const double fps = data.m_sourceInfo.fps;
    const FrameClock clock = data.SourceClock(fps);
    std::string old;
    data.Scenes().SplitBy(row, [&](const SceneEntry& whole) -> SceneList::SplitParts {
        const int a = whole.framNo_first;
        const int b = whole.framNo_second;
        // Both parts need a frame at least; the caller has already kept p within the minimum lengths.
        if (p <= a || p > b) return std::nullopt;
        old = whole.fileName;
        const CaptionParam caption = whole.capParam;

        SceneEntry second = whole;
        second.framNo_first = p;
        second.fileName = SceneSegmentName(data, p, b);
        data.SetSceneCaption(second, caption.capTime_first, fps > 0 ? clock.Span(p, b) : 0, caption.caption);
        const double secondLength = second.capParam.capTime_second;
        FitCaptionTimes(second, clock);

        SceneEntry first(a, p - 1, SceneSegmentName(data, a, p - 1));
        first.capParam = caption;
        first.enable = true;
        // What the caption had beyond the second part's length; never below the shortest caption.
        data.SetSceneCaption(first, 0, caption.capTime_second - secondLength, caption.caption);
        FitCaptionTimes(first, clock);
        return std::make_pair(std::move(first), std::move(second));
    });
    return old;
}
