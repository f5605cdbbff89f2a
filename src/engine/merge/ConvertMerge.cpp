#include "engine/merge/ConvertMerge.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/EffectsFilter.h"
#include "engine/merge/MergeRun.h"
#include "engine/merge/SceneMerge.h"
#include "engine/preparation/InputPreparation.h"
#include "engine/tools/EncoderPreset.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "project/TarneloData.h"

namespace {

constexpr std::array<FrameRate, 10> kFrameRates = {{
    {120, 1},
    {120000, 1001},
    {60, 1},
    {60000, 1001},
    {30, 1},
    {30000, 1001},
    {24, 1},
    {24000, 1001},
    {15, 1},
    {10, 1},
}};

constexpr std::array<FrameSize, 9> kFrameSizes = {{
    {4096, 2160},
    {3840, 2160},
    {2560, 1440},
    {1920, 1080},
    {1280, 720},
    {854, 480},
    {720, 576},
    {720, 480},
    {352, 288},
}};

// The longest input a silent track is made for, in the merge tab's time text.
constexpr const char* kSilentTrackLength = "10:00:00.00";

// A floor of a product of rates that is a whole number in exact arithmetic can come out a hair below it
// in binary; this much is forgiven so such a count keeps its last frame.
constexpr double kFrameEpsilon = 1e-6;

int FloorFrames(double frames) {
    if (!std::isfinite(frames) || frames <= 0) return 0;
    return static_cast<int>(std::min(std::floor(frames + kFrameEpsilon), static_cast<double>(INT_MAX)));
}

std::string Quoted(const std::string& path) { return platform::EscapeQuotedArgument(path); }

}  // namespace

const std::array<FrameRate, 10>& FrameRateList() { return kFrameRates; }
const std::array<FrameSize, 9>& FrameSizeList() { return kFrameSizes; }

FrameRate MergeFrameRate(int index) {
    if (index < 0 || index >= static_cast<int>(kFrameRates.size())) index = kDefaultMergeChoice;
    return kFrameRates[static_cast<size_t>(index)];
}

FrameSize MergeFrameSize(int index) {
    if (index < 0 || index >= static_cast<int>(kFrameSizes.size())) index = kDefaultMergeChoice;
    return kFrameSizes[static_cast<size_t>(index)];
}

double FrameRateValue(const FrameRate& rate) { return rate.den != 0 ? static_cast<double>(rate.num) / rate.den : 0; }

std::string FrameRateText(const FrameRate& rate) { return FormatC("%d/%d", rate.num, rate.den); }

std::string FrameRateLabel(const FrameRate& rate) { return FormatC("%.02f", FrameRateValue(rate)); }

std::string ConvertedFileName(const std::string& outputFolder, const std::string& input, const FrameSize& size,
                              const FrameRate& rate) {
    return FormatC("%s%s%dx%d_%.02f.mp4", outputFolder.c_str(), (MediaFileStem(input) + "_seg_").c_str(), size.width,
                   size.height, FrameRateValue(rate));
}

std::string MergeOutputName(const std::string& input, const FrameSize& size, const FrameRate& rate) {
    return FormatC("%s%dx%d_%.02f.mp4", (MediaFileStem(input) + "_conv_").c_str(), size.width, size.height,
                   FrameRateValue(rate));
}

std::string MergeOutputFolder(const std::string& input) {
    return SetTrailingSeparator(FolderPart(input) + "conv_out", true);
}

SceneEntry MakeMergeEntry(const std::string& input, const std::string& convertedFile) {
    SceneEntry entry;
    entry.m_created = false;
    entry.enable = true;
    entry.framNo_first = 0;
    entry.framNo_second = 0;
    entry.m_sourcePath.clear();
    entry.m_fileToUse = input;
    entry.fileName = convertedFile;
    entry.capParam.caption.clear();
    return entry;
}

