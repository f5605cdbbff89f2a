// retune: the scenes of other settings from the project's motion record, without decoding the video again.
#include <filesystem>
#include <set>

#include "cli/CliCommands.h"
#include "cli/CliProject.h"
#include "cli/CliRunner.h"
#include "engine/ChangedPixels.h"
#include "engine/MotionRecord.h"
#include "engine/SceneRules.h"
#include "engine/TarneloProcess.h"
#include "log/AppLog.h"
#include "project/FileHelpers.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// The list a fresh extraction with the project's settings would leave, built from the record's counts.
void RebuildSceneList(CTarneloProcess& engine, CTarneloData& data, const MotionRecord& record) {
    const int T = ScaledThreshold(record.width * record.height, static_cast<int>(data.threshold.value) * 100);
    const std::vector<SceneRange> scenes = ScenesOfCounts(record.counts, record.frameCount, record.fps,
                                                          data.valid_min_unit.value, data.cut_min_unit.value, T);
    data.diff_list.clear();
    data.list_idx = -1;
    const std::string base = SegmentFileBase(data.input_file);
    for (const SceneRange& range : scenes) {
        SceneEntry entry(range.first, range.second,
                         SegmentFileName(data.output_folder, base, range.first, range.second));
        const double length = record.fps > 0 ? (range.second - range.first + 1) / record.fps : 0;
        data.SetSceneCaption(entry, 0, length, FormatC("Scene%03d", static_cast<int>(data.diff_list.size()) + 1));
        data.diff_list.push_back(std::move(entry));
    }
    data.list_idx = static_cast<int>(data.diff_list.size()) - 1;
    if (data.diff_list.empty()) engine.InstallDefaultSceneList();
}

}  // namespace

int RunRetune(const Options& o, CliSink& sink, bool japanese) {
    CTarneloData data(false);
    if (const int status = LoadSavedProject(data, o.target, sink, true); status >= 0) return status;
    for (const std::string& warning : ApplySceneSettings(data, o)) Warn(sink, warning);

    // The record counts the file the extraction decoded, the working copy when there is one.
    const std::string input = data.input_mp4_file.empty() ? data.input_file : data.input_mp4_file;
    const std::string path = data.motion_file.empty() ? MotionRecordPath(data.project_file) : data.motion_file;
    InputIdentity identity;
    MotionRecord record;
    const RecordStatus status =
        ReadInputIdentity(input, identity) ? ReadMotionRecord(path, identity, record) : RecordStatus::kOtherInput;
    if (status != RecordStatus::kOk) {
        AppLog().Log("%s(%d) motion record(%s) ignored: %s\n", "RunRetune", __LINE__, path.c_str(),
                     RecordStatusText(status));
        return Fail(sink, "the motion record " + Quoted(path) + " cannot be used (" + RecordStatusText(status) +
                              "); run extract on the project's video once to make it");
    }

    CTarneloProcess engine(&sink, &data, japanese);
    engine.SetOptions({.previewStills = false});
    if (o.dryRun) {
        // Only the times of the table need the rate, which the record holds.
        data.m_sourceInfo.fps = record.fps;
        data.m_sourceInfo.frame_num = record.frameCount;
        RebuildSceneList(engine, data, record);
        WriteStdout(FormatSceneTable(data));
        return kExitSuccess;
    }

    if (const int prepared = PrepareProjectInput(engine, data, sink, data.input_file); prepared >= 0) return prepared;
    std::set<std::string> before;
    for (const SceneEntry& scene : data.diff_list) before.insert(scene.fileName);
    RebuildSceneList(engine, data, record);

    // A scene whose range stayed keeps its file; the files of the ranges that went are deleted.
    std::set<std::string> after;
    for (const SceneEntry& scene : data.diff_list) after.insert(scene.fileName);
    std::error_code ec;
    for (const std::string& file : before) {
        if (!after.count(file)) fs::remove(file, ec);
    }
    int cut = 0;
    int kept = 0;
    int failed = 0;
    const std::string working = engine.WorkingInput();
    for (int k = 0; k < static_cast<int>(data.diff_list.size()) && !StopRequested(); ++k) {
        if (fs::is_regular_file(data.diff_list[static_cast<size_t>(k)].fileName, ec)) {
            ++kept;
            continue;
        }
        int result = 0;
        RunServingStop(engine, [&] { result = engine.RecutSceneSegment(working, k); });
        ++(result == 0 ? cut : failed);
    }
    const bool saved = ProjectSession(data).Save();
    WriteStdout(FormatSceneTable(data));
    if (saved) {
        sink.PrintLine("Project file: " + data.project_file);
        sink.PrintLine(FormatC("Scenes: %zu; segment files: %d cut, %d kept, in %s", data.diff_list.size(), cut, kept,
                               data.output_folder.c_str()));
    }
    if (StopRequested())
        return Stopped(sink, saved ? "the new scenes are saved; their missing segments are cut by "
                                     "the next segments or merge"
                                   : "");
    if (!saved) return Fail(sink, "cannot write the project file " + Quoted(data.project_file));
    if (failed > 0) return Fail(sink, FormatC("%d segment files could not be cut", failed));
    return kExitSuccess;
}

}  // namespace cli
