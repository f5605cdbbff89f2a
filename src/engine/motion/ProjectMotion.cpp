#include "engine/motion/ProjectMotion.h"

#include "engine/motion/ChangedPixels.h"
#include "log/AppLog.h"
#include "project/NumericRules.h"
#include "project/TarneloData.h"

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
    return ScaledThreshold(record.width * record.height, ThresholdCount(setting));
}

double RecordThresholdSetting(const MotionRecord& record, double count) {
    // Measured over the whole range, so the rounding of one count does not skew the scale.
    const double perSetting = RecordThresholdCount(record, 1000) / 1000.0;
    return perSetting > 0 ? count / perSetting : 0;
}

std::vector<SceneRange> RetunedScenes(const CTarneloData& data, const MotionRecord& record) {
    const int T = RecordThresholdCount(record, data.threshold.value);
    return ScenesOfCounts(record.counts, record.frameCount, record.fps, data.valid_min_unit.value,
                          data.cut_min_unit.value, T);
}

bool IsNumberedSceneCaption(const std::string& caption) {
    if (caption.size() != 8 || caption.compare(0, 5, "Scene") != 0) return false;
    for (size_t i = 5; i < 8; ++i) {
        if (caption[i] < '0' || caption[i] > '9') return false;
    }
    return true;
}
