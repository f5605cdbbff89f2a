#pragma once

#include <memory>
#include <vector>

// Converts between the frame numbers of a file and its seconds. A plain clock counts frame / fps, as a file of
// constant rate that starts at 0 does; a timed one reads the listed time of every frame (variable rates, late
// starts, skipped first frames) and counts on at fps past the end of the list.
class FrameClock {
public:
    // A plain clock converts from a rate alone, so a rate stands wherever a clock is asked for.
    FrameClock(double fps = 0) : m_fps(fps) {}  // NOLINT(google-explicit-constructor)
    FrameClock(double fps, std::shared_ptr<const std::vector<double>> times);

    bool Timed() const { return m_times != nullptr; }
    double Fps() const { return m_fps; }
    // The time frame is shown at (0 without a rate).
    double Seconds(int frame) const;
    // From the start of first to the start of the frame after last: exactly (last - first + 1) / fps when plain.
    double Span(int first, int last) const;
    // The frame on screen at seconds: the one whose listed time is nearest. Plain: rounded seconds x fps.
    int FrameAt(double seconds) const;
    // The clock of a file cut from frames first to last that keeps each frame with its time, counted from 0.
    FrameClock Slice(int first, int last) const;

private:
    double m_fps = 0;
    std::shared_ptr<const std::vector<double>> m_times;
};

// True for an empty list and for the times of a constant rate fps from 0, as a list made from the rate holds them
// ("%.6f" each): every conversion may then count frame / fps.
bool IsPlainFrameTimes(const std::vector<double>& times, double fps);
