#include <algorithm>
#include <cmath>

#include "engine/export/ExportWriters.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

std::vector<CutClip> CutClips(const ExportTimeline& timeline) {
    const std::vector<TimelineScene>& scenes = timeline.scenes;
    const size_t n = scenes.size();
    // The cut of each join: the middle of the frames the two scenes share on the joined output.
    std::vector<int> cuts(n + 1, 0);
    std::vector<int> overlaps(n + 1, 0);
    for (size_t k = 1; k < n; ++k) {
        const TimelineScene& before = scenes[k - 1];
        overlaps[k] = std::max(0, before.outputStart + before.outputFrames - scenes[k].outputStart);
        cuts[k] = scenes[k].outputStart + overlaps[k] / 2;
    }
    if (n > 0) cuts[n] = scenes[n - 1].outputStart + scenes[n - 1].outputFrames;
    std::vector<CutClip> clips;
    for (size_t k = 0; k < n; ++k) {
        CutClip clip;
        clip.recordStart = cuts[k];
        clip.frames = std::max(0, cuts[k + 1] - cuts[k]);
        clip.sourceStart = SourceGridFrame(scenes[k], timeline.fps) + (cuts[k] - scenes[k].outputStart);
        clip.fadeBefore = overlaps[k] / 2;
        clip.fadeAfter = overlaps[k] - clip.fadeBefore;
        clips.push_back(clip);
    }
    return clips;
}

int SourceGridFrame(const TimelineScene& scene, double fps) {
    return fps > 0 ? static_cast<int>(std::lround(scene.sourceIn * fps)) : scene.sourceFirst;
}

std::string TimelineName(const CTarneloData& data) {
    const std::string& file = data.project_file.empty() ? data.input_file : data.project_file;
    std::string name = FileNamePart(file);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name.empty() ? "Tarnelo" : name;
}

std::string FileUrl(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : path) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~' || c == '/') {
            url += c;
        } else {
            url += '%';
            url += kHex[u >> 4];
            url += kHex[u & 15];
        }
    }
    return url;
}

bool IsDropFrameRate(const FrameRate& rate) { return rate.den == 1001 && rate.num % 30000 == 0; }

std::string Timecode(long long frame, const FrameRate& rate) {
    const double fps = FrameRateValue(rate);
    const long long base = std::max(1LL, std::llround(fps));
    frame = std::max(0LL, frame);
    const bool drop = IsDropFrameRate(rate);
    if (drop) {
        // Two numbers (four at 59.94) are skipped each minute but every tenth, so the count keeps to the clock.
        const long long dropped = base / 15;
        const long long perTenMinutes = base * 600 - dropped * 9;
        const long long perMinute = base * 60 - dropped;
        const long long tens = frame / perTenMinutes;
        const long long rest = frame % perTenMinutes;
        frame += dropped * 9 * tens + (rest > dropped ? dropped * ((rest - dropped) / perMinute) : 0);
    }
    const long long ff = frame % base;
    const long long seconds = frame / base;
    return FormatC("%02lld:%02lld:%02lld%c%02lld", seconds / 3600 % 100, seconds / 60 % 60, seconds % 60,
                   drop ? ';' : ':', ff);
}
