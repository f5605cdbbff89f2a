// report and motion: what a saved project's scenes and motion record hold, for scripts and for a look.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CliReport.h"
#include "cli/CliRunner.h"
#include "cli/CliSignals.h"
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

// A project's scenes, with the peaks of its motion record when that can be used.
SceneReport ReportOf(const CTarneloData& data, CliSink& sink) {
    MotionRecord record;
    const RecordStatus status = ReadProjectMotionRecord(data, record);
    const bool usable = status == RecordStatus::kOk;
    if (!usable) Warn(sink, RecordUnusable(data, status) + "; the peak fields are left empty");
    return BuildSceneReport(data, usable ? &record : nullptr, ProjectMotionRecordPath(data), RecordStatusText(status));
}

// The project files of folder (and, recursive, of the folders below it), sorted by path.
std::vector<std::string> ProjectsInFolder(const std::string& folder, bool recursive, std::error_code& ec) {
    std::vector<std::string> found;
    const auto take = [&found](const fs::directory_entry& entry) {
        std::error_code ignored;
        if (IsProjectPath(entry.path().filename().string()) && entry.is_regular_file(ignored)) {
            found.push_back(entry.path().lexically_normal().string());
        }
    };
    const auto options = fs::directory_options::skip_permission_denied;
    if (recursive) {
        for (auto it = fs::recursive_directory_iterator(folder, options, ec); !ec && it != fs::end(it);
             it.increment(ec)) {
            take(*it);
        }
    } else {
        for (auto it = fs::directory_iterator(folder, options, ec); !ec && it != fs::end(it); it.increment(ec)) {
            take(*it);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The projects a report over several covers, each once, in the order given; false when a folder could not be
// read or held none (said on stderr).
bool CollectProjects(const Options& o, CliSink& sink, std::vector<std::string>& projects) {
    bool complete = true;
    std::set<std::string> seen;
    const auto add = [&](const std::string& file) {
        std::error_code ec;
        const std::string key = fs::weakly_canonical(fs::absolute(file, ec), ec).string();
        if (seen.insert(ec ? file : key).second) projects.push_back(file);
    };
    for (const std::string& given : o.files) {
        std::error_code ec;
        if (!fs::is_directory(given, ec)) {
            add(given);
            continue;
        }
        const std::vector<std::string> found = ProjectsInFolder(given, o.recursive, ec);
        if (ec) {
            Fail(sink, "cannot read the folder " + Quoted(given) + ": " + ec.message());
            complete = false;
        } else if (found.empty()) {
            Fail(sink, "no project files (.kpproj) in " + Quoted(given) + (o.recursive ? " or below it" : ""));
            complete = false;
        }
        for (const std::string& file : found) add(file);
    }
    return complete;
}

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

}  // namespace

int RunReport(const Options& o, CliSink& sink, bool /*japanese*/) {
    const bool json = o.reportFormat == ReportFormat::Json;
    std::string text;
    int status = kExitSuccess;
    if (o.files.size() == 1 && !IsFolder(o.files.front())) {
        CTarneloData data(false);
        if (const int failed = LoadSavedProject(data, o.files.front(), sink, false); failed >= 0) return failed;
        const SceneReport report = ReportOf(data, sink);
        text = json ? FormatReportJson(report) : FormatReportCsv(report);
    } else {
        // One report over all: a project that cannot be read is named and fails the command, the rest are kept.
        std::vector<std::string> projects;
        if (!CollectProjects(o, sink, projects)) status = kExitFailure;
        std::vector<FileReport> reports;
        for (const std::string& project : projects) {
            if (StopRequested()) return Stopped(sink, "");
            CTarneloData data(false);
            if (LoadSavedProject(data, project, sink, false) >= 0) {
                status = kExitFailure;
                continue;
            }
            reports.push_back({project, ReportOf(data, sink)});
        }
        text = json ? FormatReportsJson(reports) : FormatReportsCsv(reports);
    }
    WriteStdout(text);
    // A script reading a cut-short report must not be told it is whole.
    if (std::ferror(stdout)) return Fail(sink, "cannot write the report to stdout");
    return status;
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
