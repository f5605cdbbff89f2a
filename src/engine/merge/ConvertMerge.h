#pragma once

#include <array>
#include <string>

class CTarneloData;
struct SceneEntry;

// The merge tab's conversion: the two choice lists, the converted file's name, the conversion command and
// the numbers of the joined result. Pure; the engine's ConvertMergeEntry, ProcessConvMerge, ProcessConv and
// ProcessAnalysis run what these build.

struct FrameRate {
    int num = 0;
    int den = 1;
};

struct FrameSize {
    int width = 0;
    int height = 0;
};

// 120/1 ... 10/1 and 4096x2160 ... 352x288, in the order of the merge tab's two choice boxes.
const std::array<FrameRate, 10>& FrameRateList();
const std::array<FrameSize, 9>& FrameSizeList();

// Both choices start at 1920x1080 and 60000/1001.
inline constexpr int kDefaultMergeChoice = 3;

// The entry of a list index; an index outside the list gives the default entry, so a stale or corrupt
// choice never reads outside the table.
FrameRate MergeFrameRate(int index);
FrameSize MergeFrameSize(int index);

// num / den (0 for a zero denominator).
double FrameRateValue(const FrameRate& rate);
// "%d/%d": the text the engine writes after "-r" and compares with a probed rate.
std::string FrameRateText(const FrameRate& rate);
// "%.02f": the rate as the merge tab shows it and as it appears in file names ("59.94").
std::string FrameRateLabel(const FrameRate& rate);

// Output folder + the input's file name with its extension replaced by "_seg_" + "%dx%d_%.02f.mp4".
std::string ConvertedFileName(const std::string& outputFolder, const std::string& input, const FrameSize& size,
                              const FrameRate& rate);
// The output name proposed for the first video of a list: stem + "_conv_" + "%dx%d_%.02f.mp4".
std::string MergeOutputName(const std::string& input, const FrameSize& size, const FrameRate& rate);
// The folder proposed for the first video of a list: its own folder + "conv_out" + separator.
std::string MergeOutputFolder(const std::string& input);

// What a video dropped on the merge tab becomes: a new entry, not yet analysed, enabled, using the file
// itself and naming its converted file; no captions and no video properties yet.
SceneEntry MakeMergeEntry(const std::string& input, const std::string& convertedFile);
// The drop's bookkeeping for one video that ffprobe accepted: input_file, the proposed output folder and
// name for the first video of an empty list, then the new entry appended. Returns its index.
int AddMergeEntry(CTarneloData& data, const std::string& input, int sizeIndex, int rateIndex);

// What an analysed entry's conversion to size and rate will give, from its source properties: the rate,
// the size, the frame count and the frame range. An entry whose converted properties already are of that
// rate and size is left as it is, so the count a conversion measured is kept. True when it changed.
bool TargetConvertedInfo(SceneEntry& entry, const FrameSize& size, const FrameRate& rate);

// Seconds of the silent track given to an input without audio; "-shortest" cuts it to the video.
double SilentTrackSeconds();

// "-f lavfi -t %s -i anullsrc=... -shortest " for an input without audio, else empty.
std::string SilentAudioText(bool inputHasAudio);
// What follows the input: the silent track, or for an input with sound "-shortest ", which ends the output
// with the video while "apad" in -af fills sound that stops before the picture. Without the padding a short
// track would pull the sound of every later video of the join ahead of its picture.
std::string AudioInputText(bool inputHasAudio);
// Square pixels, fitted inside width x height and centred on black.
std::string ConvertScalingText(const FrameSize& size);

// What the conversion command of one entry is built from.
struct ConvertCommandArgs {
    std::string prefix;  // "ffmpeg -y " or "ffmpeg -y -hwaccel cuda "
    std::string input;   // the entry's file to use
    bool inputHasAudio = false;
    std::string encoder;  // the encoder preset text after "-c:v"
    int gop = 0;          // round(target rate)
    std::string rate;     // the target rate text
    FrameSize size;
    std::string output;  // the converted file
};
std::string ConvertEntryCommand(const ConvertCommandArgs& args);

// floor(frames / sourceFps x outputFps); 0 when a rate is not positive. A rate pair whose product is an
// integer (300 frames at 30000/1001 to 25/1 is 250.25) never loses a frame to rounding.
int ConvertedFrameCount(int sourceFrames, double sourceFps, double outputFps);

// Frames of n converted files of totalFrames frames at fps joined with transitionSeconds cross-fades (0:
// concatenated): floor((totalFrames / fps - (n - 1) x transitionSeconds) x fps), never below 0.
int ConvertedMergeFrameCount(int totalFrames, int count, double transitionSeconds, double fps);

// The cross-fade length of a merge-tab entry: half a second at currentFps rounded to an even number of
// frames, played at the output rate (currentFps when that is not positive), rounded to hundredths.
// 29.97 -> 14 frames, at 25/1 0.56 s. 0 when both rates are 0.
double MergeTransitionDuration(double currentFps, double outputFps);
