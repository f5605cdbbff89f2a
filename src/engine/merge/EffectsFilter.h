#pragma once

#include <string>

#include "engine/merge/PictureGeometry.h"

class CTarneloData;

// The picture part of a -vf value: look-up table and saturation, BT.709 tagging, cinemascope bars,
// the caption element and the fit-into-480x480 preview box. Pure text; nothing is started or written.

struct EffectsOptions {
    bool effects = false;     // picture settings and captions
    bool previewBox = false;  // scale into the 480x480 box with grey padding
    bool swap = false;        // the source is rotated by +-90 degrees: width and height exchanged
};

// Captions follow the merged output's timeline while the scene merge or extract-and-merge job runs.
bool IsWholeTimelineJob(int jobId);

// The chain for the project's settings; every element the effects add ends with ",", the preview box
// element has none. subtitleFilterText is the caption element (empty when no caption applies).
// A zero picture size (nothing probed) leaves out the bars and lets ffmpeg fit the picture into the box.
std::string BuildEffectsChain(const CTarneloData& data, const EffectsOptions& options,
                              const std::string& subtitleFilterText);

// Why the last BuildEffectsFilter / BuildSubtitleFilter call on this thread could not make a filter
// (empty when it could). A caller that finds a reason here must not run the command: the chain it got
// back is empty and carries none of the captions the user asked for.
const std::string& LastFilterError();
void SetLastFilterError(const std::string& reason);