int AddMergeEntry(CTarneloData& data, const std::string& input, int sizeIndex, int rateIndex) {
    const FrameSize size = MergeFrameSize(sizeIndex);
    const FrameRate rate = MergeFrameRate(rateIndex);
    data.input_file = input;
    if (data.diff_list.Empty()) {
        if (data.output_folder.empty()) data.output_folder = MergeOutputFolder(input);
        if (data.output_name.empty()) data.output_name = MergeOutputName(input, size, rate);
    }
    data.diff_list.Append(MakeMergeEntry(input, ConvertedFileName(data.output_folder, input, size, rate)));
    return data.diff_list.Size() - 1;
}

bool TargetConvertedInfo(SceneEntry& entry, const FrameSize& size, const FrameRate& rate) {
    VideoInfo& converted = entry.m_convertedInfo;
    const std::string rateText = FrameRateText(rate);
    if (converted.r_frame_rate == rateText && converted.width == size.width && converted.height == size.height) {
        return false;
    }
    converted.r_frame_rate = rateText;
    converted.fps = FrameRateValue(rate);
    converted.frame_num = ConvertedFrameCount(entry.m_segmentInfo.frame_num, entry.m_segmentInfo.fps, converted.fps);
    converted.width = size.width;
    converted.height = size.height;
    entry.framNo_first = 0;
    entry.framNo_second = converted.frame_num - 1;
    return true;
}

double SilentTrackSeconds() { return ParseTimeText(kSilentTrackLength); }

std::string SilentAudioText(bool inputHasAudio) {
    if (inputHasAudio) return {};
    const std::string length = FormatC("%.6f", SilentTrackSeconds());
    return FormatC("-f lavfi -t %s -i anullsrc=channel_layout=stereo:sample_rate=44100 -shortest ", length.c_str());
}

std::string AudioInputText(bool inputHasAudio) { return inputHasAudio ? "-shortest " : SilentAudioText(false); }

std::string ConvertScalingText(const FrameSize& size) {
    return FormatC(
        "scale=iw*sar:ih,setsar=1,scale=%d:%d:force_original_aspect_ratio=decrease,"
        "pad=%d:%d:(ow-iw)/2:(oh-ih)/2",
        size.width, size.height, size.width, size.height);
}

std::string ConvertEntryCommand(const ConvertCommandArgs& args) {
    return args.prefix + FormatC(
                             "-i \"%s\" %s-c:v %s -pix_fmt yuv420p -g %d -keyint_min 1 -r %s -c:a aac -b:a 192k "
                             "-vf \"%s,setpts=PTS-STARTPTS,setsar=1\" -af \"%sasetpts=PTS-STARTPTS\" "
                             "-movflags +faststart \"%s\"",
                             Quoted(args.input).c_str(), AudioInputText(args.inputHasAudio).c_str(),
                             args.encoder.c_str(), args.gop, args.rate.c_str(), ConvertScalingText(args.size).c_str(),
                             args.inputHasAudio ? "apad," : "", Quoted(args.output).c_str());
}

int ConvertedFrameCount(int sourceFrames, double sourceFps, double outputFps) {
    if (!(sourceFps > 0) || !(outputFps > 0) || sourceFrames <= 0) return 0;
    return FloorFrames(sourceFrames / sourceFps * outputFps);
}

int ConvertedMergeFrameCount(int totalFrames, int count, double transitionSeconds, double fps) {
    if (!(fps > 0)) return 0;
    const double seconds = totalFrames / fps - std::max(0, count - 1) * transitionSeconds;
    return FloorFrames(seconds * fps);
}

double MergeTransitionDuration(double currentFps, double outputFps) {
    const double rate = outputFps > 0 ? outputFps : currentFps;
    if (!(rate > 0)) return 0;
    const long half = currentFps > 0 ? std::lround(currentFps * 0.5) : 0;
    const long even = half & ~1L;
    return std::round(static_cast<double>(even) / rate * 100.0) / 100.0;
}

