#pragma once

#include <string>
#include <vector>

#include "engine/motion/MotionRecord.h"
#include "engine/scenes/SceneRules.h"

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
// The scenes that an extraction with the project's three settings finds, from the record's counts.
std::vector<SceneRange> RetunedScenes(const CTarneloData& data, const MotionRecord& record);
// A caption as an extraction writes it ("Scene" and three digits), which a re-tune numbers anew.
bool IsNumberedSceneCaption(const std::string& caption);
