// An FCPXML 1.10 document: a format and an asset of the recording, and a project whose sequence's spine holds
// one asset-clip per scene with times on the frame grid; the merge's cross-fades as transitions on the cuts.
#include <algorithm>
#include <numeric>

#include "engine/export/ExportWriters.h"
#include "engine/export/SceneReport.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace {

// frames at rate as seconds in lowest terms: "1001/30000s", "2s", "0s".
std::string RationalTime(long long frames, const FrameRate& rate) {
    if (frames == 0 || rate.num <= 0) return "0s";
    long long num = frames * rate.den;
    long long den = rate.num;
    const long long divisor = std::gcd(num < 0 ? -num : num, den);
    num /= divisor;
    den /= divisor;
    return den == 1 ? std::to_string(num) + "s" : std::to_string(num) + "/" + std::to_string(den) + "s";
}

}  // namespace

std::string FcpxmlText(const CTarneloData& data) {
    const ExportTimeline timeline = BuildExportTimeline(data);
    const FrameRate& rate = timeline.rate;
    const std::vector<CutClip> clips = CutClips(timeline);
    const char* tcFormat = IsDropFrameRate(rate) ? "DF" : "NDF";
    const std::string name = XmlText(TimelineName(data));
    int length = 0;
    for (const CutClip& clip : clips) length = std::max(length, clip.recordStart + clip.frames);

    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE fcpxml>\n<fcpxml version=\"1.10\">\n";
    text += "  <resources>\n";
    text += FormatC("    <format id=\"r1\" frameDuration=\"%s\" width=\"%d\" height=\"%d\"/>\n",
                    RationalTime(1, rate).c_str(), timeline.width, timeline.height);
    text += FormatC(
        "    <asset id=\"r2\" name=\"%s\" start=\"0s\" duration=\"%s\" hasVideo=\"1\" hasAudio=\"%d\" format=\"r1\">\n",
        XmlText(FileNamePart(timeline.sourcePath)).c_str(), RationalTime(timeline.frameCount, rate).c_str(),
        data.m_sourceInfo.has_audio ? 1 : 0);
    text += FormatC("      <media-rep kind=\"original-media\" src=\"%s\"/>\n",
                    XmlText(FileUrl(timeline.sourcePath)).c_str());
    text += "    </asset>\n  </resources>\n";
    text += FormatC("  <library>\n    <event name=\"%s\">\n      <project name=\"%s\">\n", name.c_str(), name.c_str());
    text += FormatC(
        "        <sequence format=\"r1\" duration=\"%s\" tcStart=\"0s\" tcFormat=\"%s\" audioLayout=\"stereo\" "
        "audioRate=\"48k\">\n          <spine>\n",
        RationalTime(length, rate).c_str(), tcFormat);
    for (size_t k = 0; k < clips.size(); ++k) {
        const CutClip& clip = clips[k];
        const TimelineScene& scene = timeline.scenes[k];
        if (clip.fadeBefore + clip.fadeAfter > 0) {
            text += FormatC("            <transition name=\"Cross Dissolve\" offset=\"%s\" duration=\"%s\"/>\n",
                            RationalTime(clip.recordStart - clip.fadeBefore, rate).c_str(),
                            RationalTime(clip.fadeBefore + clip.fadeAfter, rate).c_str());
        }
        text += FormatC(
            "            <asset-clip ref=\"r2\" name=\"Scene %d\" offset=\"%s\" start=\"%s\" duration=\"%s\" "
            "format=\"r1\" tcFormat=\"%s\"",
            scene.number, RationalTime(clip.recordStart, rate).c_str(), RationalTime(clip.sourceStart, rate).c_str(),
            RationalTime(clip.frames, rate).c_str(), tcFormat);
        if (scene.caption.empty()) {
            text += "/>\n";
        } else {
            text += ">\n              <note>" + XmlText(scene.caption) + "</note>\n            </asset-clip>\n";
        }
    }
    text += "          </spine>\n        </sequence>\n      </project>\n    </event>\n  </library>\n</fcpxml>\n";
    return text;
}
