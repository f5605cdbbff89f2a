#include "engine/merge/Subtitles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <regex>

#include "engine/merge/PictureGeometry.h"
#include "log/AppLog.h"
#include "project/FileHelpers.h"
#include "project/RecordingTime.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace {

constexpr const char* kAssHeader =
    "[Script Info]\nTitle: Sample Subtitle\nScriptType: v4.00+\nCollisions: Normal\nPlayResX: %d\nPlayResY: %d\n"
    "Timer: 100.0000\n\n[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, "
    "OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, "
    "Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n";
constexpr const char* kEventsHeader =
    "\n[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

constexpr int kLayerScene = 0;
constexpr int kLayerTitle = 1;
constexpr int kLayerWatermark = 2;

// Rounded half away from zero and kept inside int range, so a corrupt project cannot overflow a frame number.
int RoundToInt(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    const double rounded = std::round(value);
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    return static_cast<int>(std::clamp(rounded, kMin, kMax));
}

bool Applies(const CaptionParam& caption) { return !caption.caption.empty() && caption.cap_pos_type != 0; }

std::string SceneStyleName(int listPosition) { return FormatC("Scene%03d", listPosition + 1); }

// A line break inside a caption would end the event line early; the renderer's own break keeps it whole.
std::string DialogueText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out += "\\N";
        } else {
            out += c;
        }
    }
    return out;
}

// The hundredths of the three time texts the events use (SecondsTimeText, FrameTimeText, ExactFrameTimeText).
long long SecondsTime(double seconds) { return TimeTextHundredths(seconds); }
long long FrameTime(int frame, double fps) { return FrameTimeHundredths(fps > 0 ? frame / fps : 0.0, true); }
long long ExactFrameTime(int frame, double fps) { return FrameTimeHundredths(fps > 0 ? frame / fps : 0.0, false); }

CaptionEvent Event(int layer, long long start, long long end, const std::string& style, const std::string& text) {
    return CaptionEvent{layer, start, end, style, DialogueText(text)};
}

// The watermark as this engine uses it: the merge tab's output never carries one.
CaptionParam EffectiveWatermark(const CTarneloData& data, const AssOptions& options) {
    CaptionParam watermark = data.capWatermark;
    if (options.mergeTab) {
        watermark.caption.clear();
    }
    return watermark;
}

// Frames a scene fills on the joined timeline at fps: its count, unless its frames have listed times (a
// variable-rate input), whose span then decides, as the joined file runs at a constant rate.
int TimelineFrames(const CTarneloData& data, const SceneEntry& scene, double fps) {
    const FrameClock clock = data.SourceClock(fps);
    if (!clock.Timed() || !(fps > 0)) return scene.FrameCount();
    return RoundToInt(clock.Span(scene.framNo_first, scene.framNo_second) * fps);
}

// The moment a caption's {date}, {time} and {datetime} name: a scene caption its scene's own start in the
// recording, the title the start of the first enabled scene (where the output opens), the watermark, which
// stands over the whole output, the start of the recording.
double SceneStart(const CTarneloData& data, const SceneEntry& scene) {
    const auto span = SceneRecordingSpan(data, scene);
    return span ? span->first : 0.0;
}

double TitleStart(const CTarneloData& data, const std::vector<SceneEntry>& scenes) {
    for (const SceneEntry& scene : scenes) {
        if (scene.enable) {
            return SceneStart(data, scene);
        }
    }
    return 0;
}

std::string ShownText(const CTarneloData& data, const std::string& caption, double seconds) {
    return ExpandClockPlaceholders(caption, data.clock_start, seconds);
}

int SelectedScene(const CTarneloData& data, const AssOptions& options) {
    return options.sceneIndex >= 0 ? options.sceneIndex : data.list_idx;
}

