#include "engine/export/SubtitleExport.h"

#include <algorithm>
#include <vector>

#include "engine/merge/Subtitles.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace {

struct Cue {
    long long start = 0;  // hundredths of a second
    long long end = 0;
    std::string text;
};

// The burnt-in captions of the whole joined timeline, as the merge writes them, in the order they start.
// A cue that ends where it starts or holds no visible text is left out: players reject or show it empty.
std::vector<Cue> JoinedOutputCues(const CTarneloData& data) {
    AssOptions options;
    options.wholeTimeline = true;
    // The merge times the captions at the working input's rate; a project just opened has probed nothing yet.
    options.timelineFps = data.m_sourceInfo.fps;
    std::vector<Cue> cues;
    for (const CaptionEvent& event : BuildCaptionEvents(data, options)) {
        std::string text = PlainCaptionText(event.text);
        if (event.end <= event.start || text.empty()) continue;
        cues.push_back({event.start, event.end, std::move(text)});
    }
    std::stable_sort(cues.begin(), cues.end(), [](const Cue& a, const Cue& b) { return a.start < b.start; });
    return cues;
}

std::string CueTime(long long hundredths, char decimalMark) {
    const long long ms = std::max(0LL, hundredths) * 10;
    return FormatC("%02lld:%02lld:%02lld%c%03lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, decimalMark,
                   ms % 1000);
}

std::string EscapeVtt(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

}  // namespace

std::string PlainCaptionText(const std::string& assText) {
    std::string flat;
    flat.reserve(assText.size());
    for (size_t i = 0; i < assText.size(); ++i) {
        const char c = assText[i];
        if (c == '{') {
            // An override block shows nothing; a '{' never closed is shown as typed, as the renderer does.
            const size_t close = assText.find('}', i);
            if (close != std::string::npos) {
                i = close;
                continue;
            }
        }
        if (c == '\\' && i + 1 < assText.size()) {
            const char next = assText[i + 1];
            if (next == 'N' || next == 'n') {
                flat += '\n';
                ++i;
                continue;
            }
            if (next == 'h') {
                flat += ' ';
                ++i;
                continue;
            }
        }
        if (c == '\r') {
            if (i + 1 < assText.size() && assText[i + 1] == '\n') ++i;
            flat += '\n';
            continue;
        }
        flat += c;
    }
    std::string out;
    size_t begin = 0;
    while (begin <= flat.size()) {
        size_t end = flat.find('\n', begin);
        if (end == std::string::npos) end = flat.size();
        const std::string line = flat.substr(begin, end - begin);
        if (line.find_first_not_of(" \t") != std::string::npos) {
            if (!out.empty()) out += '\n';
            out += line;
        }
        begin = end + 1;
    }
    return out;
}

std::string BuildSrtText(const CTarneloData& data) {
    std::string text;
    int number = 0;
    for (const Cue& cue : JoinedOutputCues(data)) {
        if (number > 0) text += '\n';
        text += FormatC("%d\n", ++number);
        text += CueTime(cue.start, ',') + " --> " + CueTime(cue.end, ',') + "\n" + cue.text + "\n";
    }
    return text;
}

std::string BuildVttText(const CTarneloData& data) {
    std::string text = "WEBVTT\n";
    for (const Cue& cue : JoinedOutputCues(data)) {
        text += "\n" + CueTime(cue.start, '.') + " --> " + CueTime(cue.end, '.') + "\n" + EscapeVtt(cue.text) + "\n";
    }
    return text;
}
