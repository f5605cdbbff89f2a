// The scene tab's merge job: the precheck that re-cuts what is missing, the join, the final encode.
#include <optional>
#include <string>
#include <vector>

#include "engine/export/Chapters.h"
#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/EffectsFilter.h"
#include "engine/merge/MergeRun.h"
#include "engine/merge/SceneMerge.h"
#include "engine/merge/Subtitles.h"
#include "engine/preparation/InputPreparation.h"
#include "engine/scenes/SceneRules.h"
#include "engine/tools/EncoderPreset.h"
#include "log/AppLog.h"
#include "platform/AtomicFile.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "project/NumericRules.h"
#include "project/TarneloData.h"

namespace {

// What the merge graph is built from: the rate every input is brought to and whether audio is joined.
struct MergeGraphSource {
    std::string frameRateText;
    bool audio = false;
};

// The merge tab (mode 1) joins at the rate chosen on that tab, the scene tab at the source's rate.
MergeGraphSource GraphSource(const JobContext& engine) {
    const CTarneloData& data = *engine.Data();
    const std::string& rate =
        engine.Options().mode == 1 ? engine.Options().mergeRateText : data.m_sourceInfo.r_frame_rate;
    return {rate, data.m_currentInfo.has_audio};
}

}  // namespace

std::string JobContext::BuildMergeFilterGraph(const std::vector<std::pair<std::string, double>>& list,
                                              double transitionSeconds) const {
    const MergeGraphSource source = GraphSource(*this);
    return BuildMergeGraph(list, transitionSeconds, source.frameRateText, source.audio);
}

int JobContext::ProcessDiffTrim() {
    CTarneloData& data = *m_data;
    const std::string input = WorkingInput();
    const int t = ThresholdCount(data.threshold.value);
    const std::string output = data.GetOutputPath();
    AppLog().Log("%s(%d) input_file(%s), threshold(%d), output_file(%s)\n", "CTarneloProcess::ProcessDiffTrim",
                 __LINE__, input.c_str(), t, output.c_str());
    const int result = ProcessDiffFrame(input, t);
    if (result != 0 || data.diff_list.Empty()) return result;
    return ProcessTrim(input, output);
}