std::vector<CaptionEvent> WholeTimelineEvents(const CTarneloData& data, const AssOptions& options,
                                              const CaptionParam& watermark) {
    std::vector<CaptionEvent> lines;
    const double fps = options.timelineFps > 0 ? options.timelineFps : data.m_currentInfo.fps;
    const double duration = data.TransitionDuration;
    const std::vector<SceneEntry> scenes = data.diff_list.Snapshot();
    const int count = static_cast<int>(scenes.size());

    int enabled = 0;
    long long total = 0;
    for (const SceneEntry& scene : scenes) {
        if (scene.enable) {
            ++enabled;
            total += TimelineFrames(data, scene, fps);
        }
    }
    const int fullFade = RoundToInt(duration * fps);
    const int halfFade = RoundToInt(duration * 0.5 * fps);
    const bool cross = data.transition && enabled >= 2;
    if (cross && fps > 0 && static_cast<double>(total) / fps > 0) {
        total = static_cast<long long>(std::floor(fps * (static_cast<double>(total) / fps - (enabled - 1) * duration)));
    }
    const int frames = static_cast<int>(std::clamp<long long>(total, 0, std::numeric_limits<int>::max() - 1));
    const int last = frames + 1;

    const CaptionParam& title = data.capTitle;
    if (Applies(title)) {
        // The clamped end is only used here; the title's length stays as the user set it.
        const int endFrame =
            std::max(0, std::min(RoundToInt((title.capTime_first + title.capTime_second) * fps), frames - 1));
        const double endSeconds = fps > 0 ? static_cast<int>(100.0 * endFrame / fps + 0.5) * 0.01 : 0.0;
        lines.push_back(Event(kLayerTitle, SecondsTime(title.capTime_first), SecondsTime(endSeconds), "Title",
                              ShownText(data, title.caption, TitleStart(data, scenes))));
    }
    if (Applies(watermark)) {
        const int endFrame = std::min(RoundToInt((watermark.capTime_first + watermark.capTime_second) * fps), last);
        lines.push_back(Event(kLayerWatermark, SecondsTime(watermark.capTime_first), ExactFrameTime(endFrame, fps),
                              "Watermark", ShownText(data, watermark.caption, 0)));
    }

    int position = 0;
    int previousEnd = 0;
    for (int i = 0; i < count; ++i) {
        const SceneEntry& scene = scenes[i];
        if (!scene.enable) {
            continue;
        }
        const bool isFirst = i == 0;
        const bool isLast = i == count - 1;
        const CaptionParam& caption = scene.capParam;
        int sceneFrames = TimelineFrames(data, scene, fps);
        if (cross) {
            sceneFrames -= (isFirst || isLast) ? halfFade : fullFade;
        }
        int captionStart = RoundToInt(fps * caption.capTime_first);
        int captionEnd = RoundToInt((caption.capTime_first + caption.capTime_second) * fps);
        if (cross) {
            if (!isFirst) {
                captionStart -= halfFade;
            }
            if (!isLast) {
                captionEnd -= halfFade;
            }
        }
        const int limit = isLast ? last : position - 1 + sceneFrames;
        int end = std::min(captionEnd + position, limit);
        int start = std::max(captionStart + position, position);
        if (end + 1 > last) {
            end = frames;
        }
        const int endFrame = end + 1;
        start = std::max(start, previousEnd);
        if (Applies(caption)) {
            const long long endTime = isLast ? ExactFrameTime(endFrame, fps) : FrameTime(endFrame, fps);
            lines.push_back(
                Event(kLayerScene, FrameTime(start, fps), endTime, SceneStyleName(i), ShownSceneCaption(data, scene)));
        }
        position += sceneFrames;
        previousEnd = endFrame;
    }
    return lines;
}

std::vector<CaptionEvent> OneSceneEvents(const CTarneloData& data, const AssOptions& options,
                                         const CaptionParam& watermark) {
    std::vector<CaptionEvent> lines;
    const double fps = data.m_currentInfo.fps;
    const std::vector<SceneEntry> scenes = data.diff_list.Snapshot();
    const int count = static_cast<int>(scenes.size());
    const int k = SelectedScene(data, options);
    const int play = options.playFrame;
    const int frameCount = data.m_currentInfo.frame_num;
    const long long stillStart = SecondsTime(0);
    const long long stillEnd = SecondsTime(1.0);

    if (k >= 0 && k < count && Applies(scenes[k].capParam)) {
        const CaptionParam& caption = scenes[k].capParam;
        const std::string text = ShownText(data, caption.caption, SceneStart(data, scenes[k]));
        const int start = RoundToInt(caption.capTime_first * fps);
        const int end = RoundToInt((caption.capTime_first + caption.capTime_second) * fps);
        if (!options.singleStill) {
            lines.push_back(
                Event(kLayerScene, ExactFrameTime(start, fps), ExactFrameTime(end + 1, fps), SceneStyleName(k), text));
        } else if (start <= play && std::min(play, frameCount - 1) <= end) {
            lines.push_back(Event(kLayerScene, stillStart, stillEnd, SceneStyleName(k), RemoveFadeTags(text)));
        }
    }

    // Where this scene's segment begins on the merged timeline, for the title and watermark times.
    const int fullFade = RoundToInt(data.TransitionDuration * fps);
    const int halfFade = RoundToInt(data.TransitionDuration * 0.5 * fps);
    long long offsetSum = 0;
    for (int i = 0; i < std::min(k, count); ++i) {
        if (!scenes[i].enable) {
            continue;
        }
        int frames = TimelineFrames(data, scenes[i], fps);
        if (data.transition) {
            frames -= (i == 0 || i == count - 1) ? halfFade : fullFade;
        }
        offsetSum += frames;
    }
    const int offset = static_cast<int>(std::clamp<long long>(offsetSum, 0, std::numeric_limits<int>::max() / 2));
    const long long playOnTimeline = static_cast<long long>(play) + offset;
    const long long endOnTimeline = static_cast<long long>(frameCount) + offset;

    struct Overlay {
        const CaptionParam& caption;
        int layer;
        const char* style;
        double clockSeconds;
    };
    for (const Overlay& overlay : {Overlay{data.capTitle, kLayerTitle, "Title", TitleStart(data, scenes)},
                                   Overlay{watermark, kLayerWatermark, "Watermark", 0}}) {
        const CaptionParam& caption = overlay.caption;
        if (!Applies(caption)) {
            continue;
        }
        const std::string text = ShownText(data, caption.caption, overlay.clockSeconds);
        const int start = RoundToInt(caption.capTime_first * fps);
        const int end = RoundToInt((caption.capTime_first + caption.capTime_second) * fps);
        if (!(start <= playOnTimeline && std::min(playOnTimeline, endOnTimeline - 1) <= end)) {
            continue;
        }
        if (!options.singleStill) {
            lines.push_back(Event(overlay.layer, ExactFrameTime(std::max(0, start - offset), fps),
                                  ExactFrameTime(std::min(end - offset, frameCount) + 1, fps), overlay.style, text));
        } else {
            lines.push_back(Event(overlay.layer, stillStart, stillEnd, overlay.style, RemoveFadeTags(text)));
        }
    }
    return lines;
}

