#pragma once

#include <string>
#include <vector>

#include "engine/export/ExportTimeline.h"

class CTarneloData;

// The timeline writers, each a pure text of the project's enabled scenes cut from the original recording, and
// what they share. Exports.h is the face the front-ends use.

std::string MltText(const CTarneloData& data);
std::string FcpxmlText(const CTarneloData& data);
std::string EdlText(const CTarneloData& data);
std::string OtioText(const CTarneloData& data);

// A scene on one track whose clips meet at cuts: a cross-fade is centred on its cut and draws on the frames
// beyond each clip's cut (its handles), as the formats with a single track place a dissolve.
struct CutClip {
    int recordStart = 0;  // output frame of the clip's first cut
    int frames = 0;       // frames up to the next cut
    int sourceStart = 0;  // source frame shown at recordStart
    int fadeBefore = 0;   // frames of the incoming cross-fade before recordStart (0: a plain cut)
    int fadeAfter = 0;    // and after it
};
std::vector<CutClip> CutClips(const ExportTimeline& timeline);

// The frame of the recording at the constant rate where scene starts (its first frame, when the rate is constant).
int SourceGridFrame(const TimelineScene& scene, double fps);

// The name the exports give the timeline: the project file's name without extension, else the input's.
std::string TimelineName(const CTarneloData& data);

// "file://" and the absolute path, each byte outside the unreserved characters and "/" percent-encoded.
std::string FileUrl(const std::string& path);

// Whether the rate counts timecode with dropped frame numbers (29.97 and 59.94).
bool IsDropFrameRate(const FrameRate& rate);
// "hh:mm:ss:ff" of frame at rate; drop-frame rates give "hh:mm:ss;ff" with their skipped numbers.
std::string Timecode(long long frame, const FrameRate& rate);
