#include "engine/export/Chapters.h"

#include <algorithm>
#include <cmath>

#include "engine/export/ExportTimeline.h"
#include "engine/export/SubtitleExport.h"
#include "engine/merge/Subtitles.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace {

long long Milliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return 0;
    return std::llround(seconds * 1000.0);
}

// The caption as the picture shows it, its lines joined by spaces; a chapter list shows one line.
std::string ChapterTitle(const CTarneloData& data, const SceneEntry& scene, int number) {
    std::string title = PlainCaptionText(ShownSceneCaption(data, scene));
    std::replace(title.begin(), title.end(), '\n', ' ');
    return title.empty() ? FormatC("Scene %03d", number) : title;
}

}  // namespace

std::vector<Chapter> BuildChapters(const CTarneloData& data) {
    const ExportTimeline timeline = BuildExportTimeline(data);
    const std::vector<SceneEntry> scenes = data.diff_list.Snapshot();
    std::vector<Chapter> chapters;
    for (const TimelineScene& item : timeline.scenes) {
        if (item.listPosition < 0 || item.listPosition >= static_cast<int>(scenes.size())) continue;
        chapters.push_back({Milliseconds(item.outputStartSeconds), 0,
                            ChapterTitle(data, scenes[static_cast<size_t>(item.listPosition)], item.number)});
    }
    const long long outputEnd = timeline.fps > 0 ? Milliseconds(timeline.outputFrames / timeline.fps) : 0;
    for (size_t i = 0; i < chapters.size(); ++i) {
        const long long end = i + 1 < chapters.size() ? chapters[i + 1].startMs : outputEnd;
        chapters[i].endMs = std::max(chapters[i].startMs, end);
    }
    return chapters;
}

std::string EscapeFfmetadata(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '=' || c == ';' || c == '#' || c == '\\' || c == '\n') out += '\\';
        if (c == '\r') continue;
        out += c;
    }
    return out;
}

std::string FfmetadataText(const std::vector<Chapter>& chapters) {
    std::string text = ";FFMETADATA1\n";
    for (const Chapter& chapter : chapters) {
        text += FormatC("\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=%lld\nEND=%lld\n", chapter.startMs, chapter.endMs);
        text += "title=" + EscapeFfmetadata(chapter.title) + "\n";
    }
    return text;
}
