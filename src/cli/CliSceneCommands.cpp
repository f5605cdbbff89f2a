// The scene tab's commands: extract (and extract + merge), segments, merge and autocorrect.
#include <filesystem>
#include <optional>

#include "cli/CliBatch.h"
#include "cli/CliCommands.h"
#include "cli/CliProject.h"
#include "cli/CliRegions.h"
#include "cli/CliRetune.h"
#include "cli/CliRunner.h"
#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/SceneMerge.h"
#include "engine/motion/ProjectMotion.h"
#include "engine/render/AutoCorrection.h"
#include "engine/scenes/SceneRules.h"
#include "platform/CudaProbe.h"
#include "project/FileHelpers.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

int CountSegmentFiles(const CTarneloData& data) {
    int count = 0;
    std::error_code ec;
    for (const SceneEntry& scene : data.diff_list.Snapshot()) {
        if (!scene.fileName.empty() && fs::is_regular_file(scene.fileName, ec)) ++count;
    }
    return count;
}

// After a scene job: save the project, print the table, and turn the outcome into the exit status.
struct SceneJobEnd {
    const char* what;
    // The merged output's state before a job that merges, to tell whether it was written.
    std::optional<FileStamp> outputBefore;
    // An extraction that cuts: every scene it found must have its segment file unless no write failed.
    bool cutsEveryScene = false;
    // A video of a batch: no table; the scenes of the saved project go here.
    SceneTally* tally = nullptr;
};

int FinishSceneJob(CTarneloData& data, CliSink& sink, const CTarneloProcess& engine, int result,
                   const SceneJobEnd& end) {
    const char* what = end.what;
    const std::optional<FileStamp>& outputBefore = end.outputBefore;
    sink.EndBar();
    const std::string saveProblem = SaveProjectFile(data);
    const bool saved = saveProblem.empty();
    if (end.tally) {
        *end.tally = TallyScenes(data);
    } else {
        WriteStdout(FormatSceneTable(data));
    }
    if (saved) {
        sink.PrintLine("Project file: " + data.project_file);
        sink.PrintLine(FormatC("Scenes: %zu; segment files: %d in %s", static_cast<size_t>(data.diff_list.Size()),
                               CountSegmentFiles(data), data.output_folder.c_str()));
    }
    if (outputBefore && result == 0 && !StopRequested()) {
        const std::string output = data.GetOutputPath();
        const FileStamp after = StampOf(output);
        if (after.exists && !(after == *outputBefore)) {
            sink.PrintLine("Merged file: " + output);
        } else if (data.diff_list.Empty()) {
            sink.PrintLine("No scenes were found; nothing was merged.");
        }
    }
    if (StopRequested()) return Stopped(sink, saved ? "the scenes found so far are saved" : "");
    if (!saved) return Fail(sink, saveProblem);
    if (result == -2) {
        return Fail(sink, std::string(what) + " stopped at the limit of 999 scenes; the scenes found are saved");
    }
    // The system's reason for a failed write, when the failure text does not carry it already.
    const std::string writeError = engine.LastWriteError();
    std::string because;
    if (!writeError.empty()) because = ": " + writeError;
    if (result != 0) {
        std::string failure = JobFailure(sink, result);
        if (failure.find(writeError) == std::string::npos) failure += because;
        return Fail(sink, std::string(what) + " failed: " + failure);
    }
    // Only a failed write counts: the list an extraction that found nothing puts up is never cut.
    if (end.cutsEveryScene && !writeError.empty()) {
        const size_t scenes = static_cast<size_t>(data.diff_list.Size());
        const size_t cut = static_cast<size_t>(CountSegmentFiles(data));
        if (cut < scenes) {
            return Fail(sink, FormatC("%s: %zu of %zu segment files could not be written", what, scenes - cut, scenes) +
                                  because + "; the scenes are saved, and a merge or \"segments\" cuts the rest");
        }
    }
    return kExitSuccess;
}

