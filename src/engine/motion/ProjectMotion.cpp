#include "engine/motion/ProjectMotion.h"

#include "engine/motion/AnalysisArea.h"
#include "engine/motion/ChangedPixels.h"
#include "engine/scenes/SceneRules.h"
#include "log/AppLog.h"
#include "project/NumericRules.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

std::string ProjectMotionRecordPath(const CTarneloData& data) {
    return data.motion_file.empty() ? MotionRecordPath(data.project_file) : data.motion_file;
}

RecordStatus ReadProjectMotionRecord(const CTarneloData& data, MotionRecord& record) {
    const std::string input = data.input_mp4_file.empty() ? data.input_file : data.input_mp4_file;
    const std::string path = ProjectMotionRecordPath(data);
    InputIdentity identity;
    MotionRecord read;
    RecordStatus status = RecordStatus::kMissing;
    if (!data.project_file.empty() || !data.motion_file.empty()) {
        status =
            ReadInputIdentity(input, identity) ? ReadMotionRecord(path, identity, read) : RecordStatus::kOtherInput;
    }
    if (status != RecordStatus::kOk) {
        AppLog().Log("%s(%d) motion record(%s) ignored: %s\n", "ReadProjectMotionRecord", __LINE__, path.c_str(),
                     RecordStatusText(status));
        return status;
    }
    record = std::move(read);
    return status;
}

int RecordThresholdCount(const MotionRecord& record, double setting) {
    return ScaledThreshold(record.WatchedPixels(), ThresholdCount(setting));
}

double RecordThresholdSetting(const MotionRecord& record, double count) {
    // Measured over the whole range, so the rounding of one count does not skew the scale.
    const double perSetting = RecordThresholdCount(record, 1000) / 1000.0;
    return perSetting > 0 ? count / perSetting : 0;
}

SceneTuning ProjectTuning(const CTarneloData& data) {
    return {data.threshold.value,
            data.valid_min_unit.value,
            data.cut_min_unit.value,
            {data.pre_roll.value, data.post_roll.value, data.max_len.value}};
}

void SetProjectTuning(CTarneloData& data, const SceneTuning& tuning) {
    data.threshold.SetValueClamped(tuning.threshold);
    data.valid_min_unit.SetValueClamped(tuning.validSeconds);
    data.cut_min_unit.SetValueClamped(tuning.cutSeconds);
    data.pre_roll.SetValueClamped(tuning.shape.preSeconds);
    data.post_roll.SetValueClamped(tuning.shape.postSeconds);
    data.max_len.SetValueClamped(tuning.shape.maxSeconds);
}

std::vector<SceneRange> RetunedScenes(const CTarneloData& data, const MotionRecord& record) {
    return RetunedScenes(record, ProjectTuning(data));
}

std::vector<SceneRange> RetunedScenes(const MotionRecord& record, const SceneTuning& tuning) {
    const int T = RecordThresholdCount(record, tuning.threshold);
    return ScenesOfCounts(record.counts, record.frameCount, record.fps, tuning.validSeconds, tuning.cutSeconds, T,
                          tuning.shape);
}

bool IsNumberedSceneCaption(const std::string& caption) {
    if (caption.size() != 8 || caption.compare(0, 5, "Scene") != 0) return false;
    for (size_t i = 5; i < 8; ++i) {
        if (caption[i] < '0' || caption[i] > '9') return false;
    }
    return true;
}

SceneEntry DetectedScene(const CTarneloData& data, const SceneRange& range, int number, double fps) {
    SceneEntry entry(range.first, range.second,
                     SegmentFileName(data.output_folder, SegmentFileBase(data.input_file), range.first, range.second));
    const double length = fps > 0 ? data.SourceClock(fps).Span(range.first, range.second) : 0;
    data.SetSceneCaption(entry, 0, length, FormatC("Scene%03d", number));
    return entry;
}

namespace {

// The same scene for the user: a re-tune numbers the extraction's captions anew, which loses nothing.
bool SameForUser(const SceneEntry& a, const SceneEntry& b) {
    if (a.framNo_first != b.framNo_first || a.framNo_second != b.framNo_second || a.enable != b.enable) return false;
    CaptionParam left = a.capParam;
    CaptionParam right = b.capParam;
    if (IsNumberedSceneCaption(left.caption) && IsNumberedSceneCaption(right.caption)) right.caption = left.caption;
    return left == right;
}

}  // namespace

bool RetuneDropsUserEdits(const CTarneloData& data, const std::vector<SceneEntry>& before,
                          const std::vector<SceneRange>& detected, const std::vector<SceneEntry>& after, double fps) {
    std::vector<bool> matched(after.size(), false);
    bool reordered = false;
    for (size_t i = 0; i < before.size(); ++i) {
        const SceneEntry& scene = before[i];
        if (i > 0 && scene.framNo_first < before[i - 1].framNo_first) reordered = true;
        const bool made =
            i < detected.size() && SameForUser(scene, DetectedScene(data, detected[i], static_cast<int>(i) + 1, fps));
        if (made) continue;
        // Each scene of after stands for one of before: a copy needs a copy.
        bool kept = false;
        for (size_t j = 0; j < after.size() && !kept; ++j) {
            if (!matched[j] && SameForUser(scene, after[j])) kept = matched[j] = true;
        }
        if (!kept) return true;
    }
    // The user's order: a re-tune lists the scenes by time again.
    return reordered && after.size() > 1;
}

int ProjectWatchedPixels(const CTarneloData& data) {
    return PlanAnalysisArea(data.m_currentInfo.width, data.m_currentInfo.height, data.regions).watched;
}

ScanMismatch RecordScanMismatch(const MotionRecord& record, const CTarneloData& data) {
    if (record.compareSeconds != data.compare_sec.value) return ScanMismatch::kCompare;
    if (record.regions != RegionsKey(data.regions)) return ScanMismatch::kRegions;
    return ScanMismatch::kNone;
}
