#pragma once

// How tarnelo-cli sets up a project from its options, and the texts it prints about one. Inline and free of
// files and processes, so the unit tests call it with a plain CTarneloData.

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "project/FileHelpers.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace cli {

// Paths already made absolute by the caller; empty folder, name or project take the defaults of opening a video.
struct ExtractPaths {
    std::string input;
    std::string outputFolder;
    std::string projectFile;
};

// The scene settings given on the command line, clamped to their ranges as the edits clamp them.
// Returns one warning per value that was changed on the way.
inline std::vector<std::string> ApplySceneSettings(CTarneloData& data, const Options& o) {
    std::vector<std::string> warnings;
    auto apply = [&warnings](NumericSetting& setting, const std::optional<double>& given, const char* flag,
                             bool integer) {
        if (!given) return;
        const double wanted = integer ? std::trunc(*given) : *given;
        setting.SetValueClamped(wanted);
        const std::string prefix = std::string(flag) + " " + FormatC("%g", *given);
        if (setting.value != wanted) {
            warnings.push_back(prefix + " is outside " +
                               FormatC(integer ? "%.0f..%.0f" : "%.1f..%.1f", setting.minimum, setting.maximum) +
                               "; using " + setting.text);
        } else if (wanted != *given) {
            warnings.push_back(prefix + " is not a whole number; using " + setting.text);
        }
    };
    apply(data.threshold, o.threshold, "--threshold", true);
    apply(data.valid_min_unit, o.validSec, "--valid-sec", false);
    apply(data.cut_min_unit, o.cutSec, "--cut-sec", false);
    apply(data.compare_sec, o.compareSec, "--compare-sec", false);
    apply(data.pre_roll, o.preRoll, "--pre-roll", false);
    apply(data.post_roll, o.postRoll, "--post-roll", false);
    apply(data.max_len, o.maxSec, "--max-sec", false);
    if (o.maxSec && RaiseSceneLimit(data.max_len)) {
        warnings.push_back("--max-sec " + FormatC("%g", *o.maxSec) +
                           " is shorter than the shortest limit (0 is no limit); using " + data.max_len.text);
    }
    return warnings;
}

// Starts a new project for an extraction as opening a video does, then applies the settings clamped to their
// ranges as the edits clamp them. Returns one warning per value that was changed on the way.
inline std::vector<std::string> SetUpExtractProject(CTarneloData& data, const Options& o, const ExtractPaths& paths,
                                                    bool cudaPresent) {
    std::vector<std::string> warnings;
    data.ResetAll(false);

    data.input_mp4_file.clear();
    if (!paths.outputFolder.empty()) data.output_folder = SetTrailingSeparator(paths.outputFolder, true);
    data.output_name = o.outputName;
    data.project_file = paths.projectFile;
    ApplyVideoDefaults(data, paths.input);
    data.diff_list.Clear();
    data.list_idx = -1;

    warnings = ApplySceneSettings(data, o);

    if (o.quality) data.quality = *o.quality;
    data.use_cuda = o.cuda && cudaPresent;
    data.fast_scan = o.fastScan;
    if (o.cuda && !cudaPresent) warnings.push_back("no CUDA device found; encoding without CUDA");
    return warnings;
}

// The segment files of an earlier extraction of the same input, deleted before a new one.
inline std::string SegmentFilePattern(const CTarneloData& data) {
    return data.output_folder + ReplaceExtension(FileNamePart(data.input_file), "_seg_") + "*.mp4";
}

// Time of a frame at the source rate, as the lists show it.
inline std::string SceneTimeText(const CTarneloData& data, int frame) {
    return SecondsToFrameTimeText(data.SourceClock(data.m_sourceInfo.fps).Seconds(frame), true);
}

// The scene list as a table: index, on/off, first and last frame, start and end time, duration, file name.
inline std::string FormatSceneTable(const CTarneloData& data) {
    std::string text = FormatC("%4s  %-3s  %8s  %8s  %-11s  %-11s  %-11s  %s\n", "#", "on", "first", "last", "start",
                               "end", "duration", "file");
    int index = 0;
    for (const SceneEntry& scene : data.diff_list.Snapshot()) {
        ++index;
        const std::string start = SceneTimeText(data, scene.framNo_first);
        const std::string end = SceneTimeText(data, scene.framNo_second + 1);
        const FrameClock clock = data.SourceClock(data.m_sourceInfo.fps);
        const std::string duration =
            SecondsToFrameTimeText(clock.Seconds(scene.framNo_second + 1) - clock.Seconds(scene.framNo_first), true);
        text += FormatC("%4d  %-3s  %8d  %8d  %-11s  %-11s  %-11s  %s\n", index, scene.enable ? "on" : "off",
                        scene.framNo_first, scene.framNo_second, start.c_str(), end.c_str(), duration.c_str(),
                        FileNamePart(scene.fileName).c_str());
    }
    if (data.diff_list.Empty()) text += "(no scenes)\n";
    return text;
}