// The merged output must be writable before a long job starts, must not be the video it is made from, and
// the merge must be able to name its files.
int CheckMergeOutput(const CTarneloData& data, CliSink& sink) {
    const std::string output = data.GetOutputPath();
    if (output.empty()) return Fail(sink, "the project names no output file");
    std::error_code ec;
    if (fs::is_directory(output, ec)) {
        return Fail(sink, "cannot write the merged file " + Quoted(output) + ": it is a folder");
    }
    for (const std::string& input : {data.input_file, data.input_mp4_file}) {
        if (!input.empty() && SameFile(input, output)) {
            return Fail(sink, "the merged file " + Quoted(output) + " would overwrite the input video");
        }
    }
    if (const std::optional<std::string> problem = MergePathProblem(data)) {
        return Fail(sink, "cannot merge: " + *problem);
    }
    return -1;
}

}  // namespace

int RunExtract(const Options& o, CliSink& sink, bool japanese) {
    return o.batch ? RunExtractBatch(o, sink, japanese) : RunExtractFile(o, sink, japanese, nullptr);
}

int RunExtractFile(const Options& o, CliSink& sink, bool japanese, SceneTally* tally) {
    ExtractPaths paths;
    paths.input = Absolute(o.target);
    if (const std::string why = FileProblem(paths.input); !why.empty()) {
        return Fail(sink, "cannot open " + Quoted(o.target) + ": " + why);
    }
    if (!o.outputFolder.empty()) paths.outputFolder = Absolute(o.outputFolder);
    if (!o.projectFile.empty()) paths.projectFile = Absolute(o.projectFile);

    const bool cudaPresent = o.cuda && platform::HasCudaDevice();
    CTarneloData data(cudaPresent);
    for (const std::string& warning : SetUpExtractProject(data, o, paths, cudaPresent)) Warn(sink, warning);
    if (o.merge) data.transition = o.transition.value_or(false);
    if (o.merge) data.chapters = o.chapters.value_or(false);
    if (const int status = ApplyRegionOptions(data, o, sink); status >= 0) return status;

    // A run may take long; find out first that its project can be saved where it is meant to go.
    if (const std::string why = WriteProblem(data.project_file); !why.empty()) {
        return Fail(sink, "cannot write the project file " + Quoted(data.project_file) + ": " + why);
    }
    if (!SegmentNamesFit(data.input_file)) {
        return Fail(sink, "cannot cut the scenes of " + Quoted(o.target) +
                              ": its segment file names would be longer than 255 bytes; use a shorter name");
    }
    if (o.merge) {
        if (const int status = CheckMergeOutput(data, sink); status >= 0) return status;
    }

    CTarneloProcess engine(&sink, &data, japanese);
    // No preview pane to show a still in. A scan without cuts only finds the scenes; it needs the time list
    // only when its merge cuts them afterwards.
    engine.SetOptions({.previewStills = false, .cutSegments = !o.noCut, .buildTimeList = !o.noCut || o.merge});
    if (const int status = PrepareProjectInput(engine, data, sink, o.target); status >= 0) return status;
    if (const int status = CheckRegionsFitPicture(data, sink); status >= 0) return status;

    // As the extract button: the list starts empty and the segment files of an earlier run go.
    data.diff_list.Clear();
    data.list_idx = -1;
    DeleteFiles(SegmentFilePattern(data));

    const FileStamp outputBefore = StampOf(data.GetOutputPath());
    const int result = RunJob(engine, sink, o.merge ? kJobExtractMerge : kJobSceneExtract);
    if (result == -1 && !sink.JobFinished()) return Fail(sink, "the engine is busy");
    if (!o.merge) return FinishSceneJob(data, sink, engine, result, {"extraction", std::nullopt, !o.noCut, tally});
    return FinishSceneJob(data, sink, engine, result, {"extraction and merge", outputBefore, true, tally});
}

