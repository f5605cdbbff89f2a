#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "project/FrameClock.h"

// Reads ffmpeg's "frame=" status lines (encoding) or the showinfo filter's
// "pts_time:" lines (playback) out of a tool's diagnostics as they arrive in
// chunks. The text window stays bounded however long the tool runs.
class ProgressParser {
public:
    static constexpr size_t kWindowLimit = 8192;
    static constexpr size_t kWindowKeep = 4096;

    struct Report {
        int value = 0;            // frame number (encoding) or frame from pts_time (playback)
        std::string secondsText;  // playback: the seconds exactly as printed
        double seconds = 0;
    };

    // fps and startFrame convert playback times into frames.
    explicit ProgressParser(bool playback, double fps = 0, int startFrame = 0);
    // Playback of a file whose frames have listed times: a printed time names the frame nearest to it.
    ProgressParser(bool playback, const FrameClock& clock, int startFrame);

    // Appends a chunk and returns the values that differ from the last one reported.
    std::vector<Report> Feed(std::string_view chunk);

    size_t WindowSize() const { return m_window.size(); }
    int LastValue() const { return m_last; }

private:
    bool m_playback;
    double m_fps;
    int m_startFrame;
    FrameClock m_clock;
    int m_last = -1;
    std::string m_window;
};

// Playback position derived from one reported value.
struct PlaybackPosition {
    int frame = 0;         // min(value, total - 1)
    std::string timeText;  // printed seconds, or "%.6f" of frame / fps at the last frame
};
PlaybackPosition ComputePlaybackPosition(const ProgressParser::Report& report, int totalFrames, double fps);
// The same with the last frame's time taken from the file's clock.
PlaybackPosition ComputePlaybackPosition(const ProgressParser::Report& report, int totalFrames,
                                         const FrameClock& clock);

// Rounds half away from zero, as every frame/size rule of the engine does.
inline int RoundHalfAway(double v) { return static_cast<int>(v < 0 ? v - 0.5 : v + 0.5); }
