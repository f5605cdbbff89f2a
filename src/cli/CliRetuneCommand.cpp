// retune: the scenes of other settings from the project's motion record, without decoding the video again.
#include <filesystem>
#include <optional>
#include <set>

#include "cli/CliCommands.h"
#include "cli/CliProject.h"
#include "cli/CliRegions.h"
#include "cli/CliRetune.h"
#include "cli/CliRunner.h"
#include "engine/TarneloProcess.h"
#include "engine/motion/ProjectMotion.h"
#include "project/FileHelpers.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

// The reference frame of a compare setting, in words.
std::string CompareText(double seconds) {
    return seconds > 0 ? FormatC("the frame %g s back (--compare-sec %g)", seconds, seconds)
                       : std::string("the previous frame (--compare-sec 0)");
}

}  // namespace

SegmentCuts CutMissingSegments(CTarneloProcess& engine, CTarneloData& data, bool noCut) {
    SegmentCuts counts;
    std::error_code ec;
    const std::string working = engine.WorkingInput();
    // A reason given by an earlier tool must not be taken for the reason these cuts failed.
    engine.ForgetToolFailures();
    for (int k = 0; k < data.diff_list.Size() && !StopRequested(); ++k) {
        const std::optional<SceneEntry> scene = data.diff_list.At(k);
        if (!scene || fs::is_regular_file(scene->fileName, ec)) {
            ++counts.kept;
            continue;
        }
        if (noCut) continue;  // cut later by segments or merge, as after extract --no-cut
        int result = 0;
        RunServingStop(engine, [&] { result = engine.RecutSceneSegment(working, k); });
        ++(result == 0 ? counts.cut : counts.failed);
    }
    return counts;
}

std::string CutFailureText(const CTarneloProcess& engine, const SegmentCuts& cuts) {
    const std::string why = engine.LastToolFailure();
    return FormatC("%d segment files could not be cut", cuts.failed) + (why.empty() ? "" : ": " + why);
}

SegmentCuts RetuneFromRecord(CTarneloProcess& engine, CTarneloData& data, const MotionRecord& record, bool noCut) {
    std::set<std::string> before;
    for (const SceneEntry& scene : data.diff_list.Snapshot()) before.insert(scene.fileName);
    engine.ReplaceSceneRanges(RetunedScenes(data, record), record.fps);

    // A scene whose range stayed keeps its file; the files of the ranges that went are deleted.
    std::set<std::string> after;
    for (const SceneEntry& scene : data.diff_list.Snapshot()) after.insert(scene.fileName);
    std::error_code ec;
    for (const std::string& file : before) {
        if (!after.count(file)) fs::remove(file, ec);
    }
    return CutMissingSegments(engine, data, noCut);
}

int RunRetune(const Options& o, CliSink& sink, bool japanese) {
    CTarneloData data(false);
    if (const int status = LoadSavedProject(data, o.target, sink, true); status >= 0) return status;
    for (const std::string& warning : ApplySceneSettings(data, o)) Warn(sink, warning);
    if (const int status = ApplyRegionOptions(data, o, sink); status >= 0) return status;

    MotionRecord record;
    const RecordStatus status = ReadProjectMotionRecord(data, record);
    if (status != RecordStatus::kOk) {
        const std::string path = ProjectMotionRecordPath(data);
        return Fail(sink, "the motion record " + Quoted(path) + " cannot be used (" + RecordStatusText(status) +
                              "); run extract on the project's video once to make it");
    }
    const ScanMismatch mismatch = RecordScanMismatch(record, data);
    if (mismatch == ScanMismatch::kRegions) {
        return Fail(sink, "the motion record " + Quoted(ProjectMotionRecordPath(data)) +
                              " was measured over other areas of the picture than the project's or those given; a "
                              "new scan is needed: run extract on the project's video with the areas to use");
    }
    if (mismatch == ScanMismatch::kCompare) {
        return Fail(sink, "the motion record " + Quoted(ProjectMotionRecordPath(data)) + " was measured against " +
                              CompareText(record.compareSeconds) + ", not against " +
                              CompareText(data.compare_sec.value) +
                              "; a new scan is needed: run extract on the project's video with --compare-sec " +
                              FormatC("%g", data.compare_sec.value));
    }

    CTarneloProcess engine(&sink, &data, japanese);
    engine.SetOptions({.previewStills = false});
    if (o.dryRun) {
        // Only the times of the table need the rate, which the record holds.
        data.m_sourceInfo.fps = record.fps;
        data.m_sourceInfo.frame_num = record.frameCount;
        engine.ReplaceSceneRanges(RetunedScenes(data, record), record.fps);
        WriteStdout(FormatSceneTable(data));
        return kExitSuccess;
    }

    // Preparation would cut the selected scene's missing file, from the list before the re-tune, uncounted and
    // even with --no-cut; which files to cut is decided below.
    data.list_idx = -1;
    if (const int prepared = PrepareProjectInput(engine, data, sink, data.input_file); prepared >= 0) return prepared;
    const SegmentCuts cuts = RetuneFromRecord(engine, data, record, o.noCut);
    const std::string saveProblem = SaveProjectFile(data);
    const bool saved = saveProblem.empty();
    WriteStdout(FormatSceneTable(data));
    if (saved) {
        sink.PrintLine("Project file: " + data.project_file);
        sink.PrintLine(FormatC("Scenes: %zu; segment files: %d cut, %d kept, in %s",
                               static_cast<size_t>(data.diff_list.Size()), cuts.cut, cuts.kept,
                               data.output_folder.c_str()));
    }
    if (StopRequested())
        return Stopped(sink, saved ? "the new scenes are saved; their missing segments are cut by "
                                     "the next segments or merge"
                                   : "");
    if (!saved) return Fail(sink, saveProblem);
    if (cuts.failed > 0) return Fail(sink, CutFailureText(engine, cuts));
    return kExitSuccess;
}

}  // namespace cli
