#include <algorithm>
#include <memory>
#include <vector>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/motion/AnalysisArea.h"
#include "engine/motion/AnalysisDecode.h"
#include "engine/motion/ChangedPixels.h"
#include "engine/motion/MotionRecord.h"
#include "engine/motion/ProjectMotion.h"
#include "engine/render/PreviewStill.h"
#include "engine/scenes/SceneRules.h"
#include "engine/tools/TaskLimiter.h"
#include "log/AppLog.h"
#include "platform/Process.h"
#include "project/StringTable.h"
#include "project/TarneloData.h"

namespace {

// An extraction refused before it starts: the areas leave no pixel of this picture to compare.
constexpr int kNothingWatched = -3;
constexpr int kNothingWatchedText = 3224;

}  // namespace

int JobContext::ProcessDiffFrame(const std::string& input, int t) {
    AppLog().Log("%s(%d) input_file(%s), threshold(%d)\n", "CTarneloProcess::ProcessDiffFrame", __LINE__, input.c_str(),
                 t);
    SendJobStart(kJobKindSceneExtract, m_data->m_sourceInfo.frame_num);
    int result = OpenMediaFile(input, false);
    if (result == 0) {
        SetPreviewImage(input, CurrentPlayTime(), false, -1);
        result = ExecuteCmdLoadVideo(input, t);
    }
    if (result == kNothingWatched) {
        SendState(kJobStateFailed, LoadText(kNothingWatchedText));
        return result;
    }
    // A probe that fails is reported like a failed decode, so no failure ends in silence.
    SendResultState(result);
    return result;
}

int JobContext::ExecuteCmdLoadVideo(const std::string& input, int t) {
    CTarneloData& data = *m_data;
    SendJobStart(kJobKindSceneExtract, data.m_sourceInfo.frame_num);
    // The run works on a snapshot: segment tasks may probe other files meanwhile.
    const VideoInfo current = data.m_currentInfo;
    const AnalysisArea area =
        PlanAnalysisArea(current.width, current.height, data.regions, !IsQuarterTurn(current.rotation));
    if (!data.regions.empty() && area.watched == 0) {
        AppLog().Log("%s(%d) the areas watch no pixel of %dx%d\n", "CTarneloProcess::ExecuteCmdLoadVideo", __LINE__,
                     current.width, current.height);
        return kNothingWatched;
    }
    const int w = area.width;
    const int h = area.height;
    const AnalysisCrop crop = area.Cropped(current.width, current.height)
                                  ? AnalysisCrop{area.cropX, area.cropY, area.cropWidth, area.cropHeight}
                                  : AnalysisCrop{};
    const FrameClock clock = data.SourceClock(current.fps);
    const std::string command = AnalysisDecodeCommand(FfmpegPrefix(), input, w, h, data.fast_scan, clock.Timed(), crop);
    platform::ChildProcess child;
    if (CreateCmdProcess(command, child) != 0) {
        LogCmdResult("CTarneloProcess::ExecuteCmdLoadVideo", __LINE__, command, -1);
        return -1;
    }
    hProcess = child.Pid();
    const size_t frameSize = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (frameSize == 0) child.Terminate(-1);

    // The same threshold means the same share of the pixels watched.
    const int T = ScaledThreshold(area.watched, t);
    // A masked frame is counted as one row padded to whole blocks.
    const bool masked = !area.mask.empty();
    const int countWidth = masked ? static_cast<int>(area.FrameBytes()) : w;
    const int countHeight = masked ? 1 : h;
    const SceneTuning tuning = ProjectTuning(data);
    SceneScan scan(current.fps, tuning.validSeconds, tuning.cutSeconds, T, current.frame_num, tuning.shape);
    TaskLimiter limiter(TaskLimiterMaximum(data.use_cuda));
    int appended = 0;
    // Kept for the record: every count in full (the motion decision stays that of T).
    const bool record = m_options.recordMotion && !data.project_file.empty();
    std::vector<uint32_t> counts;
    if (record) counts.reserve(static_cast<size_t>(std::max(0, current.frame_num)));

    auto append = [&](SceneRange range) {
        SceneEntry entry = DetectedScene(data, range, appended + 1, current.fps);
        // Only this thread appends, so the new scene is the last one.
        data.diff_list.Append(std::move(entry), SceneEditBy::kJob);
        const int index = data.diff_list.Size() - 1;
        if (m_options.cutSegments) {
            // The task owns its result; the list only grows while it runs.
            auto slot = std::make_shared<int>(0);
            limiter.Submit([this, input, index, slot] { *slot = RecutSceneSegment(input, index); });
        }
        data.list_idx = index;
        ++appended;
    };

    // A decoder that stalls without output is still stopped on request.
    auto read = [&](uint8_t* at, size_t size) {
        for (;;) {
            const long n = ReadChunk(child, reinterpret_cast<char*>(at), size);
            if (n != kReadTimedOut) return n;
            if (CancelRequested()) child.Terminate(-2);
        }
    };
    std::vector<uint8_t> frame(std::max<size_t>({frameSize, area.FrameBytes(), 1}), 0);
    // This run's own: another engine may extract another file meanwhile. A slow mover shows only against a
    // frame further back; distance 1 is the previous frame.
    ChangedPixelCounter counter;
    counter.SetCompareDistance(CompareFrameDistance(data.compare_sec.value, current.fps));
    int i = 0;
    bool ended = false;
    while (!ended) {
        const long n = read(frame.data(), frameSize);
        if (n <= 0) break;
        if (i >= current.frame_num) continue;  // beyond the probed count: read and dropped
        Post(WM_APP_JOB_PROGRESS, static_cast<WParam>(current.frame_num), i + 1);
        size_t filled = static_cast<size_t>(n);
        while (filled < frameSize) {
            const long more = read(frame.data() + filled, frameSize - filled);
            if (more < 0) {
                ended = true;
                break;
            }
            if (more == 0) break;
            filled += static_cast<size_t>(more);
        }
        if (filled < frameSize) break;  // a truncated last frame is never measured
        area.Apply(frame.data());
        const int d = counter.Count(frame.data(), countWidth, countHeight, i, record ? MotionRecord::kAlwaysMotion : T);
        if (record) counts.push_back(static_cast<uint32_t>(d));
        for (const SceneRange& scene : scan.Frame(d)) append(scene);
        ++i;
        if (CancelRequested() || scan.Full()) child.Terminate(-2);
    }
    const int exitCode = child.Wait();
    child.CloseJob();

    // Padded scenes held back are final now, also those of a stopped run.
    for (const SceneRange& scene : scan.Finish(exitCode)) append(scene);
    // A stopped or failed run, or one cut short at the scene limit, has not measured the whole video.
    if (record && exitCode == 0 && !scan.Full()) {
        SaveMotionRecord(input, area, current, std::move(counts));
    }
    SendState(kJobStateWaiting);
    limiter.WaitIdle();
    if (data.diff_list.Empty()) InstallDefaultSceneList();
    if (nProcessID.load() != kJobExtractMerge) {
        if (auto last = data.diff_list.At(data.diff_list.Size() - 1)) ShowSceneFile(last->fileName);
    }

    hProcess = 0;
    LogCmdResult("CTarneloProcess::ExecuteCmdLoadVideo", __LINE__, command, exitCode);
    return exitCode;
}