int JobContext::ProcessTrim(const std::string& input, const std::string& output) {
    CTarneloData& data = *m_data;
    AppLog().Log("%s(%d) input_file(%s), output_file(%s)\n", "CTarneloProcess::ProcessTrim", __LINE__, input.c_str(),
                 output.c_str());
    const int sceneCount = data.diff_list.Size();
    SendJobStart(kJobKindPrecheck, sceneCount);
    const MergeFiles files = MergeFileNames(data.output_folder, data.input_file);
    DeleteMergeIntermediates(files);

    int result = OpenMediaFile(input, false);
    if (result != 0) return EndJobFailed(*this, result, false);
    SetPreviewImage(input, CurrentPlayTime(), false, -1);
    platform::MakeFolders(SetTrailingSeparator(data.output_folder, false));

    int enabled = 0;
    for (const SceneEntry& scene : data.diff_list.Snapshot()) enabled += scene.enable ? 1 : 0;
    if (enabled == 0) {
        // Nothing to join: ffmpeg would only fail on an empty list.
        SendState(kJobStateFailed, "TotalFrame(0)");
        return -1;
    }

    // Precheck: every enabled segment must exist with all of its frames; the others are cut again beside us.
    const auto check = [this, &data](int k) {
        const std::optional<SceneEntry> listed = data.diff_list.At(k);
        if (!listed || !listed->enable) return FixCheck::Skip;
        const SceneEntry& scene = *listed;
        const int expected = scene.FrameCount();
        VideoInfo info;
        bool right = false;
        if (platform::FileExists(scene.fileName) && GetVideoInfoFfprobe(scene.fileName, info) == 0) {
            data.diff_list.Update(
                k, [&](SceneEntry& stored) { stored.m_segmentInfo = info; }, SceneEditBy::kJob);
            right = info.frame_num >= 1 && info.frame_num == expected;
            if (right) {
                std::string text;
                right =
                    ExecuteCmd(PacketCountCommand(scene.fileName), &text) == 0 && ParsePacketCount(text) >= expected;
            }
        }
        return right ? FixCheck::Right : FixCheck::Wrong;
    };
    const auto recut = [this, &input](int k) { return RecutSceneSegment(input, k); };
    const FixOutcome fixed =
        RunMergePrecheck(*this, sceneCount, check, recut, "CTarneloProcess::ProcessTrim", "RecutSceneSegment");
    if (fixed.failed >= 0) return fixed.result;
    if (fixed.result == -2) return EndJobStopped(*this);

    // The list is read after the re-cuts: a re-cut that came out shorter renamed its segment and its range.
    MergeList list;
    std::vector<double> durations;
    std::vector<std::string> paths;
    std::vector<int> positions;  // list position of each merge entry
    int totalFrames = 0;
    std::string firstSegment;
    {
        const double fps = data.m_currentInfo.fps;
        // A scene lasts as long as its frames do, which on a variable-rate input is not their count / fps.
        const FrameClock clock = data.SourceClock(fps);
        const std::vector<SceneEntry> scenes = data.diff_list.Snapshot();
        for (int k = 0; k < static_cast<int>(scenes.size()); ++k) {
            const SceneEntry& scene = scenes[static_cast<size_t>(k)];
            if (!scene.enable) continue;
            positions.push_back(k);
            const double seconds = fps > 0 ? clock.Span(scene.framNo_first, scene.framNo_second) : 0;
            list.emplace_back(scene.fileName, seconds);
            durations.push_back(seconds);
            paths.push_back(scene.fileName);
            // The joined file runs at the constant rate: a variable-rate scene fills its span at that rate.
            totalFrames += clock.Timed() ? RoundToFrames(seconds, fps) : scene.FrameCount();
            if (firstSegment.empty()) firstSegment = scene.fileName;
        }
    }
    const int n = static_cast<int>(list.size());
    const double transition = data.TransitionDuration;
    const bool crossFade = data.transition && n >= 2;
    // The first enabled segment, not a disabled one of another size or rate, sets -g, the batch size and audio.
    result = StartFinalStage(*this, durations, positions, crossFade ? transition : 0, firstSegment);
    if (result != 0) return result;

    const VideoInfo& current = data.m_currentInfo;
    const MergeEncodeArgs args = CurrentEncodeArgs(*this, data.m_sourceInfo.r_frame_rate);
    const std::string sceneMergeName = KindName(kJobKindSceneMerge);

    if (!crossFade) {
        SendJobName(sceneMergeName);
        Send(WM_APP_JOB_PROGRESS, static_cast<WParam>(totalFrames), 0);
        const std::optional<std::string> text = ConcatListText(paths);
        if (!text) {
            SendState(kJobStateFailed, "A segment path holds a line break");
            return -1;
        }
        // A list cut short by a full disk would join fewer scenes and still succeed.
        if (!platform::WriteFileAtomically(files.listFile, *text)) {
            SendState(kJobStateFailed, "cannot write " + files.listFile);
            return -1;
        }
        result = ExecuteCmdWithProgress(
            false, ConcatMergeCommand(args, files.listFile, files.merged, MuxerStoresPcmInMp4()), totalFrames, 0);
        if (result != 0) {
            DeleteMergeIntermediates(files);
            return EndJobFailed(*this, result, true);
        }
    } else {
        const MergePlan plan =
            PlanBatchMerge(durations, MergeBatchSize(current.width, current.height), transition, current.fps);
        SendJobName(sceneMergeName);
        Send(WM_APP_JOB_PROGRESS, static_cast<WParam>(plan.progressTotal), 0);
        const MergeGraphSource source = GraphSource(*this);
        const std::vector<BatchCommand> commands = BuildBatchMergeCommands(
            list, plan, transition, files, args, source.frameRateText, source.audio, MuxerStoresPcmInMp4());
        result = RunBatchMergeCommands(*this, commands, plan.progressTotal, files);
        if (result != 0) return result;
    }
    const int finalFrames = MergedFrameCount(totalFrames, n, transition, current.fps, crossFade);

    // Chapters only when asked: without them the final encode is the command it always was.
    if (data.chapters && !platform::WriteFileAtomically(files.chapters, FfmetadataText(BuildChapters(data)))) {
        DeleteMergeIntermediates(files);
        SendState(kJobStateFailed, "cannot write " + files.chapters);
        return -1;
    }
    // Final encode with the picture settings and the captions on the merged timeline.
    return FinishMergedOutput(*this, files, args, output, finalFrames, "CTarneloProcess::ProcessTrim", data.chapters);
}