// ---------------------------------------------------------------------------------------------------------
// The engine's conversion and merge steps.

namespace {

// The rate every converted file is written at and checked against: the merge tab's text for its choice,
// or the list's own text when a front-end chose by index only.
std::string TargetRateText(const JobContext& engine) {
    return engine.Options().mergeRateText.empty() ? FrameRateText(MergeFrameRate(engine.Options().mergeRateIndex))
                                                  : engine.Options().mergeRateText;
}

double TargetFps(const JobContext& engine) { return FrameRateValue(MergeFrameRate(engine.Options().mergeRateIndex)); }

// An entry takes part in the conversion and the merge when it is enabled and was analysed: a video that
// could not be probed stays unanalysed and is left out, so the others are still joined.
bool IsUsable(const SceneEntry& entry) { return entry.enable && entry.m_created; }

// A converted file counts as done only when it has the frames expected, at the size and rate chosen now: a
// file of an earlier choice keeps its name after the choice changed.
bool IsConvertedAsChosen(const VideoInfo& probed, int frames, const std::string& rateText, const FrameSize& size) {
    return frames >= 1 && probed.frame_num == frames && probed.r_frame_rate == rateText && probed.width == size.width &&
           probed.height == size.height;
}

}  // namespace

int JobContext::ConvertMergeEntry(int index, int total, int offset, bool announce) {
    CTarneloData& data = *m_data;
    const std::optional<SceneEntry> listed = data.diff_list.At(index);
    if (!listed) return -1;
    const SceneEntry& entry = *listed;
    if (announce) Send(WM_APP_SELECT_SCENE, static_cast<WParam>(index), 0);

    const FrameSize size = MergeFrameSize(m_options.mergeSizeIndex);
    const std::string rateText = TargetRateText(*this);
    const int expected = entry.m_convertedInfo.frame_num;
    VideoInfo probed;
    if (platform::FileExists(entry.fileName) && GetVideoInfoFfprobe(entry.fileName, probed) == 0 &&
        IsConvertedAsChosen(probed, expected, rateText, size)) {
        return 0;
    }

    ConvertCommandArgs args;
    args.prefix = FfmpegPrefix();
    args.input = entry.m_fileToUse;
    args.inputHasAudio = entry.m_segmentInfo.has_audio;
    args.encoder = EncoderPreset(data.use_cuda, data.quality);
    args.gop = GopLength(TargetFps(*this));
    args.rate = rateText;
    args.size = size;
    args.output = entry.fileName;
    const std::string command = ConvertEntryCommand(args);

    platform::MakeFolders(SetTrailingSeparator(data.output_folder, false));
    const std::string folder = FolderPart(entry.fileName);
    if (!folder.empty()) platform::MakeFolders(SetTrailingSeparator(folder, false));
    const int result = announce ? ExecuteCmdWithProgress(false, command, total, offset) : ExecuteCmd(command);
    if (result != 0) {
        // A half-written file must not pass for a converted one next time.
        if (platform::FileExists(entry.fileName)) std::remove(entry.fileName.c_str());
        return result;
    }

    VideoInfo info;
    if (GetVideoInfoFfprobe(entry.fileName, info) == 0) {
        bool changed = false;
        data.diff_list.Update(
            index,
            [&](SceneEntry& stored) {
                changed = info.frame_num != stored.m_convertedInfo.frame_num;
                stored.m_convertedInfo = info;
                stored.framNo_first = 0;
                stored.framNo_second = std::max(0, info.frame_num - 1);
            },
            SceneEditBy::kJob);
        if (changed) Post(WM_APP_LIST_CHANGED, static_cast<WParam>(index), 0);
    }
    if (announce) ShowSceneFile(entry.fileName);
    return 0;
}

