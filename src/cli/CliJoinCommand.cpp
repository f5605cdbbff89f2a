// join: what dropping videos on the merge tab and pressing its convert-and-join button does.
#include <filesystem>
#include <map>

#include "cli/CliCommands.h"
#include "cli/CliProject.h"
#include "cli/CliRunner.h"
#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/ConvertMerge.h"
#include "project/FileHelpers.h"
#include "project/MergeInputs.h"
#include "project/TarneloData.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// The drop: each file that ffprobe accepts becomes an entry, in the order given; the others are skipped
// with a warning. Returns -1 when done, else the exit status (a stop).
int AddVideos(CTarneloProcess& engine, CTarneloData& data, const Options& o, CliSink& sink) {
    for (const std::string& given : o.files) {
        const std::string path = Absolute(given);
        std::string why = FileProblem(path);
        if (why.empty()) {
            bool rejected = false;
            std::string report;
            RunServingStop(engine, [&] { rejected = engine.GetFfprobeReport(path, report, 1); });
            if (StopRequested()) return Stopped(sink, "nothing was joined");
            if (rejected) why = "ffprobe cannot read it";
        }
        if (!why.empty()) {
            Warn(sink, "skipping " + Quoted(given) + ": " + why);
            continue;
        }
        AddMergeEntry(data, path, o.sizeIndex, o.rateIndex);
    }
    return -1;
}

// Refuses what the videos of the join would overwrite or show twice, in words for the command line.
std::string ConflictOf(const CTarneloData& data, const std::string& output) {
    const MergeClash clash = FindMergeClash(data.diff_list.Snapshot(), output);
    switch (clash.kind) {
        case MergeClash::kInputIsOutput:
            return Quoted(clash.input) + " is both an input and the output; it would be overwritten";
        case MergeClash::kOutputIsConverted:
            return Quoted(clash.file) + " is the name of the converted file of " + Quoted(clash.input);
        case MergeClash::kSameConverted:
            return Quoted(clash.input) + " and " + Quoted(clash.other) + " would both be converted to " +
                   Quoted(clash.file) + "; rename one of them";
        case MergeClash::kInputIsConverted:
            return Quoted(clash.input) + " is the name of the converted file of " + Quoted(clash.other) +
                   "; it would be overwritten";
        case MergeClash::kNone:
            break;
    }
    return {};
}

int CountConvertedFiles(const CTarneloData& data) {
    std::map<std::string, bool> files;
    std::error_code ec;
    for (const SceneEntry& entry : data.diff_list.Snapshot())
        files[entry.fileName] = fs::is_regular_file(entry.fileName, ec);
    int count = 0;
    for (const auto& [file, exists] : files) count += exists ? 1 : 0;
    return count;
}

}  // namespace

int RunJoin(const Options& o, CliSink& sink, bool japanese) {
    const std::string output = Absolute(o.outputFile);
    if (const std::string why = WriteProblem(output); !why.empty()) {
        return Fail(sink, "cannot write " + Quoted(o.outputFile) + ": " + why);
    }

    // The merge tab's project: never saved, named after the output, the choices of the two lists.
    CTarneloData data(false);
    data.ResetAll(false);
    data.output_folder = SetTrailingSeparator(FolderPart(output), true);
    data.output_name = FileNamePart(output);
    if (o.quality) data.quality = *o.quality;
    data.use_cuda = false;
    data.transition = o.transition.value_or(false);

    CTarneloProcess engine(&sink, &data, japanese);
    engine.SetOptions({.mode = kMergeTab,
                       .mergeSizeIndex = o.sizeIndex,
                       .mergeRateIndex = o.rateIndex,
                       .mergeRateText = FrameRateText(MergeFrameRate(o.rateIndex)),
                       .previewStills = false});

    if (const int status = AddVideos(engine, data, o, sink); status >= 0) return status;
    if (data.diff_list.Empty()) return Fail(sink, "none of the files can be read as a video; nothing was joined");
    if (const std::string conflict = ConflictOf(data, output); !conflict.empty()) return Fail(sink, conflict);

    // As the button: the converted files of these videos are made afresh, so a file left by another
    // quality setting is not taken for one of this run. Only this join's own files are removed.
    std::error_code ec;
    for (const SceneEntry& entry : data.diff_list.Snapshot()) fs::remove(entry.fileName, ec);

    const int result = RunJob(engine, sink, kJobExtractMerge);
    if (result == -1 && !sink.JobFinished()) return Fail(sink, "the engine is busy");
    sink.EndBar();
    WriteStdout(FormatJoinTable(data));
    int joined = 0;
    for (const SceneEntry& entry : data.diff_list.Snapshot()) {
        if (entry.m_created) {
            joined += entry.enable ? 1 : 0;
            continue;
        }
        Warn(sink, "left out " + Quoted(entry.m_fileToUse) + ": it has no video stream that can be read");
    }
    sink.PrintLine(FormatC("Converted files: %d in %s", CountConvertedFiles(data), data.output_folder.c_str()));
    if (StopRequested()) return Stopped(sink, "nothing was joined");
    if (joined == 0) return Fail(sink, "none of the files has a video stream that can be joined");
    if (result != 0) return Fail(sink, "join failed: " + JobFailure(sink, result, "video"));
    VideoInfo joinedInfo;
    std::string what;
    if (engine.GetVideoInfoFfprobe(output, joinedInfo) == 0) {
        what = FormatC(" (%d frames, %dx%d, %s", joinedInfo.frame_num, joinedInfo.width, joinedInfo.height,
                       joinedInfo.r_frame_rate.c_str());
        if (data.transition && joined >= 2) what += FormatC(", cross-fades of %.2f s", data.TransitionDuration);
        what += ")";
    }
    sink.PrintLine("Joined file: " + output + what);
    return kExitSuccess;
}

}  // namespace cli