std::string ReplaceLineFeeds(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

// Only for messages: control characters shown as "?" so a log line stays one line.
std::string Printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) {
            c = '?';
        }
    }
    return out;
}

}  // namespace

std::string SecondsTimeText(double seconds) { return FormatTimeText(seconds, false); }

std::string FrameTimeText(int frame, double fps) { return SecondsToFrameTimeText(fps > 0 ? frame / fps : 0.0, true); }

std::string ExactFrameTimeText(int frame, double fps) {
    return SecondsToFrameTimeText(fps > 0 ? frame / fps : 0.0, false);
}

std::string RemoveFadeTags(const std::string& text) {
    static const std::regex kFade(R"(\{\\fad\(\d+,\d+\)\})");
    return std::regex_replace(text, kFade, "");
}

AssMetrics ComputeAssMetrics(const CTarneloData& data, int w, int h) {
    AssMetrics metrics;
    const double scaled = SampleAspectRatio(data.m_currentInfo) * w;
    metrics.playResX = std::isfinite(scaled) ? static_cast<int>(std::clamp(scaled, -2147483648.0, 2147483647.0)) : 0;
    metrics.playResY = h;
    const int mn = std::min(metrics.playResX, metrics.playResY);
    const int mx = std::max(metrics.playResX, metrics.playResY);
    metrics.unit = mn / 270;
    metrics.bar = CinemascopeBar(mx, mn);
    return metrics;
}

std::string BuildStyleLine(const std::string& name, const CaptionParam& caption, const AssMetrics& metrics) {
    const int size = metrics.unit * caption.font_size;
    const int sideMargin = size / 2;
    int verticalMargin = (metrics.bar - size) / 2;
    if (verticalMargin < 1) {
        verticalMargin = 0;
    }
    const std::string colour = FormatC("%08X", static_cast<unsigned>(caption.color));
    return FormatC(
        "Style: %s,%s,%d,&H%s,&H000000FF,&H00000000,&H64000000,%d,%d,%d,%d,100,100,0,0,1,%d,0,%d,%d,%d,%d,%d\n",
        name.c_str(), caption.font_name.c_str(), size, colour.c_str(), caption.bold, caption.italic, caption.underline,
        caption.strike_uut, caption.outline, caption.cap_pos_type, sideMargin, sideMargin, verticalMargin,
        caption.encoding);
}

std::string DialogueLineText(const CaptionEvent& event) {
    return FormatC("Dialogue: %d,%s,%s,%s,,0,0,0,,%s\n", event.layer, HundredthsTimeText(event.start).c_str(),
                   HundredthsTimeText(event.end).c_str(), event.style.c_str(), event.text.c_str());
}

std::string ShownSceneCaption(const CTarneloData& data, const SceneEntry& scene) {
    return ShownText(data, scene.capParam.caption, SceneStart(data, scene));
}

std::vector<CaptionEvent> BuildCaptionEvents(const CTarneloData& data, const AssOptions& options) {
    const CaptionParam watermark = EffectiveWatermark(data, options);
    if (options.wholeTimeline && !options.singleStill) {
        return WholeTimelineEvents(data, options, watermark);
    }
    return OneSceneEvents(data, options, watermark);
}

std::vector<std::string> BuildDialogueLines(const CTarneloData& data, const AssOptions& options) {
    std::vector<std::string> lines;
    for (const CaptionEvent& event : BuildCaptionEvents(data, options)) lines.push_back(DialogueLineText(event));
    return lines;
}

