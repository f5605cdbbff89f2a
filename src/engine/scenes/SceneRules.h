#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The rules that turn per-frame motion decisions into scenes, and the names of
// the files the scenes are cut to. No threads, no files: the extraction loop
// feeds frames in and appends what comes out.

// Frames in `seconds` at `fps`, rounded half away from zero (0 for a
// non-finite or negative product).
int SceneRunLength(double fps, double seconds);

// A scene as first and last frame, both inclusive.
using SceneRange = std::pair<int, int>;

class SceneRules {
public:
    // minFrames (V): shortest scene kept; cutFrames (C): stillness that ends a scene.
    SceneRules(int minFrames, int cutFrames);

    // Judges the next frame; returns the scene confirmed at this frame, if any.
    std::optional<SceneRange> Step(bool motion);

    // After the decoder has exited: the open scene, when the run ended normally
    // and the scene is long enough. Closes the scene either way.
    std::optional<SceneRange> Flush(int exitCode, int frameCount);

    int MinFrames() const { return m_minFrames; }
    int CutFrames() const { return m_cutFrames; }
    int FrameIndex() const { return m_frame; }    // i: the frame judged next
    int StillRun() const { return m_still; }      // S: still frames before frame i
    int SceneLength() const { return m_length; }  // L: length of the open scene
    int SceneFirst() const { return m_first; }    // F: first frame of the open scene
    bool IsOpen() const { return m_open; }

private:
    std::optional<SceneRange> CloseScene();

    int m_minFrames;
    int m_cutFrames;
    int m_frame = 0;
    int m_still = 0;
    int m_length = 0;
    int m_first = 0;
    bool m_open = true;  // a run starts with a scene open at frame 0
};

// The most scenes one extraction finds; the decoder is stopped at the last one.
inline constexpr int kMaxScenesPerRun = 999;

// What is done to the scenes the rules find, in seconds (all 0: they are kept as found). Each scene is widened
// by the padding, within the recording; widened scenes that touch or overlap become one; a scene longer than
// maxSeconds is then split into equal parts no longer than that.
struct SceneShape {
    double preSeconds = 0;
    double postSeconds = 0;
    double maxSeconds = 0;  // 0: no limit

    bool operator==(const SceneShape&) const = default;
};

// The scene rules' findings widened, joined and split as shape says. A scene is held back until the rules
// know that no later scene can reach it, so the scenes come out one by one in their final form.
class SceneShaper {
public:
    // frameCount: the recording's frames, which the padding does not leave.
    SceneShaper(double fps, const SceneShape& shape, int frameCount);

    // A scene the rules confirmed; earlier scenes it cannot join are appended to out.
    void Take(const SceneRange& scene, std::vector<SceneRange>& out);
    // No later scene will start before frame `first`: what that leaves alone goes to out.
    void NextStartsAtLeast(int first, std::vector<SceneRange>& out);
    // The end of the run: everything held back goes to out.
    void Finish(std::vector<SceneRange>& out);

private:
    void Release(std::vector<SceneRange>& out);

    int m_pre;
    int m_post;
    int m_max;
    int m_last;
    std::optional<SceneRange> m_held;
};

// An extraction's judging of frames by their counts of changed pixels: a frame is motion when its count
// reaches the threshold T. The live decode and a recorded count list both go through it, so a re-tune can
// never find other scenes than a fresh extraction with the same settings.
class SceneScan {
public:
    // The scene lengths in seconds at fps, as the extraction takes them; T is the scaled threshold; frameCount
    // the frames of the recording.
    SceneScan(double fps, double validSeconds, double cutSeconds, int T, int frameCount, const SceneShape& shape = {});

    // The next frame's count; the scenes final at this frame (none at most frames).
    std::vector<SceneRange> Frame(int64_t count);
    // After the last frame: the scenes held back, and the open scene when the decoder ended normally.
    std::vector<SceneRange> Finish(int exitCode);
    int Threshold() const { return m_threshold; }
    // kMaxScenesPerRun scenes have been given out; none follows.
    bool Full() const { return m_given >= kMaxScenesPerRun; }

private:
    std::vector<SceneRange> Given(std::vector<SceneRange> scenes);

    SceneRules m_rules;
    SceneShaper m_shaper;
    int m_threshold;
    int m_frameCount;
    int m_given = 0;
};

// The scenes a complete extraction finds from counts measured on frameCount frames (counts beyond it were
// never judged): what the live loop would append, stopping at kMaxScenesPerRun as it does.
std::vector<SceneRange> ScenesOfCounts(const std::vector<uint32_t>& counts, int frameCount, double fps,
                                       double validSeconds, double cutSeconds, int T, const SceneShape& shape = {});

// Base of a segment file name: the input's name without folder and last
// extension, followed by "_seg_"; a name without a '.' is used as it is.
std::string SegmentFileBase(const std::string& inputFile);

// outputFolder (ending with a separator) + base + "first_last.mp4".
std::string SegmentFileName(const std::string& outputFolder, const std::string& base, int first, int last);

// Whether the last component of path fits the 255 bytes a file name may have.
bool NameFits(const std::string& path);
// Whether every segment file of inputFile fits that limit, whatever frames its scenes span.
bool SegmentNamesFit(const std::string& inputFile);

// Last frame of the scene put in place when an extraction finds none: the first
// three seconds, at most the whole video, at least frame 0. -1 when there are no frames.
int DefaultSceneLastFrame(double fps, int frameCount);
