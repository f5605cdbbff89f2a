// An MLT XML document: the recording as one producer, the scenes as playlist entries with their frames, a tractor
// that plays them. Cross-fades put the scenes on two tracks in turn, overlapping by the fade, with a dissolve
// (luma) and an audio mix between them. A caption is a text filter on its scene's entry.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/export/ExportWriters.h"
#include "engine/export/SceneReport.h"
#include "engine/merge/Subtitles.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace {

std::string Property(const char* name, const std::string& value, const char* indent) {
    return FormatC("%s<property name=\"%s\">%s</property>\n", indent, name, XmlText(value).c_str());
}

std::string Profile(const ExportTimeline& timeline, const CTarneloData& data) {
    const int sarNum = data.m_sourceInfo.sar_num > 0 ? data.m_sourceInfo.sar_num : 1;
    const int sarDen = data.m_sourceInfo.sar_den > 0 ? data.m_sourceInfo.sar_den : 1;
    long long darNum = static_cast<long long>(timeline.width) * sarNum;
    long long darDen = static_cast<long long>(timeline.height) * sarDen;
    const long long divisor = std::max(1LL, std::gcd(darNum, darDen));
    darNum /= divisor;
    darDen /= divisor;
    return FormatC(
        "  <profile description=\"%dx%d %.2f fps\" width=\"%d\" height=\"%d\" progressive=\"1\" "
        "sample_aspect_num=\"%d\" sample_aspect_den=\"%d\" display_aspect_num=\"%lld\" display_aspect_den=\"%lld\" "
        "frame_rate_num=\"%d\" frame_rate_den=\"%d\" colorspace=\"709\"/>\n",
        timeline.width, timeline.height, FrameRateValue(timeline.rate), timeline.width, timeline.height, sarNum, sarDen,
        darNum, darDen, timeline.rate.num, timeline.rate.den);
}

// Keypad place to the text filter's alignment.
const char* HorizontalAlign(int place) {
    const int column = (place - 1) % 3;
    return column == 0 ? "left" : column == 1 ? "centre" : "right";
}
const char* VerticalAlign(int place) { return place >= 7 ? "top" : place >= 4 ? "middle" : "bottom"; }