void JobContext::SaveMotionRecord(const std::string& input, const AnalysisArea& area, const VideoInfo& video,
                                  std::vector<uint32_t> counts) {
    MotionRecord motion;
    motion.width = area.width;
    motion.height = area.height;
    if (!m_data->regions.empty()) {
        motion.regions = RegionsKey(m_data->regions);
        motion.watched = area.watched;
    }
    motion.fps = video.fps;
    motion.frameCount = video.frame_num;
    motion.compareSeconds = m_data->compare_sec.value;
    motion.counts = std::move(counts);
    const std::string path = MotionRecordPath(m_data->project_file);
    if (!ReadInputIdentity(input, motion.input) || !WriteMotionRecord(path, motion)) {
        AppLog().Log("%s(%d) not written: motion record(%s)\n", "CTarneloProcess::SaveMotionRecord", __LINE__,
                     path.c_str());
        return;
    }
    m_data->motion_file = path;
}

void JobContext::InstallDefaultSceneList() {
    CTarneloData& data = *m_data;
    std::vector<SceneEntry> scenes;
    if (m_options.mode == 0) {
        data.m_currentInfo = data.m_sourceInfo;
        const VideoInfo& info = data.m_sourceInfo;
        const int last = DefaultSceneLastFrame(info.fps, info.frame_num);
        if (info.frame_num > 0 && last >= 0) {
            SceneEntry entry(0, last, SegmentFileName(data.output_folder, SegmentFileBase(data.input_file), 0, last));
            data.SetSceneCaption(entry, 0, data.SourceClock(info.fps).Span(0, last), FormatC("Scene%03d", 1));
            scenes.push_back(std::move(entry));
        }
    }
    const int current = scenes.empty() ? -1 : 0;
    data.list_idx = -1;
    data.diff_list.Assign(std::move(scenes), current, SceneEditBy::kJob);
    data.list_idx = current;
}