AssBuild BuildAssText(const CTarneloData& data, const AssOptions& options) {
    AssBuild build;
    build.dialogues = BuildDialogueLines(data, options);
    if (build.dialogues.empty()) {
        return build;
    }
    const AssMetrics metrics = ComputeAssMetrics(data, options.width, options.height);
    std::string text = FormatC(kAssHeader, metrics.playResX, metrics.playResY);
    text += BuildStyleLine("Watermark", EffectiveWatermark(data, options), metrics);
    text += BuildStyleLine("Title", data.capTitle, metrics);
    const std::vector<SceneEntry> scenes = data.diff_list.Snapshot();
    const int count = static_cast<int>(scenes.size());
    if (!options.wholeTimeline || options.singleStill) {
        const int k = SelectedScene(data, options);
        if (k >= 0 && k < count && Applies(scenes[k].capParam)) {
            text += BuildStyleLine(SceneStyleName(k), scenes[k].capParam, metrics);
        }
    } else {
        for (int i = 0; i < count; ++i) {
            if (scenes[i].enable && Applies(scenes[i].capParam)) {
                text += BuildStyleLine(SceneStyleName(i), scenes[i].capParam, metrics);
            }
        }
    }
    text += kEventsHeader;
    for (const std::string& line : build.dialogues) {
        text += line;
    }
    build.text = ReplaceLineFeeds(text);
    return build;
}

std::string AssFilePath(const CTarneloData& data, const AssOptions& options) {
    const std::string name =
        options.mergeTab ? ReplaceExtension(data.output_name, "") : ReplaceExtension(FileNamePart(data.input_file), "");
    const char* suffix = options.singleStill ? "_one.ass" : options.wholeTimeline ? "_all.ass" : "_seg.ass";
    return data.output_folder + name + suffix;
}

std::optional<std::string> SubtitleFilterText(const std::string& assPath, std::string* error) {
    auto fail = [&](const char* what) -> std::optional<std::string> {
        if (error != nullptr) {
            *error = FormatC("Subtitle file name contains %s: %s", what, Printable(assPath).c_str());
        }
        return std::nullopt;
    };
    if (assPath.empty()) {
        if (error != nullptr) {
            *error = "Subtitle file name is empty";
        }
        return std::nullopt;
    }
    for (const char c : assPath) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u == 0) {
            return fail("a NUL character");
        }
        if (u == '\n' || u == '\r') {
            return fail("a line break");
        }
        if (u < 0x20 || u == 0x7f) {
            return fail("a control character");
        }
        // The chain travels inside a double-quoted argument; the filter syntax has no way to spell
        // a double quote without one, and whether the caller escapes the chain is not ours to know.
        if (c == '"') {
            return fail("a double quote");
        }
    }

    std::string path = assPath;
    if constexpr (kPathSep == '\\') {
        std::replace(path.begin(), path.end(), '\\', '/');
    } else if (path.front() != '/') {
        // A relative "name:..." would be read as a protocol, and leading blanks would be trimmed.
        path = "./" + path;
    }

    // Two parsers read the text: the graph parser takes the quoted argument of the filter (inside '...'
    // only a quote is special), then the option parser splits it at ':' and takes '\' as an escape and
    // "key=" as an option name. So every '\', ':' and '=' gets a '\' for the option parser; a quote gets
    // one too, and since it cannot stand inside the graph parser's quotes, that quote is closed, the
    // quote given escaped, and the quotes reopened: ' becomes \'\''.
    std::string text = "subtitles='";
    for (size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        switch (c) {
            case '\'':
                text += "\\'\\''";
                break;
            case '\\':
            case ':':
            case '=':
                text += '\\';
                text += c;
                break;
            case ' ':
                // Trailing blanks of an option value are trimmed unless escaped.
                if (i + 1 == path.size()) {
                    text += '\\';
                }
                text += c;
                break;
            default:
                text += c;
                break;
        }
    }
    text += '\'';
    return text;
}

bool SaveAssFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        // A half-written caption file would render some captions and silently drop the rest.
        std::remove(path.c_str());
        return false;
    }
    return true;
}

SubtitleFilterResult MakeSubtitleFilter(const CTarneloData& data, const AssOptions& options) {
    SubtitleFilterResult result;
    const AssBuild build = BuildAssText(data, options);
    if (build.text.empty()) {
        return result;
    }
    result.path = AssFilePath(data, options);
    std::string error;
    std::optional<std::string> filter = SubtitleFilterText(result.path, &error);
    if (!filter) {
        result.error = error;
        return result;
    }
    result.filter = *filter;
    result.written = SaveAssFile(result.path, build.text);
    if (!result.written) {
        AppLog().Log("%s(%d) cannot write subtitle file(%s)\n", "MakeSubtitleFilter", __LINE__,
                     Printable(result.path).c_str());
    }
    return result;
}
