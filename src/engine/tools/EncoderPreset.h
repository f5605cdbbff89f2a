#pragma once

#include <string>
#include <vector>

class CTarneloData;
struct SceneEntry;

// Encoder text inserted after "-c:v": row by CUDA use, column by quality (0 highest, 1 standard, 2 low).
const char* EncoderPreset(bool cuda, int quality);

// "-g" value: the frame rate rounded half away from zero.
int GopLength(double fps);

// How an encode times its frames: "-r rate", or with eachFrameOnce every frame once with its own time.
std::string FrameTimingOption(const std::string& rate, bool eachFrameOnce);

// Start and length of a scene's cut, both "%.6f" seconds. The per-frame time
// list is used when it covers the scene's end; otherwise frame / fps.
struct SceneTimeRange {
    std::string start;
    std::string duration;
};
SceneTimeRange ComputeSceneTimeRange(int firstFrame, int lastFrame, double fps, const std::vector<double>& times);

// The command that cuts one scene to its segment file, at rate, or with eachFrameOnce keeping every frame once
// with its own time (an input whose frames are not those of a constant rate). Paths are escaped here.
std::string SegmentCutCommand(const std::string& prefix, const SceneTimeRange& range, const std::string& input,
                              const std::string& encoder, int gop, const std::string& rate, const std::string& segment,
                              bool eachFrameOnce = false);

// The cut of scene from input in the project's encoder and quality: timed and keyed by the current file's
// rate and the per-frame time list, written at the source's rate.
std::string SceneCutCommand(const std::string& prefix, const CTarneloData& data, const SceneEntry& scene,
                            const std::string& input);