std::string CaptionFilter(const TimelineScene& scene, int index, const ExportTimeline& timeline,
                          const std::vector<SceneEntry>& list, const char* indent) {
    if (scene.caption.empty() || scene.captionPlace == 0 || scene.listPosition >= static_cast<int>(list.size()))
        return {};
    const double fps = timeline.fps;
    const int last = std::max(0, scene.outputFrames - 1);
    const int in = std::clamp(static_cast<int>(std::lround(scene.captionStart * fps)), 0, last);
    const int out =
        std::clamp(static_cast<int>(std::lround((scene.captionStart + scene.captionLength) * fps)) - 1, in, last);
    const CaptionParam& caption = list[static_cast<size_t>(scene.listPosition)].capParam;
    const uint32_t bgr = caption.color;
    const std::string inner = std::string(indent) + "  ";
    // A filter on an entry counts the source's frames, not the entry's.
    const int first = SourceGridFrame(scene, fps);
    std::string text =
        FormatC("%s<filter id=\"caption%d\" in=\"%d\" out=\"%d\">\n", indent, index + 1, first + in, first + out);
    text += Property("mlt_service", "text", inner.c_str());
    text += Property("argument", RemoveFadeTags(scene.caption), inner.c_str());
    text += Property("family", caption.font_name, inner.c_str());
    text += Property("size", std::to_string(std::max(8, caption.font_size * timeline.height / 360)), inner.c_str());
    text += Property("fgcolour", FormatC("#ff%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF),
                     inner.c_str());
    text += Property("olcolour", "#ff000000", inner.c_str());
    text += Property("outline", std::to_string(std::max(0, caption.outline)), inner.c_str());
    text += Property("weight", caption.bold ? "700" : "400", inner.c_str());
    text += Property("halign", HorizontalAlign(scene.captionPlace), inner.c_str());
    text += Property("valign", VerticalAlign(scene.captionPlace), inner.c_str());
    text += indent + std::string("</filter>\n");
    return text;
}

std::string Entry(const TimelineScene& scene, int index, const ExportTimeline& timeline,
                  const std::vector<SceneEntry>& list) {
    const std::string filter = CaptionFilter(scene, index, timeline, list, "      ");
    const int in = SourceGridFrame(scene, timeline.fps);
    std::string text = FormatC("    <entry producer=\"source\" in=\"%d\" out=\"%d\"", in, in + scene.outputFrames - 1);
    return filter.empty() ? text + "/>\n" : text + ">\n" + filter + "    </entry>\n";
}

// Track 0 holds the first, third ... scene, track 1 the others; each fade goes from one to the other.
std::string Transitions(const ExportTimeline& timeline) {
    std::string text;
    for (size_t k = 1; k < timeline.scenes.size(); ++k) {
        const TimelineScene& before = timeline.scenes[k - 1];
        const TimelineScene& scene = timeline.scenes[k];
        const int in = scene.outputStart;
        const int out = std::max(in, before.outputStart + before.outputFrames - 1);
        const bool toUpper = k % 2 == 1;
        text += FormatC("    <transition id=\"dissolve%zu\" in=\"%d\" out=\"%d\">\n", k, in, out);
        text += Property("mlt_service", "luma", "      ");
        text += Property("a_track", "0", "      ");
        text += Property("b_track", "1", "      ");
        text += Property("reverse", toUpper ? "0" : "1", "      ");
        text += "    </transition>\n";
        text += FormatC("    <transition id=\"mix%zu\" in=\"%d\" out=\"%d\">\n", k, in, out);
        text += Property("mlt_service", "mix", "      ");
        text += Property("a_track", "0", "      ");
        text += Property("b_track", "1", "      ");
        text += Property("start", toUpper ? "0" : "1", "      ");
        text += Property("end", toUpper ? "1" : "0", "      ");
        text += "    </transition>\n";
    }
    return text;
}

}  // namespace

std::string MltText(const CTarneloData& data) {
    const ExportTimeline timeline = BuildExportTimeline(data);
    // The captions' looks; taken after the walk, so a scene removed meanwhile has no caption rather than another's.
    const std::vector<SceneEntry> list = data.diff_list.Snapshot();
    const std::vector<TimelineScene>& scenes = timeline.scenes;
    int length = 0;
    for (const TimelineScene& scene : scenes) length = std::max(length, scene.outputStart + scene.outputFrames);

    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    text += FormatC("<mlt LC_NUMERIC=\"C\" version=\"7.0.0\" title=\"%s\" producer=\"main\">\n",
                    XmlText(TimelineName(data)).c_str());
    text += Profile(timeline, data);
    text += FormatC("  <producer id=\"source\" in=\"0\" out=\"%d\">\n", std::max(0, timeline.frameCount - 1));
    text += Property("resource", timeline.sourcePath, "    ");
    text += "  </producer>\n";
    const int tracks = timeline.crossFade ? 2 : 1;
    for (int track = 0; track < tracks; ++track) {
        text += FormatC("  <playlist id=\"scenes%d\">\n", track);
        int position = 0;
        for (size_t k = track; k < scenes.size(); k += tracks) {
            if (scenes[k].outputStart > position) {
                text += FormatC("    <blank length=\"%d\"/>\n", scenes[k].outputStart - position);
            }
            text += Entry(scenes[k], static_cast<int>(k), timeline, list);
            position = scenes[k].outputStart + scenes[k].outputFrames;
        }
        text += "  </playlist>\n";
    }
    text += FormatC("  <tractor id=\"main\" in=\"0\" out=\"%d\">\n", std::max(0, length - 1));
    for (int track = 0; track < tracks; ++track) text += FormatC("    <track producer=\"scenes%d\"/>\n", track);
    if (timeline.crossFade) text += Transitions(timeline);
    text += "  </tractor>\n</mlt>\n";
    return text;
}
