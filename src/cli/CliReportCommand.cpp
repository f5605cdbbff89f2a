// report and motion: what a saved project's scenes and motion record hold, for scripts and for a look.
#include <cstdio>
#include <filesystem>

#include "cli/CliCommands.h"
#include "cli/CliReport.h"
#include "cli/CliRunner.h"
#include "engine/motion/ProjectMotion.h"
#include "platform/AtomicFile.h"
#include "project/TarneloData.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// Why the record cannot be used, as its reader tells it; an input that is gone is named, since the reader
// can only say that the record is not of it.
std::string RecordReason(const CTarneloData& data, RecordStatus status) {
    std::string reason = RecordStatusText(status);
    const std::string input = data.input_mp4_file.empty() ? data.input_file : data.input_mp4_file;
    if (status == RecordStatus::kOtherInput) {
        if (const std::string why = FileProblem(input); !why.empty()) {
            reason += ": cannot open the input " + Quoted(input) + ": " + why;
        }
    }
    return reason;
}

std::string RecordUnusable(const CTarneloData& data, RecordStatus status) {
    return "the motion record " + Quoted(ProjectMotionRecordPath(data)) + " cannot be used (" +
           RecordReason(data, status) + ")";
}

// Whether a and b name one file: the same path once links and dots are resolved, or two links of one file.
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    const fs::path x = fs::weakly_canonical(fs::absolute(a, ec), ec);
    const fs::path y = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return !ec && x == y;
}

// Why output must not be written: it is a file the project depends on, or not writable at all.
std::string OutputProblem(const CTarneloData& data, const std::string& projectGiven, const std::string& output) {
    const struct {
        std::string path;
        const char* what;
    } kept[] = {{projectGiven, "the project file"},
                {data.project_file, "the project file"},
                {data.input_file, "the project's input video"},
                {data.input_mp4_file, "the project's working copy of its input"},
                {ProjectMotionRecordPath(data), "the motion record"}};
    for (const auto& file : kept) {
        if (SameFile(output, file.path)) return "it is " + std::string(file.what);
    }
    return WriteProblem(output);
}

}  // namespace

int RunReport(const Options& o, CliSink& sink, bool /*japanese*/) {
    CTarneloData data(false);
    if (const int status = LoadSavedProject(data, o.target, sink, false); status >= 0) return status;

    MotionRecord record;
    const RecordStatus status = ReadProjectMotionRecord(data, record);
    const bool usable = status == RecordStatus::kOk;
    if (!usable) Warn(sink, RecordUnusable(data, status) + "; the peak fields are left empty");
    const SceneReport report =
        BuildSceneReport(data, usable ? &record : nullptr, ProjectMotionRecordPath(data), RecordStatusText(status));
    WriteStdout(o.reportFormat == ReportFormat::Json ? FormatReportJson(report) : FormatReportCsv(report));
    // A script reading a cut-short report must not be told it is whole.
    if (std::ferror(stdout)) return Fail(sink, "cannot write the report to stdout");
    return kExitSuccess;
}

int RunMotion(const Options& o, CliSink& sink, bool /*japanese*/) {
    CTarneloData data(false);
    if (const int status = LoadSavedProject(data, o.target, sink, false); status >= 0) return status;

    const struct {
        std::string path;
        const char* what;
    } outputs[] = {{o.motionCsv.empty() ? "" : Absolute(o.motionCsv), "Motion table"},
                   {o.motionSvg.empty() ? "" : Absolute(o.motionSvg), "Motion chart"}};
    if (SameFile(outputs[0].path, outputs[1].path)) return Fail(sink, "--csv and --svg name the same file");
    for (const auto& output : outputs) {
        if (output.path.empty()) continue;
        if (const std::string why = OutputProblem(data, Absolute(o.target), output.path); !why.empty()) {
            return Fail(sink, "will not write " + Quoted(output.path) + ": " + why);
        }
    }

    MotionRecord record;
    const RecordStatus status = ReadProjectMotionRecord(data, record);
    if (status != RecordStatus::kOk) {
        return Fail(sink, RecordUnusable(data, status) + "; run extract on the project's video once to make it");
    }
    const int threshold = RecordThresholdCount(record, data.threshold.value);
    for (const auto& output : outputs) {
        if (output.path.empty()) continue;
        const bool table = &output == &outputs[0];
        const std::string text = table ? FormatMotionCsv(record, threshold, data.SourceClock(record.fps))
                                       : FormatMotionSvg(data, record, threshold);
        if (!platform::WriteFileAtomically(output.path, text)) {
            return Fail(sink, "cannot write " + Quoted(output.path));
        }
        sink.PrintLine(std::string(output.what) + ": " + output.path);
    }
    return kExitSuccess;
}

}  // namespace cli
