#include "engine/SceneMerge.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>

#include "engine/EffectsFilter.h"
#include "engine/EncoderPreset.h"
#include "engine/InputPreparation.h"
#include "engine/MergeRun.h"
#include "engine/SceneRules.h"
#include "engine/Subtitles.h"
#include "engine/TarneloProcess.h"
#include "log/AppLog.h"
#include "platform/AtomicFile.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "project/TarneloData.h"

namespace {

constexpr int kMaxBatchSize = 25;
constexpr double kBatchPixelBudget = 8388608.0;
constexpr double kMinTransitionSeconds = 0.000001;

int ClampToInt(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

int RoundToFrames(double seconds, double fps) { return ClampToInt(std::round(seconds * fps)); }

std::string Quoted(const std::string& path) { return platform::EscapeQuotedArgument(path); }

}  // namespace

double SceneDurationSeconds(int frameCount, double fps) { return fps > 0 ? frameCount / fps : 0; }

std::string BuildMergeGraph(const MergeList& list, double transitionSeconds, const std::string& frameRateText,
                            bool audio) {
    const int m = static_cast<int>(list.size());
    if (m == 0) return {};
    const char* rate = frameRateText.c_str();
    std::string graph;
    std::vector<std::string> video;
    std::vector<std::string> sound;
    for (int i = 0; i < m; ++i) {
        const std::string v = FormatC("v%d", i);
        const std::string a = FormatC("a%d", i);
        const double d = list[i].second;
        graph += FormatC("[%d:v]fps=%s,trim=duration=%.6f,setpts=PTS-STARTPTS[%s_pre];[%s_pre]fps=%s[%s];", i, rate, d,
                         v.c_str(), v.c_str(), rate, v.c_str());
        if (audio) graph += FormatC("[%d:a]atrim=duration=%.6f,asetpts=PTS-STARTPTS[%s];", i, d, a.c_str());
        video.push_back(v);
        sound.push_back(a);
    }
    if (m == 1) {
        graph += FormatC("[%s]format=yuv420p[vid];", video[0].c_str());
        if (audio) graph += FormatC("[%s]aresample=async=1[aud];", sound[0].c_str());
        return graph;
    }
    const double d = transitionSeconds;
    if (d > kMinTransitionSeconds) {
        double offset = list[0].second - d;
        for (int k = 1; k < m; ++k) {
            const bool last = k == m - 1;
            const std::string vOut = last ? "vid" : FormatC("vf%d", k);
            const std::string aOut = last ? "aud" : FormatC("af%d", k);
            graph += FormatC("[%s][%s]xfade=transition=fade:duration=%.6f:offset=%.6f[%s];", video[0].c_str(),
                             video[1].c_str(), d, offset, vOut.c_str());
            if (audio) {
                graph += FormatC("[%s][%s]acrossfade=d=%.3f,aresample=async=1[%s];", sound[0].c_str(), sound[1].c_str(),
                                 d, aOut.c_str());
            }
            // The joined pair stands in for its two inputs in the next join.
            video.erase(video.begin());
            video[0] = vOut;
            sound.erase(sound.begin());
            sound[0] = aOut;
            offset += list[k].second - d;
        }
    } else {
        std::string labels;
        for (const std::string& v : video) labels += "[" + v + "]";
        graph += FormatC("%sconcat=n=%d:v=1:a=0[vid];", labels.c_str(), m);
        if (audio) {
            labels.clear();
            for (const std::string& a : sound) labels += "[" + a + "]";
            graph += FormatC("%sconcat=n=%d:v=0:a=1[aud];", labels.c_str(), m);
        }
    }
    graph += "[vid]format=yuv420p[vid];";
    if (audio) graph += "[aud]aresample=async=1[aud];";
    return graph;
}

int MergeBatchSize(int width, int height) {
    const double pixels = static_cast<double>(width) * height;
    if (!(pixels > 0)) return kMaxBatchSize;
    const int size = ClampToInt(std::round(kBatchPixelBudget / pixels * 10.0));
    return std::clamp(size, 2, kMaxBatchSize);
}

double GroupDuration(const std::vector<double>& durations, int first, int count, double transitionSeconds) {
    double sum = 0;
    for (int i = first; i < first + count; ++i) sum += durations[i];
    return sum - (count - 1) * transitionSeconds;
}

MergePlan PlanBatchMerge(const std::vector<double>& durations, int batchSize, double transitionSeconds, double fps) {
    MergePlan plan;
    const int k = std::max(2, batchSize);
    std::vector<double> list = durations;
    long long offset = 0;
    int outputNumber = 0;
    while (list.size() >= 2) {
        const int size = static_cast<int>(list.size());
        std::vector<MergeGroup> round;
        std::vector<double> next;
        for (int first = 0; first < size; first += k) {
            const int count = std::min(k, size - first);
            const double seconds = GroupDuration(list, first, count, transitionSeconds);
            MergeGroup group;
            group.first = first;
            group.count = count;
            group.offset = ClampToInt(static_cast<double>(offset));
            group.outputNumber = count < size ? ++outputNumber : 0;
            round.push_back(group);
            next.push_back(seconds);
            offset += RoundToFrames(seconds, fps);
        }
        plan.rounds.push_back(std::move(round));
        list = std::move(next);
    }
    plan.progressTotal = ClampToInt(static_cast<double>(offset));
    return plan;
}

int FirstEntryShorterThanTransition(const std::vector<double>& durations, double transitionSeconds) {
    if (!(transitionSeconds > kMinTransitionSeconds)) return -1;
    for (size_t i = 0; i < durations.size(); ++i) {
        // The transition is a frame count over the rate rounded to hundredths: a scene of as many frames
        // may come out up to 0.005 s shorter and still takes the fade.
        if (durations[i] < transitionSeconds - 0.005 - kMinTransitionSeconds) return static_cast<int>(i);
    }
    return -1;
}

int MergedFrameCount(int totalFrames, int sceneCount, double transitionSeconds, double fps, bool crossFade) {
    if (!crossFade) return totalFrames;
    const double seconds = fps > 0 ? totalFrames / fps : 0;
    return ClampToInt(std::floor((seconds - (sceneCount - 1) * transitionSeconds) * fps));
}

std::string MergeFiles::Intermediate(int k) const {
    return FormatC("%s%s_merged_%d.mp4", folder.c_str(), base.c_str(), k);
}

MergeFiles MergeFileNames(const std::string& outputFolder, const std::string& inputFile) {
    MergeFiles files;
    files.folder = outputFolder;
    files.base = MediaFileStem(inputFile);
    files.listFile = files.folder + files.base + "_filelist.txt";
    files.merged = FormatC("%s%s_merged.mp4", files.folder.c_str(), files.base.c_str());
    return files;
}

bool IsMergeIntermediateName(const std::string& fileName, const std::string& base) {
    const std::string head = base + "_merged";
    const std::string tail = ".mp4";
    return fileName.size() >= head.size() + tail.size() && fileName.compare(0, head.size(), head) == 0 &&
           fileName.compare(fileName.size() - tail.size(), tail.size(), tail) == 0;
}

void DeleteMergeIntermediates(const MergeFiles& files) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = files.folder.empty() ? fs::path(".") : fs::path(files.folder);
    fs::directory_iterator it(folder, error);
    if (error) return;
    std::vector<fs::path> doomed;
    for (const fs::directory_entry& entry : it) {
        std::error_code ignored;
        if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) continue;
        if (IsMergeIntermediateName(entry.path().filename().string(), files.base)) doomed.push_back(entry.path());
    }
    for (const fs::path& path : doomed) fs::remove(path, error);
}

