#pragma once

// What the merge tab derives from its project and its two choices, without widgets: the merge information
// line, the converted files of a choice, and the list's converted properties after the choice changed.

#include <string>

#include "engine/merge/ConvertMerge.h"

class CTarneloData;

// "%s/%s Frm:%d/%d FPS:%.2f W%dxH%d": the joined output's time and frames (analysed and enabled videos at
// the output rate, the cross-fades taken off) against all analysed videos, the output rate and size; empty
// while the input video has no frames.
std::string MergeInfoText(const CTarneloData& data, const FrameSize& size, const FrameRate& rate);

// The pattern of every converted file of the choice in the output folder: "%s*_seg_%dx%d_%.02f.mp4".
std::string ConvertedFilePattern(const std::string& outputFolder, const FrameSize& size, const FrameRate& rate);

// After the size or the rate changed: each analysed video's converted properties become those of the new
// choice (its converted file keeps its name), and the cross-fade length follows the new rate. True when a
// video changed.
bool RetargetMergeList(CTarneloData& data, const FrameSize& size, const FrameRate& rate);
