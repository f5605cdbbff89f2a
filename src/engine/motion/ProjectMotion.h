#pragma once

#include <string>
#include <vector>

#include "engine/motion/MotionRecord.h"
#include "engine/scenes/SceneRules.h"
#include "project/SceneEntry.h"

class CTarneloData;

// The motion record of a project's last extraction, as the CLI and the desktop program both find and trust it.

// The file the project names, else the one beside the project file.
std::string ProjectMotionRecordPath(const CTarneloData& data);
// Reads the project's record and checks it against the file its extraction decoded (the working copy when
// there is one). Anything but kOk is logged with the reason and leaves record untouched.
RecordStatus ReadProjectMotionRecord(const CTarneloData& data, MotionRecord& record);
// The count from which a frame of record is motion at a threshold setting (0..1000).
int RecordThresholdCount(const MotionRecord& record, double setting);
// The inverse: the setting (unrounded) whose count for record is count; 0 for a record without pixels.
double RecordThresholdSetting(const MotionRecord& record, double count);

// The settings a scene list is found with.
struct SceneTuning {
    double threshold = 0;
    double validSeconds = 0;
    double cutSeconds = 0;
    SceneShape shape;

    bool operator==(const SceneTuning&) const = default;
};
SceneTuning ProjectTuning(const CTarneloData& data);
void SetProjectTuning(CTarneloData& data, const SceneTuning& tuning);

// The scenes that an extraction with the project's settings finds, from the record's counts.
std::vector<SceneRange> RetunedScenes(const CTarneloData& data, const MotionRecord& record);
std::vector<SceneRange> RetunedScenes(const MotionRecord& record, const SceneTuning& tuning);
// A caption as an extraction writes it ("Scene" and three digits), which a re-tune numbers anew.
bool IsNumberedSceneCaption(const std::string& caption);
// The scene an extraction or a re-tune makes of range as the number-th (from 1) of its list: switched on,
// named after its range, with the numbered caption over its length (none when fps is unknown).
SceneEntry DetectedScene(const CTarneloData& data, const SceneRange& range, int number, double fps);
// True when a re-tune from before to after dropped the user's own work: a scene of before that the detection
// (detected) did not make as it is (its range, switch, caption, place, a copy or a part of a split) and that
// after does not hold as it was, or an order of the user's that after does not keep.
bool RetuneDropsUserEdits(const CTarneloData& data, const std::vector<SceneEntry>& before,
                          const std::vector<SceneRange>& detected, const std::vector<SceneEntry>& after, double fps);
// What keeps a record's counts from standing for the project's settings: counts against another reference
// frame, or over other areas of the picture, cannot give the scenes of these, so a re-tune needs a new scan.
// The analysis pixels the project's areas watch in its video (all of the analysis frame without areas); 0 when
// the areas leave nothing of the picture, which an extraction refuses.
int ProjectWatchedPixels(const CTarneloData& data);
enum class ScanMismatch { kNone, kCompare, kRegions };
ScanMismatch RecordScanMismatch(const MotionRecord& record, const CTarneloData& data);
