#include "ui/preview/SeekRules.h"

#include <algorithm>
#include <cmath>

#include "project/FileHelpers.h"
#include "project/TimeText.h"

namespace {

// Nearest integer, halves away from zero.
int RoundHalfAway(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

int PreviousSceneStart(const std::vector<int>& starts, int frame) {
    int best = 0;
    for (int start : starts) {
        if (start >= 0 && start < frame) best = std::max(best, start);
    }
    return best;
}

int NextSceneStart(const std::vector<int>& starts, int frame, int last) {
    int best = -1;
    for (int start : starts) {
        if (start > frame && (best < 0 || start < best)) best = start;
    }
    return best < 0 ? last : std::min(best, last);
}

int SeekButtonTarget(SeekButton button, const SeekState& s) {
    const int last = s.frameCount - 1;
    const double r = s.fps;
    switch (button) {
        case SeekButton::kPrevFrame:
            return std::max(s.frame - 1, 0);
        case SeekButton::kNextFrame:
            return std::min(s.frame + 1, last);
        case SeekButton::kBack10:
            return std::max(RoundHalfAway((s.seconds - 10) * r) - 1, 0);
        case SeekButton::kForward10:
            return std::min(RoundHalfAway((s.seconds + 10) * r) + 1, last);
        case SeekButton::kBack60:
            if (s.outputOpen) return PreviousSceneStart(s.outputStarts, s.frame);
            return std::max(RoundHalfAway((s.seconds - 60) * r) - 1, 0);
        case SeekButton::kForward60:
            if (s.outputOpen) return NextSceneStart(s.outputStarts, s.frame, last);
            return std::min(RoundHalfAway((s.seconds + 60) * r) + 1, last);
    }
    return s.frame;
}

int RestartFrame(int frame, double fps, int frameCount) {
    frame = std::max(0, frame);
    const int r = RoundHalfAway(fps);
    const int h = RoundHalfAway(r * 0.5);
    const int last = frameCount - 1;
    const int t = frame + h;
    if (r > 0 && t < last) frame = std::min(t - t % r, last);
    return frame;
}

std::string SeekTimeText(int frame, const FrameClock& clock, int frameCount) {
    if (clock.Fps() <= 0) return FormatC("%.6f", 0.0);
    const int last = frameCount - 1;
    if (frame < last) return FormatC("%.6f", clock.Seconds(frame));
    return FormatC("%.6f", std::floor(clock.Seconds(std::max(last, 0)) * 1e6) / 1e6);
}

int SliderValueAt(int x, int minimum, int maximum, int channelLeft, int channelRight, int thumbWidth) {
    const int span = channelRight - thumbWidth - channelLeft;
    if (span <= 0 || maximum <= minimum) return minimum;
    const int value = (maximum - minimum) * (x - thumbWidth / 2 - channelLeft) / span + minimum;
    return std::clamp(value, minimum, maximum);
}

int SliderValueOfShown(int shown, int total) {
    if (total < 1) return 0;
    return std::clamp(static_cast<int>(static_cast<long long>(shown) * 1000 / total), 0, 1000);
}

int SeekSliderValue(int frame, int count) {
    const bool atEnd = frame >= 1 && frame >= count - 1;
    return SliderValueOfShown(atEnd ? count : frame, count);
}

int FrameOfSeekSlider(int value, int count) {
    if (count < 1) return 0;
    return std::clamp(static_cast<int>(static_cast<long long>(count) * value / 1000), 0, count - 1);
}

std::string PlayerFileLine(const std::string& file, int frameCount, const FrameClock& clock, int width, int height,
                           int rotation) {
    if (file.empty()) return {};
    const double fps = clock.Fps();
    const std::string total = SecondsToFrameTimeText(fps > 0 ? clock.Seconds(frameCount) : 0.0, false);
    const std::string rot = rotation != 0 ? FormatC(" Rot:%d", rotation) : std::string();
    return FormatC("%s Frm:%d FPS:%.2f W%dxH%d%s %s", total.c_str(), frameCount, fps, width, height, rot.c_str(),
                   FileNamePart(file).c_str());
}
