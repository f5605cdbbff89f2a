#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class CTarneloData;

// The texts and numbers of a scene merge: the concat list, the cross-fade filter graph, the batch plan and
// the merge and final-encode commands. Pure; the engine's ProcessTrim runs what these build.

// One input of a merge: a file and the seconds of it that are used.
using MergeEntry = std::pair<std::string, double>;
using MergeList = std::vector<MergeEntry>;

// Seconds of frameCount frames at fps; 0 when fps is not positive.
double SceneDurationSeconds(int frameCount, double fps);
// seconds * fps rounded to whole frames, kept inside int.
int RoundToFrames(double seconds, double fps);

// The -filter_complex text that joins list in order: an fps-and-trim element per input, then cross-fades
// of transitionSeconds (xfade, and acrossfade with audio) or, for transitionSeconds up to 0.000001, one
// concatenation. The result is labelled [vid] (and [aud] with audio); empty for an empty list.
std::string BuildMergeGraph(const MergeList& list, double transitionSeconds, const std::string& frameRateText,
                            bool audio);

// Inputs per cross-fade command: min(25, round(83886080 / (width x height))), so larger frames merge fewer
// files at once. Never below 2 (a round must shorten the list); 25 when the size is unknown.
int MergeBatchSize(int width, int height);

// One command of the batch merge.
struct MergeGroup {
    int first = 0;         // position of the group's first entry in its round's list
    int count = 0;         // entries joined by the command
    int offset = 0;        // progress frames of the commands before this one
    int outputNumber = 0;  // k of "_merged_%d.mp4"; 0 for the last command, which writes "_merged.mp4"
};

struct MergePlan {
    std::vector<std::vector<MergeGroup>> rounds;  // each round works on the list of the previous round's outputs
    int progressTotal = 0;                        // sum of round(group result seconds x fps) over all groups
};

// The rounds that join durations in groups of batchSize until one file is left (nothing for fewer than 2).
MergePlan PlanBatchMerge(const std::vector<double>& durations, int batchSize, double transitionSeconds, double fps);

// Seconds of the file a group joins to: the sum of its durations less one transition per join.
double GroupDuration(const std::vector<double>& durations, int first, int count, double transitionSeconds);

// Position of the first entry that lasts less than one transition (-1 when none). Such an input cannot be
// faded in and out: ffmpeg's xfade waits forever for the rest of a short input after the first join.
int FirstEntryShorterThanTransition(const std::vector<double>& durations, double transitionSeconds);

// Frames of the merged result of n scenes of totalFrames frames: totalFrames when concatenated, else
// floor((totalFrames / fps - (n - 1) x transitionSeconds) x fps) (totalFrames / fps taken as 0 without a rate).
int MergedFrameCount(int totalFrames, int sceneCount, double transitionSeconds, double fps, bool crossFade);

// The files of one merge job, in the output folder and named after the input's stem.
struct MergeFiles {
    std::string folder;                     // the output folder, ending with the separator
    std::string base;                       // the input file's name without folder and extension
    std::string listFile;                   // "_filelist.txt", the concat demuxer's list; kept after the job
    std::string merged;                     // "_merged.mp4", the merge before the final encode
    std::string chapters;                   // "_chapters.txt", the chapters the final encode takes, when asked
    std::string Intermediate(int k) const;  // "_merged_%d.mp4"
};
MergeFiles MergeFileNames(const std::string& outputFolder, const std::string& inputFile);

// True for the names of base + "_merged*.mp4" (base taken literally, so a '*' or '?' in the input's name
// can not widen the clean-up to other files).
bool IsMergeIntermediateName(const std::string& fileName, const std::string& base);
// Deletes every file of the folder whose name IsMergeIntermediateName; folders are never touched.
void DeleteMergeIntermediates(const MergeFiles& files);

// "file '<path>'\n" per path, a quote in a path written as '\'' so the demuxer reads the name back
// unchanged. Nothing when a path holds a line break or NUL, which the list's line format can not carry.
std::optional<std::string> ConcatListText(const std::vector<std::string>& paths);

// Why a scene merge of data could not carry its file names (a segment path with a line break, a caption
// file the subtitle filter cannot name), for a refusal before a job writes anything; nothing when it can.
std::optional<std::string> MergePathProblem(const CTarneloData& data);

// What every encode of the merge carries.
struct MergeEncodeArgs {
    std::string prefix;   // "ffmpeg -y " or "ffmpeg -y -hwaccel cuda "
    std::string encoder;  // the encoder preset text after "-c:v"
    int gop = 0;          // "-g"
    std::string rate;     // "-r": the source's frame-rate text
};

// The intermediates carry PCM audio. An ffmpeg whose MP4 muxer refuses PCM (before 6.x) writes them with the
// QuickTime muxer instead (pcmInMp4 false adds "-f mov"); the name stays, and readers go by the content.
std::string ConcatMergeCommand(const MergeEncodeArgs& args, const std::string& listFile, const std::string& merged,
                               bool pcmInMp4);
// The graph goes in without its trailing ';', which ffmpeg 5 takes for an empty filter.
std::string BatchMergeCommand(const MergeEncodeArgs& args, const std::vector<std::string>& inputs,
                              const std::string& graph, bool audio, const std::string& output, bool pcmInMp4);
// Every command of a batch merge in the order they run: round after round, each group of a round joining
// its inputs (scene segments in the first round, the previous round's outputs later) with BuildMergeGraph.
struct BatchCommand {
    std::string command;
    std::string output;
    int offset = 0;  // progress frames before this command, of MergePlan::progressTotal
};
std::vector<BatchCommand> BuildBatchMergeCommands(const MergeList& list, const MergePlan& plan,
                                                  double transitionSeconds, const MergeFiles& files,
                                                  const MergeEncodeArgs& args, const std::string& frameRateText,
                                                  bool audio, bool pcmInMp4);
// effectsChain is the -vf part before "setpts=PTS-STARTPTS" (each element ending with ","). chaptersFile, an
// FFMETADATA file, adds its chapters to the output; without one the command is as it has always been.
std::string FinalEncodeCommand(const MergeEncodeArgs& args, const std::string& merged, const std::string& effectsChain,
                               const std::string& output, const std::string& chaptersFile = {});

// Demuxes the file's first video stream and prints how many packets it really holds. A cut off MP4 written
// with +faststart keeps its full index in front, so its header still tells the whole frame count.
std::string PacketCountCommand(const std::string& path);
// The count PacketCountCommand printed; -1 when the text holds none.
int ParsePacketCount(const std::string& text);
