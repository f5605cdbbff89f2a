#pragma once

// The arithmetic of the player controls, free of widgets so that one table test checks it: where each seek
// button goes, where a restarted player begins, the position text the engine plays from, and the mapping
// between slider values, points on the slider and frames.

#include <string>
#include <vector>

#include "project/FrameClock.h"

// The seek buttons in the panel's order: 1065, 1066, 1061, 1062, 1063, 1064.
enum class SeekButton { kPrevFrame, kNextFrame, kBack10, kForward10, kBack60, kForward60 };

struct SeekState {
    int frame = 0;                  // the player frame
    double seconds = 0;             // the player position text as a number
    double fps = 0;                 // the working video's rate
    int frameCount = 0;             // the working video's frames
    bool outputOpen = false;        // the merged output is in the player: 1063/1064 step between its scenes
    std::vector<int> outputStarts;  // where the enabled scenes begin in the output (-1: disabled row)
};

// The frame a button seeks to (not yet clamped below by the seek itself).
int SeekButtonTarget(SeekButton button, const SeekState& state);

// The largest output start below frame, else 0; the smallest above frame capped at last, else last.
int PreviousSceneStart(const std::vector<int>& starts, int frame);
int NextSceneStart(const std::vector<int>& starts, int frame, int last);

// A restarted player begins on a whole second: with R = round(fps), H = round(R * 0.5) and t = frame + H,
// a t before the last frame snaps to t - t mod R, capped at the last frame. Negative frames count as 0.
int RestartFrame(int frame, double fps, int frameCount);

// The time text ("%.6f" seconds) the player starts from at frame; the last frame's time is cut, not
// rounded, to six decimals, so that the player does not start past the end.
std::string SeekTimeText(int frame, const FrameClock& clock, int frameCount);

// The slider value under x: the channel runs from channelLeft to channelRight and the thumb is thumbWidth
// wide; the result is clamped to [minimum, maximum].
int SliderValueAt(int x, int minimum, int maximum, int channelLeft, int channelRight, int thumbWidth);

// The seek slider (0..1000) at shown frames of total (0 while total < 1).
int SliderValueOfShown(int shown, int total);
// The seek slider showing frame of count; the final frame shows as the end.
int SeekSliderValue(int frame, int count);
// The frame a seek-slider value stands for in a video of count frames.
int FrameOfSeekSlider(int value, int count);

// The file line: "%s Frm:%d FPS:%.2f W%dxH%d%s %s" (total time, frames, rate, size, " Rot:%d" when rotated,
// the file's name); empty without a file.
std::string PlayerFileLine(const std::string& file, int frameCount, const FrameClock& clock, int width, int height,
                           int rotation);
