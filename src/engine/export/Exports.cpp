#include "engine/export/Exports.h"

#include "engine/export/ExportWriters.h"
#include "engine/export/SceneReport.h"
#include "engine/export/SubtitleExport.h"
#include "engine/motion/ProjectMotion.h"
#include "engine/preparation/InputPreparation.h"
#include "platform/AtomicFile.h"
#include "project/TarneloData.h"

namespace {

// The report as `report --csv` writes it for one project.
std::string ReportCsv(const CTarneloData& data) {
    MotionRecord record;
    const RecordStatus status = ReadProjectMotionRecord(data, record);
    const bool usable = status == RecordStatus::kOk;
    return FormatReportCsv(
        BuildSceneReport(data, usable ? &record : nullptr, ProjectMotionRecordPath(data), RecordStatusText(status)));
}

}  // namespace

const std::vector<ExportFormatInfo>& ExportFormats() {
    static const std::vector<ExportFormatInfo> kFormats = {
        {ExportFormat::kMlt, "mlt", ".mlt", "MLT XML (melt and the editors that read MLT)"},
        {ExportFormat::kFcpxml, "fcpxml", ".fcpxml", "FCPXML 1.10"},
        {ExportFormat::kEdl, "edl", ".edl", "CMX 3600 edit decision list"},
        {ExportFormat::kOtio, "otio", ".otio", "OpenTimelineIO JSON"},
        {ExportFormat::kCsv, "csv", ".csv", "the scene report as CSV, as report --csv writes it"},
        {ExportFormat::kSrt, "srt", ".srt", "SubRip subtitles of the merged file's captions"},
        {ExportFormat::kVtt, "vtt", ".vtt", "WebVTT subtitles of the merged file's captions"},
    };
    return kFormats;
}

const ExportFormatInfo& ExportFormatOf(ExportFormat format) {
    for (const ExportFormatInfo& info : ExportFormats()) {
        if (info.format == format) return info;
    }
    return ExportFormats().front();
}

std::optional<ExportFormat> ExportFormatByName(std::string_view name) {
    for (const ExportFormatInfo& info : ExportFormats()) {
        if (name == info.name) return info.format;
    }
    return std::nullopt;
}

std::string ExportFormatNames() {
    std::string text;
    for (const ExportFormatInfo& info : ExportFormats()) text += (text.empty() ? "" : ", ") + std::string(info.name);
    return text;
}

void PrepareReadProject(CTarneloData& data) {
    const double fps = data.m_currentInfo.fps > 0 ? data.m_currentInfo.fps : data.m_sourceInfo.fps;
    data.TransitionDuration = ComputeTransitionDuration(fps);
}

std::string ExportProblem(const CTarneloData& data) {
    if (data.input_file.empty()) return "the project has no input video";
    const ExportTimeline timeline = BuildExportTimeline(data);
    if (timeline.scenes.empty()) return "the project has no enabled scene";
    if (!(timeline.fps > 0)) return "the project does not know its video's frame rate";
    return {};
}

std::string ExportText(ExportFormat format, const CTarneloData& data) {
    switch (format) {
        case ExportFormat::kMlt:
            return MltText(data);
        case ExportFormat::kFcpxml:
            return FcpxmlText(data);
        case ExportFormat::kEdl:
            return EdlText(data);
        case ExportFormat::kOtio:
            return OtioText(data);
        case ExportFormat::kCsv:
            return ReportCsv(data);
        case ExportFormat::kSrt:
            return BuildSrtText(data);
        case ExportFormat::kVtt:
            return BuildVttText(data);
    }
    return {};
}

bool SaveExport(const std::string& path, const std::string& text) { return platform::WriteFileAtomically(path, text); }