int JobContext::ProcessConvMerge() {
    int result = ProcessAnalysis();
    if (result != 0) return result;

    CTarneloData& data = *m_data;
    const auto usableFrames = [&] {
        int sum = 0;
        for (const SceneEntry& entry : data.diff_list.Snapshot()) {
            if (IsUsable(entry)) sum += entry.m_convertedInfo.frame_num;
        }
        return sum;
    };
    const int total = usableFrames();
    data.m_currentInfo.fps = TargetFps(*this);
    data.m_currentInfo.r_frame_rate = TargetRateText(*this);
    SendJobStart(kJobKindSegmentOutput, total);

    int offset = 0;
    const int count = data.diff_list.Size();
    for (int k = 0; k < count; ++k) {
        const std::optional<SceneEntry> listed = data.diff_list.At(k);
        if (!listed || !IsUsable(*listed)) continue;
        if (CancelRequested()) return EndJobStopped(*this);
        SendJobName(FormatC("%s (%03d)", KindName(kJobKindSegmentOutput), k + 1));
        result = ConvertMergeEntry(k, total, offset, true);
        if (result != 0) {
            LogCmdResult("CTarneloProcess::ProcessConvMerge", __LINE__, FormatC("ConvertMergeEntry(%d)", k), result);
            return EndJobFailed(*this, result, true);
        }
        if (auto converted = data.diff_list.At(k)) offset += converted->m_convertedInfo.frame_num;
    }
    const int converted = usableFrames();
    if (converted != total) Send(WM_APP_JOB_PROGRESS, static_cast<WParam>(converted), converted);
    SendState(kJobStateDone);
    return 0;
}

