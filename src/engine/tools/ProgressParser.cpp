#include "engine/tools/ProgressParser.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The lines read, as patterns: encoding "frame=\s*([0-9]+).*?fps=", playback
// "\[Parsed_showinfo[^\]]*?\].*?pts_time:([0-9]+\.[0-9]+)", "." stopping at a line end. Matched by hand:
// a regular expression tries every start again to the end of its line, which a long line of "frame=" (a
// tag of the video, say) turns into seconds per chunk.
struct Match {
    size_t end = std::string::npos;  // npos: none
    std::string group;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipDigits(std::string_view text, size_t at) {
    while (at < text.size() && IsDigit(text[at])) ++at;
    return at;
}

size_t LineEnd(std::string_view text, size_t at) {
    const size_t end = text.find_first_of("\r\n", at);
    return end == std::string_view::npos ? text.size() : end;
}

// A start whose own line has no end for it fails, and so does every later start whose pattern reaches the
// rest of that line from within it: those are skipped, so each line is searched once.
Match FindEncoding(std::string_view text) {
    size_t failedBefore = 0;
    for (size_t start = text.find("frame="); start != std::string_view::npos; start = text.find("frame=", start + 1)) {
        size_t digits = start + 6;
        while (digits < text.size() && IsSpace(text[digits])) ++digits;
        const size_t after = SkipDigits(text, digits);
        if (after == digits || after < failedBefore) continue;
        const size_t lineEnd = LineEnd(text, after);
        const size_t fps = text.substr(after, lineEnd - after).find("fps=");
        if (fps == std::string_view::npos) {
            failedBefore = lineEnd;
            continue;
        }
        return {after + fps + 4, std::string(text.substr(digits, after - digits))};
    }
    return {};
}

Match FindPlayback(std::string_view text) {
    constexpr std::string_view kTag = "[Parsed_showinfo";
    constexpr std::string_view kTime = "pts_time:";
    size_t failedBefore = 0;
    size_t bracket = 0;  // the first ']' at or after bracketFrom
    size_t bracketFrom = std::string_view::npos;
    for (size_t start = text.find(kTag); start != std::string_view::npos; start = text.find(kTag, start + 1)) {
        const size_t from = start + kTag.size();
        if (bracketFrom == std::string_view::npos || from > bracket) {
            bracket = text.find(']', from);
            bracketFrom = from;
        }
        if (bracket == std::string_view::npos) break;  // no later start has one either
        if (bracket < failedBefore) continue;
        const size_t lineEnd = LineEnd(text, bracket + 1);
        const std::string_view line = text.substr(0, lineEnd);
        for (size_t t = line.find(kTime, bracket + 1); t != std::string_view::npos; t = line.find(kTime, t + 1)) {
            const size_t whole = t + kTime.size();
            const size_t wholeEnd = SkipDigits(text, whole);
            if (wholeEnd == whole || wholeEnd >= text.size() || text[wholeEnd] != '.') continue;
            const size_t fractionEnd = SkipDigits(text, wholeEnd + 1);
            if (fractionEnd == wholeEnd + 1) continue;
            return {fractionEnd, std::string(text.substr(whole, fractionEnd - whole))};
        }
        failedBefore = lineEnd;
    }
    return {};
}

// The frame of a printed time, rounded half away from zero; a time beyond any frame number (a damaged
// stream) saturates instead of overflowing the conversion.
int FrameOfTime(double seconds, double fps, int startFrame) {
    const double scaled = seconds * fps;
    const double frame = std::trunc(scaled < 0 ? scaled - 0.5 : scaled + 0.5) - startFrame;
    if (std::isnan(frame)) return 0;
    if (frame >= INT_MAX) return INT_MAX;
    if (frame <= INT_MIN) return INT_MIN;
    return static_cast<int>(frame);
}

}  // namespace

ProgressParser::ProgressParser(bool playback, double fps, int startFrame)
    : m_playback(playback), m_fps(fps), m_startFrame(startFrame) {}

ProgressParser::ProgressParser(bool playback, const FrameClock& clock, int startFrame)
    : m_playback(playback), m_fps(clock.Fps()), m_startFrame(startFrame), m_clock(clock) {}

std::vector<ProgressParser::Report> ProgressParser::Feed(std::string_view chunk) {
    std::vector<Report> reports;
    m_window.append(chunk);
    for (;;) {
        const Match match = m_playback ? FindPlayback(m_window) : FindEncoding(m_window);
        if (match.end == std::string::npos) break;
        Report report;
        const std::string& group = match.group;
        if (m_playback) {
            report.secondsText = group;
            report.seconds = std::strtod(group.c_str(), nullptr);
            // Listed times already count from the container's start, late first frames included.
            report.value =
                m_clock.Timed() ? m_clock.FrameAt(report.seconds) : FrameOfTime(report.seconds, m_fps, m_startFrame);
        } else {
            // Only digits are captured; an absurdly long number saturates rather than wraps.
            long long v = std::strtoll(group.c_str(), nullptr, 10);
            report.value = v > 0x7fffffff ? 0x7fffffff : static_cast<int>(v);
        }
        m_window.erase(0, match.end);
        if (report.value != m_last) {
            m_last = report.value;
            reports.push_back(std::move(report));
        }
    }
    if (m_window.size() > kWindowLimit) m_window.erase(0, m_window.size() - kWindowKeep);
    return reports;
}

PlaybackPosition ComputePlaybackPosition(const ProgressParser::Report& report, int totalFrames, double fps) {
    return ComputePlaybackPosition(report, totalFrames, FrameClock(fps));
}

PlaybackPosition ComputePlaybackPosition(const ProgressParser::Report& report, int totalFrames,
                                         const FrameClock& clock) {
    const double fps = clock.Fps();
    PlaybackPosition pos;
    pos.frame = report.value < totalFrames - 1 ? report.value : totalFrames - 1;
    if (pos.frame < totalFrames - 1) {
        pos.timeText = report.secondsText;
    } else {
        char text[64];
        std::snprintf(text, sizeof text, "%.6f", fps > 0 ? clock.Seconds(pos.frame) : 0.0);
        pos.timeText = text;
    }
    return pos;
}
