#include "engine/merge/EffectsFilter.h"

#include <algorithm>
#include <cmath>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/Subtitles.h"
#include "log/AppLog.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace {

constexpr int kBoxWidth = 480;
constexpr int kBoxHeight = 480;

thread_local std::string t_lastFilterError;

int TruncateToInt(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    return static_cast<int>(std::clamp(value, -2147483648.0, 2147483647.0));
}

std::string CinemascopeElements(int w, int h, double sar) {
    const double displayWidth = w * sar;
    const int mx = TruncateToInt(std::max(static_cast<double>(h), displayWidth));
    const int mn = TruncateToInt(std::min(static_cast<double>(h), displayWidth));
    const int bar = CinemascopeBar(mx, mn);
    // The orientation follows the stored size: a portrait frame gets its bars at the sides.
    if (h > w) {
        return FormatC(
            "drawbox=y=0:color=black@1.0:width=%d:height=ih:t=fill,"
            "drawbox=x=%d:color=black@1.0:width=%d:height=ih:t=fill,",
            bar, mn - bar, bar);
    }
    return FormatC(
        "drawbox=y=0:color=black@1.0:width=iw:height=%d:t=fill,drawbox=y=%d:color=black@1.0:width=iw:height=%d:t=fill,",
        bar, mn - bar, bar);
}

std::string PreviewBoxElement(int w, int h, double sar) {
    const double displayWidth = w * sar;
    if (w <= 0 || h <= 0) {
        // Nothing probed yet: let ffmpeg fit whatever arrives instead of dividing by zero here.
        return FormatC(
            "scale=%d:%d:force_original_aspect_ratio=decrease,setsar=1,pad=%d:%d:(ow-iw)/2:(oh-ih)/2:"
            "color=#505050",
            kBoxWidth, kBoxHeight, kBoxWidth, kBoxHeight);
    }
    const double s = std::min(static_cast<double>(kBoxHeight) / h, kBoxWidth / displayWidth);
    const int sw = TruncateToInt(s * displayWidth);
    const int sh = TruncateToInt(s * h);
    int x = (kBoxWidth - sw) / 2;
    if (w < h && sh == kBoxHeight) {
        x += 2;
    }
    const int y = (kBoxHeight - sh) / 2;
    return FormatC("scale=iw*%f:ih,setsar=1,scale=%d:%d,pad=%d:%d:%d:%d:color=#505050", sar, sw, sh, kBoxWidth,
                   kBoxHeight, x, y);
}

}  // namespace

bool IsWholeTimelineJob(int jobId) { return jobId == kJobMerge || jobId == kJobExtractMerge; }

std::string BuildEffectsChain(const CTarneloData& data, const EffectsOptions& options,
                              const std::string& subtitleFilterText) {
    const PictureSize size = EffectsPictureSize(data.m_currentInfo, options.swap);
    const double sar = SampleAspectRatio(data.m_currentInfo);
    std::string chain;
    if (options.effects) {
        chain += FormatC("lut=y='pow(clip(((val+%.3f-128)*%.3f+128)/255\\,0\\,1),1/%.3f)*255',hue=s=%.3f,",
                         data.brightness.value * 255.0, data.contrast.value, data.gamma.value, data.saturation.value);
        if (data.primaries) {
            chain += "zscale=range=full:primaries=bt709:transfer=bt709:matrix=bt709,";
        }
        if (data.cine_sco && size.w > 0 && size.h > 0) {
            chain += CinemascopeElements(size.w, size.h, sar);
        }
        if (!subtitleFilterText.empty()) {
            chain += subtitleFilterText;
            chain += ',';
        }
    }
    if (options.previewBox) {
        chain += PreviewBoxElement(size.w, size.h, sar);
    }
    return chain;
}

const std::string& LastFilterError() { return t_lastFilterError; }

void SetLastFilterError(const std::string& reason) { t_lastFilterError = reason; }

std::string JobContext::BuildEffectsFilter(bool effects, bool previewBox, bool singleStill, bool swap, int sceneIndex) {
    SetLastFilterError({});
    const PictureSize size = EffectsPictureSize(m_data->m_currentInfo, swap);
    std::string subtitles;
    if (effects) {
        subtitles = BuildSubtitleFilter(IsWholeTimelineJob(nProcessID.load()), size.w, size.h, singleStill, sceneIndex);
        if (!LastFilterError().empty()) {
            return {};
        }
    }
    return BuildEffectsChain(*m_data, EffectsOptions{effects, previewBox, swap}, subtitles);
}

std::string JobContext::BuildSubtitleFilter(bool wholeTimeline, int w, int h, bool singleStill, int sceneIndex) {
    SetLastFilterError({});
    AssOptions options;
    options.wholeTimeline = wholeTimeline;
    options.singleStill = singleStill;
    options.sceneIndex = sceneIndex;
    options.width = w;
    options.height = h;
    options.playFrame = CurrentPlayFrame();
    options.mergeTab = m_options.mode == 1;
    const SubtitleFilterResult result = MakeSubtitleFilter(*m_data, options);
    if (!result.error.empty()) {
        AppLog().Log("%s(%d) %s\n", "CTarneloProcess::BuildSubtitleFilter", __LINE__, result.error.c_str());
        SetLastFilterError(result.error);
        return {};
    }
    return result.filter;
}