int RunResumedExtract(const Options& o, CliSink& sink, bool japanese, CTarneloData& data, const MotionRecord& record,
                      const ResumeWork& work, SceneTally* tally) {
    if (work.merge) {
        if (const int status = CheckMergeOutput(data, sink); status >= 0) return status;
    }
    CTarneloProcess engine(&sink, &data, japanese);
    engine.SetOptions({.previewStills = false});
    // As retune: preparation would cut the selected scene's missing file from the list before the re-tune.
    data.list_idx = -1;
    if (const int status = PrepareProjectInput(engine, data, sink, data.input_file); status >= 0) return status;

    // The list an extraction that found nothing puts up is never cut.
    const bool noCut = o.noCut || RetunedScenes(data, record).empty();
    const SegmentCuts cuts =
        work.retune ? RetuneFromRecord(engine, data, record, noCut) : CutMissingSegments(engine, data, noCut);
    if (!work.merge || cuts.failed > 0 || StopRequested()) {
        const std::string saveProblem = SaveProjectFile(data);
        if (tally) *tally = TallyScenes(data);
        if (StopRequested()) return Stopped(sink, saveProblem.empty() ? "the project is saved" : "");
        if (!saveProblem.empty()) return Fail(sink, saveProblem);
        if (cuts.failed > 0) return Fail(sink, CutFailureText(engine, cuts));
        return kExitSuccess;
    }
    const FileStamp outputBefore = StampOf(data.GetOutputPath());
    const int result = RunJob(engine, sink, kJobMerge);
    if (result == -1 && !sink.JobFinished()) return Fail(sink, "the engine is busy");
    return FinishSceneJob(data, sink, engine, result, {"merge", outputBefore, false, tally});
}

int RunSegments(const Options& o, CliSink& sink, bool japanese) {
    CTarneloData data(false);
    if (const int status = LoadSavedProject(data, o.target, sink, true); status >= 0) return status;

    CTarneloProcess engine(&sink, &data, japanese);
    engine.SetOptions({.previewStills = false});
    if (const int status = PrepareProjectInput(engine, data, sink, data.input_file); status >= 0) return status;

    const int result = RunJob(engine, sink, kJobSegmentOutput);
    if (result == -1 && !sink.JobFinished()) return Fail(sink, "the engine is busy");
    return FinishSceneJob(data, sink, engine, result, {"segment output", std::nullopt});
}

int RunMerge(const Options& o, CliSink& sink, bool japanese) {
    CTarneloData data(false);
    if (const int status = LoadSavedProject(data, o.target, sink, true); status >= 0) return status;
    if (o.transition) data.transition = *o.transition;
    if (o.chapters) data.chapters = *o.chapters;
    int enabled = 0;
    for (const SceneEntry& scene : data.diff_list.Snapshot()) enabled += scene.enable ? 1 : 0;
    if (enabled == 0) return Fail(sink, "the project " + Quoted(o.target) + " has no enabled scene to merge");
    if (const int status = CheckMergeOutput(data, sink); status >= 0) return status;

    CTarneloProcess engine(&sink, &data, japanese);
    engine.SetOptions({.previewStills = false});
    if (const int status = PrepareProjectInput(engine, data, sink, data.input_file); status >= 0) return status;

    const FileStamp outputBefore = StampOf(data.GetOutputPath());
    const int result = RunJob(engine, sink, kJobMerge);
    if (result == -1 && !sink.JobFinished()) return Fail(sink, "the engine is busy");
    return FinishSceneJob(data, sink, engine, result, {"merge", outputBefore});
}

int RunAutocorrect(const Options& o, CliSink& sink, bool japanese) {
    CTarneloData data(false);
    if (const int status = LoadSavedProject(data, o.target, sink, true); status >= 0) return status;
    if (const std::string why = WriteProblem(data.project_file); !why.empty()) {
        return Fail(sink, "cannot write the project file " + Quoted(data.project_file) + ": " + why);
    }

    CTarneloProcess engine(&sink, &data, japanese);
    engine.SetOptions({.previewStills = false});
    if (const int status = PrepareProjectInput(engine, data, sink, data.input_file); status >= 0) return status;

    int result = 0;
    sink.PrintLine(std::string("> ") + (japanese ? "自動補正" : "Auto Correct"));
    RunServingStop(engine, [&] { result = engine.AnalyzeVideoEQParams(engine.WorkingInput()); });
    if (StopRequested()) return Stopped(sink, "nothing was changed");
    if (result == kEqNoStillRead) return Fail(sink, "automatic correction failed: no still could be read");
    if (result != 0) {
        const std::string why = engine.LastWriteError();
        return Fail(sink, FormatC("automatic correction failed: a still could not be taken (ExitCode(%d))", result) +
                              (why.empty() ? "" : ": " + why));
    }

    WriteStdout(FormatCorrection(data));
    if (const std::string problem = SaveProjectFile(data); !problem.empty()) return Fail(sink, problem);
    sink.PrintLine("Project file: " + data.project_file);
    return kExitSuccess;
}

}  // namespace cli
