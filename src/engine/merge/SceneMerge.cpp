#include "engine/merge/SceneMerge.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>

#include "engine/merge/EffectsFilter.h"
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

constexpr int kMaxBatchSize = 25;
constexpr double kBatchPixelBudget = 8388608.0;
constexpr double kMinTransitionSeconds = 0.000001;

int ClampToInt(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

std::string Quoted(const std::string& path) { return platform::EscapeQuotedArgument(path); }

}  // namespace

int RoundToFrames(double seconds, double fps) { return ClampToInt(std::round(seconds * fps)); }

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
    files.chapters = files.folder + files.base + "_chapters.txt";
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
                               const std::string& output, const std::string& chaptersFile) {
    // Only the chapters are taken from the metadata file: the output's other metadata stays the merge's.
    const std::string chapters =
        chaptersFile.empty() ? std::string()
                             : FormatC("-f ffmetadata -i \"%s\" -map_chapters 1 ", Quoted(chaptersFile).c_str());
    return args.prefix + FormatC(
                             "-i \"%s\" %s-c:v %s -g %d -keyint_min 1 -r %s -c:a aac -b:a 192k -vf "
                             "\"%ssetpts=PTS-STARTPTS\" -af \"asetpts=PTS-STARTPTS\" -movflags +faststart \"%s\"",
                             Quoted(merged).c_str(), chapters.c_str(), args.encoder.c_str(), args.gop,
                             args.rate.c_str(), effectsChain.c_str(), Quoted(output).c_str());
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
