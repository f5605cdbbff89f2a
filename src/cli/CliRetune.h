#pragma once

// The scenes of a project's motion record put in place of its list, and the segment files that brings: what
// retune does, and what a batch extract does for a video it has scanned before.

#include <string>

#include "engine/TarneloProcess.h"
#include "engine/motion/MotionRecord.h"

class CTarneloData;

namespace cli {

struct SegmentCuts {
    int cut = 0;
    int kept = 0;  // already there
    int failed = 0;
};

// Cuts the segment file of every scene that has none (under a stop request: none after it). With noCut nothing
// is cut and such scenes are not counted. The engine's input must be prepared.
SegmentCuts CutMissingSegments(CTarneloProcess& engine, CTarneloData& data, bool noCut);

// Replaces the list with the scenes the project's settings find in record (a range that stays keeps its entry
// and file), deletes the files of the ranges that went and cuts the missing ones as CutMissingSegments does.
SegmentCuts RetuneFromRecord(CTarneloProcess& engine, CTarneloData& data, const MotionRecord& record, bool noCut);

// "N segment files could not be cut", with the words of the last tool that failed when it left any.
std::string CutFailureText(const CTarneloProcess& engine, const SegmentCuts& cuts);

}  // namespace cli