int JobContext::ProcessConv(const std::string& output) {
    int result = ProcessAnalysis();
    if (result != 0) return result;

    CTarneloData& data = *m_data;
    AppLog().Log("%s(%d) output_file(%s)\n", "CTarneloProcess::ProcessConv", __LINE__, output.c_str());
    const int entryCount = data.diff_list.Size();
    SendJobStart(kJobKindPrecheck, entryCount);
    // Named after the output: the merge tab has no single input.
    const MergeFiles files = MergeFileNames(data.output_folder, data.output_name);
    DeleteMergeIntermediates(files);
    platform::MakeFolders(SetTrailingSeparator(data.output_folder, false));

    const double fr = TargetFps(*this);
    int usable = 0;
    for (const SceneEntry& entry : data.diff_list.Snapshot()) usable += IsUsable(entry) ? 1 : 0;
    if (usable == 0) {
        // Nothing to join: ffmpeg would only fail on an empty list.
        SendState(kJobStateFailed, "TotalFrame(0)");
        return -1;
    }

    // Precheck: each converted file must exist with its frame count; the others are converted beside us.
    std::map<std::string, int> examined;  // converted file -> the entry that examined it
    const FrameSize size = MergeFrameSize(m_options.mergeSizeIndex);
    const std::string rateText = TargetRateText(*this);
    const auto check = [this, &data, &examined, &size, &rateText](int k) {
        const std::optional<SceneEntry> listed = data.diff_list.At(k);
        if (!listed || !IsUsable(*listed)) return FixCheck::Skip;
        const SceneEntry& entry = *listed;
        if (!examined.emplace(entry.fileName, k).second) return FixCheck::Right;
        VideoInfo probed;
        return GetVideoInfoFfprobe(entry.fileName, probed) == 0 &&
                       IsConvertedAsChosen(probed, entry.m_convertedInfo.frame_num, rateText, size)
                   ? FixCheck::Right
                   : FixCheck::Wrong;
    };
    const auto convert = [this](int k) { return ConvertMergeEntry(k, 0, 0, false); };
    const FixOutcome fixed =
        RunMergePrecheck(*this, entryCount, check, convert, "CTarneloProcess::ProcessConv", "ConvertMergeEntry");
    if (fixed.failed >= 0) return fixed.result;
    // An entry whose file another entry examined takes what that one found, or the join would trim
    // the shared file to a frame count it does not have.
    {
        const std::vector<SceneEntry> entries = data.diff_list.Snapshot();
        const int count = std::min(entryCount, static_cast<int>(entries.size()));
        for (int k = 0; k < count; ++k) {
            const SceneEntry& entry = entries[static_cast<size_t>(k)];
            if (!IsUsable(entry)) continue;
            const auto it = examined.find(entry.fileName);
            if (it == examined.end() || it->second == k || it->second >= count) continue;
            const SceneEntry& examiner = entries[static_cast<size_t>(it->second)];
            data.diff_list.Update(
                k,
                [&](SceneEntry& stored) {
                    stored.m_convertedInfo = examiner.m_convertedInfo;
                    stored.framNo_first = examiner.framNo_first;
                    stored.framNo_second = examiner.framNo_second;
                },
                SceneEditBy::kJob);
        }
    }
    if (fixed.result == -2) return EndJobStopped(*this);

    // Read after the conversions, which store the frame counts their files really have.
    MergeList list;
    std::vector<double> durations;
    std::vector<int> positions;
    int totalFrames = 0;
    {
        const double fps = fr > 0 ? fr : data.m_currentInfo.fps;
        const std::vector<SceneEntry> entries = data.diff_list.Snapshot();
        for (int k = 0; k < std::min(entryCount, static_cast<int>(entries.size())); ++k) {
            const SceneEntry& entry = entries[static_cast<size_t>(k)];
            if (!IsUsable(entry)) continue;
            const int frames = entry.m_convertedInfo.frame_num;
            const double seconds = SceneDurationSeconds(frames, fps);
            list.emplace_back(entry.fileName, seconds);
            durations.push_back(seconds);
            positions.push_back(k);
            totalFrames += frames;
        }
    }
    const int n = static_cast<int>(list.size());
    const double transition = data.transition && n >= 2 ? data.TransitionDuration : 0;
    result = StartFinalStage(*this, durations, positions, transition, list.front().first);
    if (result != 0) return result;

    // Every converted file carries sound (a silent track where the input had none), so the graph joins audio.
    const VideoInfo& current = data.m_currentInfo;
    const MergeEncodeArgs args = CurrentEncodeArgs(*this, current.r_frame_rate);
    const MergePlan plan =
        PlanBatchMerge(durations, MergeBatchSize(current.width, current.height), transition, current.fps);
    const std::vector<BatchCommand> commands = BuildBatchMergeCommands(
        list, plan, transition, files, args, TargetRateText(*this), current.has_audio, MuxerStoresPcmInMp4());
    SendJobName(KindName(kJobKindSceneMerge));
    Send(WM_APP_JOB_PROGRESS, static_cast<WParam>(plan.progressTotal), 0);
    if (n == 1) {
        // One file needs no join, yet goes through the graph so the final encode reads the same kind of file.
        const std::vector<std::string> inputs = {list.front().first};
        const BatchCommand single{
            BatchMergeCommand(args, inputs, BuildMergeGraph(list, 0, TargetRateText(*this), current.has_audio),
                              current.has_audio, files.merged, MuxerStoresPcmInMp4()),
            files.merged, 0};
        const int frames = std::max(1, totalFrames);
        if (CancelRequested()) return EndJobStopped(*this);
        result = ExecuteCmdWithProgress(false, single.command, frames, 0);
        if (result != 0) {
            DeleteMergeIntermediates(files);
            return EndJobFailed(*this, result, true);
        }
    }
    result = RunBatchMergeCommands(*this, commands, plan.progressTotal, files);
    if (result != 0) return result;

    const double f = fr > 0 ? fr : current.fps;
    const int finalFrames = ConvertedMergeFrameCount(totalFrames, n, transition, f);
    MergeEncodeArgs finalArgs = args;
    finalArgs.gop = GopLength(fr);
    finalArgs.rate = TargetRateText(*this);
    return FinishMergedOutput(*this, files, finalArgs, output, finalFrames, "CTarneloProcess::ProcessConv");
}
