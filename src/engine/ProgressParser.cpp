#include "engine/ProgressParser.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char* const kEncodingPattern = "frame=\\s*([0-9]+).*?fps=.*?";
const char* const kPlaybackPattern = "\\[Parsed_showinfo[^\\]]*?\\].*?pts_time:([0-9]+\\.[0-9]+)";

}  // namespace

ProgressParser::ProgressParser(bool playback, double fps, int startFrame)
    : m_playback(playback),
      m_fps(fps),
      m_startFrame(startFrame),
      m_pattern(playback ? kPlaybackPattern : kEncodingPattern, std::regex::ECMAScript | std::regex::optimize) {}

std::vector<ProgressParser::Report> ProgressParser::Feed(std::string_view chunk) {
    std::vector<Report> reports;
    m_window.append(chunk);
    std::smatch match;
    while (std::regex_search(m_window, match, m_pattern)) {
        Report report;
        const std::string group = match[1].str();
        if (m_playback) {
            report.secondsText = group;
            report.seconds = std::strtod(group.c_str(), nullptr);
            report.value = RoundHalfAway(report.seconds * m_fps) - m_startFrame;
        } else {
            // Only digits are captured; an absurdly long number saturates rather than wraps.
            long long v = std::strtoll(group.c_str(), nullptr, 10);
            report.value = v > 0x7fffffff ? 0x7fffffff : static_cast<int>(v);
        }
        m_window.erase(0, static_cast<size_t>(match.position(0) + match.length(0)));
        if (report.value != m_last) {
            m_last = report.value;
            reports.push_back(std::move(report));
        }
    }
    if (m_window.size() > kWindowLimit) m_window.erase(0, m_window.size() - kWindowKeep);
    return reports;
}

PlaybackPosition ComputePlaybackPosition(const ProgressParser::Report& report, int totalFrames, double fps) {
    PlaybackPosition pos;
    pos.frame = report.value < totalFrames - 1 ? report.value : totalFrames - 1;
    if (pos.frame < totalFrames - 1) {
        pos.timeText = report.secondsText;
    } else {
        char text[64];
        std::snprintf(text, sizeof text, "%.6f", fps > 0 ? pos.frame / fps : 0.0);
        pos.timeText = text;
    }
    return pos;
}
