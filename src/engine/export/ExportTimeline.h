#pragma once

#include <string>
#include <vector>

#include "engine/merge/ConvertMerge.h"

class CTarneloData;

// The enabled scenes in list order as the timeline exports (and the joined output's chapters) place them:
// where each lies in the original recording and where the scene merge puts it in the joined output. Pure.

struct TimelineScene {
    int listPosition = 0;      // 0-based position in the scene list, disabled scenes counted
    int number = 0;            // 1-based scene number as the list shows it (listPosition + 1)
    int sourceFirst = 0;       // first frame of the recording
    int sourceLast = 0;        // last frame, inclusive
    double sourceIn = 0;       // seconds of the recording where sourceFirst is shown
    double sourceOut = 0;      // where the frame after sourceLast is shown (variable-rate inputs by their frame times)
    std::string caption;       // as the user typed it
    int captionPlace = 0;      // numeric-keypad place of the caption (2 bottom centre; 0: not shown)
    double captionStart = 0;   // seconds into the scene
    double captionLength = 0;  // seconds it is shown
    // On the joined output: the first frame the scene shows in (with cross-fades, where its fade-in begins) and
    // the frames it fills, fades included; with cross-fades a scene overlaps the next by ExportTimeline::fadeFrames.
    int outputStart = 0;
    int outputFrames = 0;
    double outputStartSeconds = 0;
    double outputSeconds = 0;
};

struct ExportTimeline {
    std::string sourcePath;  // the project's input video, absolute
    double fps = 0;          // 0 when the project knows no rate
    FrameRate rate;          // fps as a fraction; 0/1 without a rate
    int width = 0;
    int height = 0;
    int frameCount = 0;      // frames of the recording
    bool crossFade = false;  // the project's transition is on and at least two scenes are joined
    double fadeSeconds = 0;  // length of each cross-fade; 0 without
    int fadeFrames = 0;
    int outputFrames = 0;  // frames of the joined output
    std::vector<TimelineScene> scenes;
};

ExportTimeline BuildExportTimeline(const CTarneloData& data);

// The exact fraction of a rate: an NTSC rate (within 0.005 of n x 1000/1001) as n x 1000 / 1001, a whole rate
// as n/1, else rateText ("num/den") when it names the same rate, else fps in thousandths.
FrameRate ExactFrameRate(double fps, const std::string& rateText);
