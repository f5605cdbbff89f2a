#pragma once

#include <optional>
#include <string>
#include <utility>

class CTarneloData;
struct SceneEntry;

// Where a frame shown lies in the recording, for its clock time.

// Seconds from the recording's start of frame of file: the working input itself, or a scene's cut file (its
// frames start at the scene's first); none for any other file (the merged output).
std::optional<double> RecordingSeconds(const CTarneloData& data, const std::string& file, int frame);
// A scene's start and end (where its last frame ends) in seconds from the recording's start; none without a
// frame rate.
std::optional<std::pair<double, double>> SceneRecordingSpan(const CTarneloData& data, const SceneEntry& scene);
