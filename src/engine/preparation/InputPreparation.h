#pragma once

#include <string>
#include <vector>

class CTarneloData;
struct VideoInfo;

// Cross-fade length for a frame rate: half a second rounded to an even number of frames, then to hundredths
// (30 fps: 14 frames, 0.47 s). 0 when the rate is not positive.
double ComputeTransitionDuration(double fps);

// Ending of the working MP4 copy: row by CUDA use, column by quality (0 highest, 1 standard, 2 low; others
// are clamped), so a copy made with other encoder settings never passes for this one.
const char* WorkingCopySuffix(bool cuda, int quality);

// The file name of path without folder and without its last extension; the whole name when it has no ".".
std::string MediaFileStem(const std::string& path);

// Output folder + stem of input + the suffix of the project's CUDA use and quality. The stem keeps a name
// without extension from becoming the copy's own name (which would make ffmpeg overwrite the input).
std::string WorkingCopyPath(const CTarneloData& data, const std::string& input);

// Output folder + stem of the input file + kPtsFileSuffix.
std::string DerivedPtsFilePath(const CTarneloData& data);

// A progressive MP4 (extension compared without case) is used as it is; anything else gets a working copy.
bool NeedsWorkingCopy(const std::string& fieldOrder, const std::string& input);

// The command that writes the working copy. Paths are escaped here.
std::string ConvertToMp4Command(const std::string& prefix, const std::string& input, const std::string& encoder,
                                int gop, const std::string& rate, bool deinterlace, const std::string& output,
                                bool eachFrameOnce = false);

// Frame times origin + i / fps for i = 0 .. frameCount as "%.6f" texts; empty when fps is not positive.
std::vector<std::string> GeneratePtsTexts(int frameCount, double fps, double origin = 0);

// Sibling of path that a writer fills before renaming it over path, so that an interrupted run never leaves
// a half-written file under the final name: "a/b_input_cs.mp4" gives "a/b_input_cs.part.mp4".
std::string PartialFilePath(const std::string& path);

// A working input whose frames are not provably those of a constant rate from 0: even a scan that skips the
// frame-time list needs it, to decode each frame once and to give the frames their times.
bool NeedsFrameTimeList(const VideoInfo& source);

// WM_APP_PLAY_POSITION's frame after a file is opened: position + 1 within 0 .. frameCount, 0 below 1.
int OpenedPlayPosition(int position, int frameCount);