std::optional<std::string> ConcatListText(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        if (path.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return std::nullopt;
        text += "file '";
        for (const char c : path) {
            if (c == '\'') {
                text += "'\\''";
            } else {
                text += c;
            }
        }
        text += "'\n";
    }
    return text;
}

std::optional<std::string> MergePathProblem(const CTarneloData& data) {
    // Every segment path is the output folder, the input's stem and digits.
    if (!ConcatListText({data.output_folder + SegmentFileBase(data.input_file)})) {
        return std::string("A segment path holds a line break");
    }
    // Checked even while no scene has a caption yet: an extraction gives every scene one.
    AssOptions captions;
    captions.wholeTimeline = true;
    std::string error;
    if (!SubtitleFilterText(AssFilePath(data, captions), &error)) return error;
    return std::nullopt;
}

std::string ConcatMergeCommand(const MergeEncodeArgs& args, const std::string& listFile, const std::string& merged,
                               bool pcmInMp4) {
    return args.prefix + FormatC(
                             "-f concat -safe 0 -i \"%s\" -c:v %s -g %d -keyint_min 1 -r %s -c:a pcm_s16le -vf "
                             "\"setpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" -movflags +faststart %s\"%s\"",
                             Quoted(listFile).c_str(), args.encoder.c_str(), args.gop, args.rate.c_str(),
                             pcmInMp4 ? "" : "-f mov ", Quoted(merged).c_str());
}

std::string BatchMergeCommand(const MergeEncodeArgs& args, const std::vector<std::string>& inputs,
                              const std::string& graph, bool audio, const std::string& output, bool pcmInMp4) {
    std::string inputText;
    for (const std::string& input : inputs) inputText += FormatC("-i \"%s\" ", Quoted(input).c_str());
    // ffmpeg 5 reads a ';' at the very end as the start of a chain without a filter and refuses the graph.
    std::string chains = graph;
    if (!chains.empty() && chains.back() == ';') chains.pop_back();
    return args.prefix + FormatC(
                             "%s-filter_complex \"%s\" -map \"[vid]\" %s-c:v %s -g %d -keyint_min 1 -r %s -c:a "
                             "pcm_s16le -movflags +faststart %s\"%s\"",
                             inputText.c_str(), chains.c_str(), audio ? "-map \"[aud]\" " : "", args.encoder.c_str(),
                             args.gop, args.rate.c_str(), pcmInMp4 ? "" : "-f mov ", Quoted(output).c_str());
}

