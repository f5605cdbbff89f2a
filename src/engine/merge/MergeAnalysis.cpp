// The merge tab's video analysis: each video not yet analysed is probed, given a working MP4 copy when it is
// interlaced or not an MP4, and receives the properties its conversion will produce.
#include <algorithm>
#include <mutex>
#include <optional>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/ConvertMerge.h"
#include "engine/preparation/InputPreparation.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "project/TarneloData.h"

namespace {

// What became of one entry.
enum class EntryOutcome { Analysed, Skipped, Failed };

struct EntryResult {
    EntryOutcome outcome = EntryOutcome::Analysed;
    int code = 0;
};

// Analyses entry k, whose video is already the project's input_file.
EntryResult AnalyseMergeEntry(JobContext& engine, int k) {
    CTarneloData& data = *engine.Data();
    // A video that can no longer be probed (moved, deleted, damaged since it was added) is left unanalysed;
    // the conversion and the merge pass over it and join the others.
    int result = engine.ProbeCurrentFile(data.input_file);
    if (result != 0) {
        AppLog().Log("%s(%d) skipped, probe(%d) input_file(%s)\n", "CTarneloProcess::ProcessAnalysis", __LINE__, result,
                     data.input_file.c_str());
        return {EntryOutcome::Skipped, result};
    }
    {
        const int frames = data.m_currentInfo.frame_num;
        engine.Send(WM_APP_PLAY_POSITION,
                    static_cast<WParam>(std::clamp(engine.CurrentPlayFrame() + 1, 0, std::max(0, frames))), frames);
    }
    SnapFrameRate(data.m_currentInfo, true);

    result = engine.UseWorkingCopy();
    if (result != 0) return {EntryOutcome::Failed, result};

    const std::string fileToUse = data.input_mp4_file.empty() ? data.input_file : data.input_mp4_file;
    const bool copied = !data.input_mp4_file.empty();
    if (copied) {
        result = engine.OpenMediaFile(data.input_mp4_file, true);
        if (result != 0) return {EntryOutcome::Failed, result};
    }

    const FrameRate rate = MergeFrameRate(engine.Options().mergeRateIndex);
    const FrameSize size = MergeFrameSize(engine.Options().mergeSizeIndex);
    std::string convertedFile;
    const std::string source = data.input_file;
    if (copied) {
        data.input_file = data.input_mp4_file;
        data.input_mp4_file.clear();
    }
    data.list_idx = k;
    data.diff_list.Update(
        k,
        [&](SceneEntry& entry) {
            if (copied) entry.m_sourcePath = source;
            entry.m_segmentInfo = data.m_currentInfo;
            entry.m_convertedInfo = data.m_currentInfo;
            entry.m_convertedInfo.r_frame_rate.clear();  // always computed afresh for the target
            entry.m_created = true;
            entry.m_fileToUse = fileToUse;
            TargetConvertedInfo(entry, size, rate);
            convertedFile = entry.fileName;
        },
        SceneEditBy::kJob);

    // A converted file of the same rate and size from an earlier run tells the frames it really has.
    VideoInfo probed;
    if (!convertedFile.empty() && platform::FileExists(convertedFile) &&
        engine.GetVideoInfoFfprobe(convertedFile, probed) == 0) {
        data.diff_list.Update(
            k,
            [&](SceneEntry& entry) {
                if (probed.r_frame_rate == entry.m_convertedInfo.r_frame_rate && probed.width == size.width &&
                    probed.height == size.height) {
                    entry.m_convertedInfo = probed;
                    entry.framNo_second = probed.frame_num - 1;
                }
            },
            SceneEditBy::kJob);
    }
    engine.Post(WM_APP_LIST_CHANGED, static_cast<WParam>(k), 0);

    {
        double convertedFps = 0;
        if (auto entry = data.diff_list.At(k)) convertedFps = entry->m_convertedInfo.fps;
        data.TransitionDuration = MergeTransitionDuration(data.m_currentInfo.fps, convertedFps);
    }

    if (TabWindow* tab = engine.MainWindow() ? engine.MainWindow()->ActiveTab() : nullptr) tab->RefreshList(true);
    const std::string output = data.GetOutputPath();
    const std::string shown = !output.empty() && platform::FileExists(output) ? output : fileToUse;
    if (!IsPreviewJobId(engine.Status().jobId)) {
        if (shown != engine.CurrentPreviewFile()) {
            engine.SetCurrentPlay(0, "0");
            result = engine.OpenMediaFile(shown, false);
            if (result != 0) return {EntryOutcome::Failed, result};
        }
        engine.SetPreviewImage(shown, engine.CurrentPlayTime(), false, -1);
    }
    return {};
}

}  // namespace

int JobContext::ProcessAnalysis() {
    CTarneloData& data = *m_data;
    AppLog().Log("%s(%d)\n", "CTarneloProcess::ProcessAnalysis", __LINE__);
    int pending = 0;
    for (const SceneEntry& entry : data.diff_list.Snapshot()) pending += entry.m_created ? 0 : 1;
    if (pending == 0) return 0;

    SendJobStart(kJobKindVideoAnalysis, pending);
    const int count = data.diff_list.Size();
    int result = 0;
    int done = 0;
    int skipped = 0;
    for (int k = 0; k < count && result == 0; ++k) {
        const std::optional<SceneEntry> listed = data.diff_list.At(k);
        if (!listed || listed->m_created) continue;
        const SceneEntry& entry = *listed;
        if (CancelRequested()) {
            result = -2;
            break;
        }
        data.input_file = entry.m_sourcePath.empty() ? entry.m_fileToUse : entry.m_sourcePath;
        data.m_sourceInfo = VideoInfo{};
        const EntryResult outcome = AnalyseMergeEntry(*this, k);
        if (outcome.outcome == EntryOutcome::Failed) {
            result = outcome.code;
        } else if (outcome.outcome == EntryOutcome::Skipped) {
            // A stop during the probe is a stop, not an unreadable file.
            if (outcome.code == -2 || CancelRequested()) result = -2;
            ++skipped;
        }
        ++done;
        Send(WM_APP_JOB_PROGRESS, static_cast<WParam>(count), done);
    }
    if (skipped > 0) {
        AppLog().Log("%s(%d) %d video(s) could not be probed\n", "CTarneloProcess::ProcessAnalysis", __LINE__, skipped);
    }
    SendResultState(result);
    return result;
}
