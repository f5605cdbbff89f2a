#include "engine/scenes/SceneRules.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

int SceneRunLength(double fps, double seconds) {
    const double frames = std::round(fps * seconds);
    if (!(frames > 0.0)) return 0;  // also NaN
    if (frames >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(frames);
}

SceneRules::SceneRules(int minFrames, int cutFrames) : m_minFrames(minFrames), m_cutFrames(cutFrames) {}

std::optional<SceneRange> SceneRules::Step(bool motion) {
    std::optional<SceneRange> confirmed;
    if (!motion) {
        if (m_open && m_still >= m_cutFrames) confirmed = CloseScene();
        ++m_still;
    } else if (m_open) {
        // A pause of up to C frames belongs to the scene. Exactly C still frames followed by motion
        // do not end it (that takes a further still frame), so they are counted in L as well:
        // otherwise first + L would fall short of the scene's real end at the final flush.
        if (m_still > 0 && m_still <= m_cutFrames) m_length += m_still;
        ++m_length;
        m_still = 0;
    } else {
        m_open = true;
        m_first = m_frame;
        m_length = 1;
        m_still = 0;
    }
    ++m_frame;
    return confirmed;
}

std::optional<SceneRange> SceneRules::CloseScene() {
    std::optional<SceneRange> confirmed;
    // L > 0 as well: with C = 0 a still first frame would otherwise confirm an empty scene.
    if (m_length > 0 && m_length >= m_minFrames) {
        confirmed = SceneRange(m_first, m_frame - m_still - 1);
    } else {
        m_still += m_length;  // a dropped scene's frames count as stillness
    }
    m_open = false;
    m_length = 0;
    m_first = m_frame;
    return confirmed;
}

std::optional<SceneRange> SceneRules::Flush(int exitCode, int frameCount) {
    std::optional<SceneRange> confirmed;
    if (exitCode == 0 && m_open && m_length > 0 && m_length >= m_minFrames) {
        const int64_t end = std::min<int64_t>(int64_t(m_first) + m_length, frameCount);
        if (end > m_first) confirmed = SceneRange(m_first, static_cast<int>(end - 1));
    }
    m_open = false;
    m_length = 0;
    return confirmed;
}

SceneShaper::SceneShaper(double fps, const SceneShape& shape, int frameCount)
    : m_pre(SceneRunLength(fps, shape.preSeconds)),
      m_post(SceneRunLength(fps, shape.postSeconds)),
      m_max(shape.maxSeconds > 0 ? std::max(1, SceneRunLength(fps, shape.maxSeconds)) : 0),
      m_last(frameCount - 1) {}

void SceneShaper::Take(const SceneRange& scene, std::vector<SceneRange>& out) {
    const int first = static_cast<int>(std::max<int64_t>(0, int64_t(scene.first) - m_pre));
    // Never short of the scene itself, whatever frame count the run was given.
    const int last =
        static_cast<int>(std::max<int64_t>(scene.second, std::min<int64_t>(m_last, int64_t(scene.second) + m_post)));
    if (m_held && int64_t(first) <= int64_t(m_held->second) + 1) {
        m_held->second = std::max(m_held->second, last);
        return;
    }
    Release(out);
    m_held = SceneRange(first, last);
}

void SceneShaper::NextStartsAtLeast(int first, std::vector<SceneRange>& out) {
    // The next scene, widened, starts at first - pre at the earliest; it joins the held one up to one frame on.
    if (m_held && int64_t(first) - m_pre > int64_t(m_held->second) + 1) Release(out);
}

void SceneShaper::Finish(std::vector<SceneRange>& out) { Release(out); }

void SceneShaper::Release(std::vector<SceneRange>& out) {
    if (!m_held) return;
    const auto [first, last] = *m_held;
    m_held.reset();
    const int64_t length = int64_t(last) - first + 1;
    const int64_t parts = m_max > 0 ? (length + m_max - 1) / m_max : 1;
    // Equal parts: their lengths differ by one frame at most, and none is longer than m_max.
    for (int64_t k = 0; k < parts; ++k) {
        out.emplace_back(static_cast<int>(first + k * length / parts),
                         static_cast<int>(first + (k + 1) * length / parts - 1));
    }
}

SceneScan::SceneScan(double fps, double validSeconds, double cutSeconds, int T, int frameCount, const SceneShape& shape)
    : m_rules(SceneRunLength(fps, validSeconds), SceneRunLength(fps, cutSeconds)),
      m_shaper(fps, shape, frameCount),
      m_threshold(T),
      m_frameCount(frameCount) {}

std::vector<SceneRange> SceneScan::Frame(int64_t count) {
    std::vector<SceneRange> out;
    if (auto scene = m_rules.Step(count >= m_threshold)) m_shaper.Take(*scene, out);
    // The open scene, even one the rules may still drop, is the earliest start a later scene can have.
    m_shaper.NextStartsAtLeast(m_rules.IsOpen() ? m_rules.SceneFirst() : m_rules.FrameIndex(), out);
    return Given(std::move(out));
}

std::vector<SceneRange> SceneScan::Finish(int exitCode) {
    std::vector<SceneRange> out;
    if (auto scene = m_rules.Flush(exitCode, m_frameCount)) m_shaper.Take(*scene, out);
    m_shaper.Finish(out);
    return Given(std::move(out));
}

std::vector<SceneRange> SceneScan::Given(std::vector<SceneRange> scenes) {
    const size_t room = static_cast<size_t>(kMaxScenesPerRun - std::min(m_given, kMaxScenesPerRun));
    if (scenes.size() > room) scenes.resize(room);
    m_given += static_cast<int>(scenes.size());
    return scenes;
}

std::vector<SceneRange> ScenesOfCounts(const std::vector<uint32_t>& counts, int frameCount, double fps,
                                       double validSeconds, double cutSeconds, int T, const SceneShape& shape) {
    SceneScan scan(fps, validSeconds, cutSeconds, T, frameCount, shape);
    std::vector<SceneRange> scenes;
    const size_t judged = std::min(counts.size(), static_cast<size_t>(std::max(frameCount, 0)));
    for (size_t i = 0; i < judged; ++i) {
        for (const SceneRange& scene : scan.Frame(counts[i])) scenes.push_back(scene);
        // The live run stops its decoder here, which ends it without the final scene.
        if (scan.Full()) return scenes;
    }
    for (const SceneRange& scene : scan.Finish(0)) scenes.push_back(scene);
    return scenes;
}

std::string SegmentFileBase(const std::string& inputFile) {
    const std::size_t slash = inputFile.rfind('/');
    const std::string name = slash == std::string::npos ? inputFile : inputFile.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return name;
    return name.substr(0, dot) + "_seg_";
}

std::string SegmentFileName(const std::string& outputFolder, const std::string& base, int first, int last) {
    return outputFolder + base + std::to_string(first) + "_" + std::to_string(last) + ".mp4";
}

int DefaultSceneLastFrame(double fps, int frameCount) {
    if (frameCount <= 0) return -1;
    const double threeSeconds = std::ceil(fps * 3.0);
    int length = frameCount;
    if (!(threeSeconds >= 1.0)) {
        length = 1;  // no usable frame rate (or NaN): keep at least the first frame
    } else if (threeSeconds < double(frameCount)) {
        length = static_cast<int>(threeSeconds);
    }
    return length - 1;
}

bool NameFits(const std::string& path) {
    constexpr size_t kMostNameBytes = 255;
    const size_t slash = path.find_last_of('/');
    return path.size() - (slash == std::string::npos ? 0 : slash + 1) <= kMostNameBytes;
}

bool SegmentNamesFit(const std::string& inputFile) {
    // The largest frame numbers a probed count can give.
    return NameFits(SegmentFileName("", SegmentFileBase(inputFile), INT_MAX, INT_MAX));
}