// A value as the correction prints it: "%.2f", never "-0.00".
inline std::string CorrectionValueText(double value) { return FormatC("%.2f", std::fabs(value) < 0.005 ? 0.0 : value); }

// The result of the automatic correction: the four settings and the two chroma offsets, one per line.
inline std::string FormatCorrection(const CTarneloData& data) {
    const struct {
        const char* name;
        double value;
    } rows[] = {{"brightness", data.brightness.value},     {"contrast", data.contrast.value},
                {"saturation", data.saturation.value},     {"gamma", data.gamma.value},
                {"chroma_offset_u", data.chroma_offset_u}, {"chroma_offset_v", data.chroma_offset_v}};
    std::string text;
    for (const auto& row : rows) text += FormatC("%-16s %s\n", row.name, CorrectionValueText(row.value).c_str());
    return text;
}

// The videos of a join as a table: index, whether it was joined, the source's size, rate, frames and sound,
// the frames after conversion, and the video as given.
inline std::string FormatJoinTable(const CTarneloData& data) {
    std::string text = FormatC("%4s  %-4s  %-9s  %-11s  %7s  %-5s  %9s  %s\n", "#", "used", "size", "rate", "frames",
                               "audio", "converted", "file");
    int index = 0;
    for (const SceneEntry& entry : data.diff_list.Snapshot()) {
        ++index;
        const std::string file = entry.m_sourcePath.empty() ? entry.m_fileToUse : entry.m_sourcePath;
        if (!entry.m_created) {
            text += FormatC("%4d  %-4s  %-9s  %-11s  %7s  %-5s  %9s  %s\n", index, "no", "-", "-", "-", "-", "-",
                            file.c_str());
            continue;
        }
        const VideoInfo& source = entry.m_segmentInfo;
        const std::string size = FormatC("%dx%d", source.width, source.height);
        text += FormatC("%4d  %-4s  %-9s  %-11s  %7d  %-5s  %9d  %s\n", index, entry.enable ? "yes" : "no",
                        size.c_str(), source.r_frame_rate.c_str(), source.frame_num, source.has_audio ? "yes" : "no",
                        entry.m_convertedInfo.frame_num, file.c_str());
    }
    return text;
}

// Forward-only progress in whole percent: Update is true when another line (or redraw) is due. A new total
// starts a new run.
class ProgressMeter {
public:
    void Reset() {
        m_lastPercent = -1;
        m_total = -1;
    }

    // total and current as WM_APP_JOB_PROGRESS carries them; current is capped at total.
    bool Update(long long total, long long current) {
        if (total <= 0) return false;
        if (total != m_total) {
            m_total = total;
            m_lastPercent = -1;
        }
        if (current > total) current = total;
        if (current < 0) current = 0;
        m_current = current;
        const int percent = static_cast<int>(current * 100 / total);
        if (percent <= m_lastPercent) return false;
        m_lastPercent = percent;
        return true;
    }

    int Percent() const { return m_lastPercent; }
    long long Total() const { return m_total; }
    long long Current() const { return m_current; }

private:
    int m_lastPercent = -1;
    long long m_total = -1;
    long long m_current = 0;
};

// "Scene Extract  42% (756/1800)" for logs; with a bar for a terminal.
inline std::string FormatProgress(const std::string& name, const ProgressMeter& meter, bool bar) {
    const std::string counts = FormatC("%3d%% (%lld/%lld)", meter.Percent(), meter.Current(), meter.Total());
    if (!bar) return name + " " + counts;
    constexpr int kWidth = 30;
    const int filled = meter.Percent() * kWidth / 100;
    return name + " [" + std::string(static_cast<size_t>(filled), '#') +
           std::string(static_cast<size_t>(kWidth - filled), '-') + "] " + counts;
}

}  // namespace cli
