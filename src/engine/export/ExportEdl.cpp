// A CMX 3600 edit decision list: one video event per scene, cut from the recording (reel AX), dissolves as the
// merge's cross-fades.
#include "engine/export/ExportWriters.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace {

// A comment stays one line, whatever the caption holds.
std::string OneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        out += (u < 0x20 || u == 0x7F) ? ' ' : c;
    }
    return out;
}

std::string EventLine(int number, const char* kind, int fade, long long sourceIn, long long sourceOut,
                      long long recordIn, long long recordOut, const FrameRate& rate) {
    const std::string transition = fade > 0 ? FormatC("%-4s %03d", kind, fade) : FormatC("%-8s", kind);
    return FormatC("%03d  AX       V     %s %s %s %s %s\n", number, transition.c_str(),
                   Timecode(sourceIn, rate).c_str(), Timecode(sourceOut, rate).c_str(),
                   Timecode(recordIn, rate).c_str(), Timecode(recordOut, rate).c_str());
}

}  // namespace

std::string EdlText(const CTarneloData& data) {
    const ExportTimeline timeline = BuildExportTimeline(data);
    const FrameRate& rate = timeline.rate;
    std::string text = "TITLE: " + OneLine(TimelineName(data)) + "\n";
    text += IsDropFrameRate(rate) ? "FCM: DROP FRAME\n" : "FCM: NON-DROP FRAME\n";
    const std::string clipName = OneLine(FileNamePart(timeline.sourcePath));
    int number = 0;
    for (size_t k = 0; k < timeline.scenes.size(); ++k) {
        const TimelineScene& scene = timeline.scenes[k];
        const long long recordIn = scene.outputStart;
        const long long recordOut = k + 1 < timeline.scenes.size() ? timeline.scenes[k + 1].outputStart
                                                                   : scene.outputStart + scene.outputFrames;
        const long long sourceIn = SourceGridFrame(scene, timeline.fps);
        const long long sourceOut = sourceIn + (recordOut - recordIn);
        text += "\n";
        if (k > 0 && timeline.crossFade) {
            // The outgoing scene is held at the frame the dissolve starts from, then dissolves into this one.
            const TimelineScene& before = timeline.scenes[k - 1];
            const int fade = before.outputStart + before.outputFrames - scene.outputStart;
            const long long held = SourceGridFrame(before, timeline.fps) + (recordIn - before.outputStart);
            ++number;
            text += EventLine(number, "C", 0, held, held, recordIn, recordIn, rate);
            text += EventLine(number, "D", std::max(1, fade), sourceIn, sourceOut, recordIn, recordOut, rate);
        } else {
            text += EventLine(++number, "C", 0, sourceIn, sourceOut, recordIn, recordOut, rate);
        }
        text += "* FROM CLIP NAME: " + clipName + "\n";
        if (!scene.caption.empty()) text += "* COMMENT: " + OneLine(scene.caption) + "\n";
    }
    return text;
}