std::vector<BatchCommand> BuildBatchMergeCommands(const MergeList& list, const MergePlan& plan,
                                                  double transitionSeconds, const MergeFiles& files,
                                                  const MergeEncodeArgs& args, const std::string& frameRateText,
                                                  bool audio, bool pcmInMp4) {
    std::vector<BatchCommand> commands;
    MergeList current = list;
    for (const std::vector<MergeGroup>& round : plan.rounds) {
        MergeList next;
        for (const MergeGroup& group : round) {
            if (group.first < 0 || group.count < 1 || group.first + group.count > static_cast<int>(current.size())) {
                return {};  // not a plan of this list
            }
            const MergeList part(current.begin() + group.first, current.begin() + group.first + group.count);
            std::vector<std::string> inputs;
            std::vector<double> seconds;
            for (const MergeEntry& entry : part) {
                inputs.push_back(entry.first);
                seconds.push_back(entry.second);
            }
            BatchCommand command;
            command.output = group.outputNumber > 0 ? files.Intermediate(group.outputNumber) : files.merged;
            command.offset = group.offset;
            command.command =
                BatchMergeCommand(args, inputs, BuildMergeGraph(part, transitionSeconds, frameRateText, audio), audio,
                                  command.output, pcmInMp4);
            next.emplace_back(command.output, GroupDuration(seconds, 0, group.count, transitionSeconds));
            commands.push_back(std::move(command));
        }
        current = std::move(next);
    }
    return commands;
}

std::string FinalEncodeCommand(const MergeEncodeArgs& args, const std::string& merged, const std::string& effectsChain,
                               const std::string& output) {
    return args.prefix + FormatC(
                             "-i \"%s\" -c:v %s -g %d -keyint_min 1 -r %s -c:a aac -b:a 192k -vf "
                             "\"%ssetpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" -movflags +faststart \"%s\"",
                             Quoted(merged).c_str(), args.encoder.c_str(), args.gop, args.rate.c_str(),
                             effectsChain.c_str(), Quoted(output).c_str());
}

std::string PacketCountCommand(const std::string& path) {
    return FormatC(
        "ffprobe -v quiet -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 \"%s\"",
        Quoted(path).c_str());
}

int ParsePacketCount(const std::string& text) {
    int count = -1;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(begin, end - begin);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == ',')) line.pop_back();
        if (!line.empty() && line.size() <= 9 && line.find_first_not_of("0123456789") == std::string::npos) {
            count = std::stoi(line);
        }
        begin = end + 1;
    }
    return count;
}

namespace {

// What the merge graph is built from: the rate every input is brought to and whether audio is joined.
struct MergeGraphSource {
    std::string frameRateText;
    bool audio = false;
};

// The merge tab (mode 1) joins at the rate chosen on that tab, the scene tab at the source's rate.
MergeGraphSource GraphSource(const CTarneloProcess& engine) {
    const CTarneloData& data = *engine.Data();
    const std::string& rate =
        engine.Options().mode == 1 ? engine.Options().mergeRateText : data.m_sourceInfo.r_frame_rate;
    return {rate, data.m_currentInfo.has_audio};
}

}  // namespace

std::string CTarneloProcess::BuildMergeFilterGraph(const std::vector<std::pair<std::string, double>>& list,
                                                   double transitionSeconds) const {
    const MergeGraphSource source = GraphSource(*this);
    return BuildMergeGraph(list, transitionSeconds, source.frameRateText, source.audio);
}

int CTarneloProcess::ProcessDiffTrim() {
    CTarneloData& data = *m_data;
    const std::string input = WorkingInput();
    const int t = static_cast<int>(data.threshold.value) * 100;
    const std::string output = data.GetOutputPath();
    AppLog().Log("%s(%d) input_file(%s), threshold(%d), output_file(%s)\n", "CTarneloProcess::ProcessDiffTrim",
                 __LINE__, input.c_str(), t, output.c_str());
    const int result = ProcessDiffFrame(input, t);
    if (result != 0 || data.diff_list.Empty()) return result;
    return ProcessTrim(input, output);
}

int CTarneloProcess::ProcessTrim(const std::string& input, const std::string& output) {
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
    if (crossFade) {
        const int shortEntry = FirstEntryShorterThanTransition(durations, transition);
        if (shortEntry >= 0) {
            SendState(kJobStateFailed, FormatC("SceneTooShort(%d)", positions[static_cast<size_t>(shortEntry)] + 1));
            return -1;
        }
    }

    SendJobStart(kJobKindFinalMerge, -1);
    // The first enabled segment, not a disabled one of another size or rate, sets -g, the batch size and audio.
    result = ProbeCurrentFile(firstSegment);
    if (result != 0) return EndJobFailed(*this, result, false);

    const VideoInfo& current = data.m_currentInfo;
    MergeEncodeArgs args;
    args.prefix = FfmpegPrefix();
    args.encoder = EncoderPreset(data.use_cuda, data.quality);
    args.gop = GopLength(current.fps);
    args.rate = data.m_sourceInfo.r_frame_rate;
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

    // Final encode with the picture settings and the captions on the merged timeline.
    return FinishMergedOutput(*this, files, args, output, finalFrames, "CTarneloProcess::ProcessTrim");
}
