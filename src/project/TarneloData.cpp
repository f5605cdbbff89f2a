#include "project/TarneloData.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

namespace {

constexpr int kStringNewProject = 1094;
constexpr const char* kNewProjectText = "新規プロジェクト";

struct StandardRate {
    int num;
    int den;
};

constexpr StandardRate kStandardRates[] = {
    {120000, 1001}, {60000, 1001}, {48000, 1001}, {30000, 1001}, {24000, 1001}, {120, 1}, {100, 1}, {60, 1}, {50, 1},
    {30, 1},        {25, 1},       {15, 1},       {12, 1},       {10, 1},       {8, 1},   {6, 1},   {1, 1},
};

std::string Trim(const std::string& text) {
    const char* kSpace = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace

void NumericSetting::UpdateText() {
    if (kind == 1) {
        const double truncated = std::trunc(value);
        const double limited = std::clamp(std::isfinite(truncated) ? truncated : 0.0, -2147483648.0, 2147483647.0);
        text = FormatC("%d", static_cast<int>(limited));
        return;
    }
    double shown = RoundThroughText(value, "%.2f");
    if (shown == 0) {
        shown = 0;  // never "-0.00"
    }
    text = FormatC("%.2f", shown);
    while (text.size() > 1 && text.back() == '0') {
        const size_t dot = text.find('.');
        if (dot == std::string::npos || text.size() - dot < 3) {
            break;
        }
        text.pop_back();
    }
    if (!text.empty() && text.back() == '.') {
        text += '0';
    }
}

void NumericSetting::Set(double v, double min, double max, double stepValue, int kindValue) {
    value = v;
    minimum = min;
    maximum = max;
    step = stepValue;
    kind = kindValue;
    UpdateText();
}

void NumericSetting::SetValueClamped(double v) {
    value = std::max(minimum, std::min(maximum, v));
    UpdateText();
}

void SnapFrameRate(VideoInfo& info, bool adjust) {
    const StandardRate* best = nullptr;
    double bestDifference = 0.005;
    for (const StandardRate& rate : kStandardRates) {
        const double difference = std::fabs(info.fps - static_cast<double>(rate.num) / rate.den);
        if (difference < bestDifference) {
            best = &rate;
            bestDifference = difference;
        }
    }
    if (best == nullptr) {
        return;
    }
    info.r_frame_rate = FormatC("%d/%d", best->num, best->den);
    info.fps = static_cast<double>(best->num) / best->den;
    // Adjusting keeps the frame count: it is counted from the file, only the rate was measured roughly.
    (void)adjust;
}

CaptionParam DefaultSceneCaption() { return CaptionParam{}; }

CaptionParam DefaultWatermarkCaption() {
    CaptionParam cap;
    cap.capTime_first = 0;
    cap.capTime_second = ParseTimeText("10:00:00.00");
    cap.caption = "Tarnelo\\NHexlow-Works.";
    cap.cap_pos_type = 5;
    cap.font_name = "Impact";
    cap.font_size = 37;
    cap.color = 0xC0FFFFFF;
    cap.bold = cap.italic = cap.underline = cap.strike_uut = 0;
    cap.encoding = 0;
    cap.outline = 0;
    return cap;
}

CaptionParam DefaultTitleCaption() {
    CaptionParam cap;
    cap.capTime_first = 0;
    cap.capTime_second = ParseTimeText("00:00:03.00");
    cap.caption.clear();
    cap.cap_pos_type = 5;
    cap.font_name = "Yu Gothic UI";
    cap.font_size = 32;
    cap.color = 0x00FFFFFF;
    cap.bold = -1;
    cap.italic = cap.underline = cap.strike_uut = 0;
    cap.encoding = 128;
    cap.outline = 2;
    return cap;
}

std::string FadingTitle(const std::string& text) { return "{\\fad(500,500)}" + text; }

SceneEntry::SceneEntry() = default;

SceneEntry::SceneEntry(int first, int second, std::string name)
    : framNo_first(first), framNo_second(second), fileName(std::move(name)) {}

int SceneEntry::FrameCount() const { return framNo_second - framNo_first + 1; }

CTarneloData::CTarneloData(bool cudaPresent) : use_cuda(cudaPresent) {}

namespace {

constexpr FlagSetting kFlags[] = {
    {"cine_sco", &CTarneloData::cine_sco, false, SettingGroup::kEffects},
    {"primaries", &CTarneloData::primaries, false, SettingGroup::kEffects},
    {"transition", &CTarneloData::transition, false, SettingGroup::kProject},
    {"chapters", &CTarneloData::chapters, false, SettingGroup::kProject, false},
    {"play_scene_loop", &CTarneloData::play_scene_loop, false, SettingGroup::kProject},
    {"play_loop", &CTarneloData::play_loop, false, SettingGroup::kProject},
};

constexpr NumberSetting kNumbers[] = {
    {"threshold", &CTarneloData::threshold, 100, 0, 1000, 1, 1, SettingGroup::kExtraction},
    {"compare_sec", &CTarneloData::compare_sec, 0.0, 0.0, 5.0, 0.1, 0, SettingGroup::kExtraction, false},
    {"valid_min_unit", &CTarneloData::valid_min_unit, 1.0, 1.0, 10.0, 0.01, 0, SettingGroup::kExtraction},
    {"cut_min_unit", &CTarneloData::cut_min_unit, 1.0, 1.0, 10.0, 0.01, 0, SettingGroup::kExtraction},
    {"pre_roll", &CTarneloData::pre_roll, 0.0, 0.0, 10.0, 0.1, 0, SettingGroup::kExtraction, false},
    {"post_roll", &CTarneloData::post_roll, 0.0, 0.0, 10.0, 0.1, 0, SettingGroup::kExtraction, false},
    {"max_len", &CTarneloData::max_len, 0.0, 0.0, 3600.0, 10.0, 0, SettingGroup::kExtraction, false},
    {"brightness", &CTarneloData::brightness, 0.0, -1.0, 1.0, 0.01, 0, SettingGroup::kEffects},
    {"saturation", &CTarneloData::saturation, 1.0, 0.0, 3.0, 0.01, 0, SettingGroup::kEffects},
    {"contrast", &CTarneloData::contrast, 1.0, 0.0, 2.0, 0.01, 0, SettingGroup::kEffects},
    {"gamma", &CTarneloData::gamma, 1.0, 0.1, 2.0, 0.01, 0, SettingGroup::kEffects},
};

}  // namespace

std::span<const FlagSetting> FlagSettings() { return kFlags; }

std::span<const NumberSetting> NumberSettings() { return kNumbers; }

bool RaiseSceneLimit(NumericSetting& max_len) {
    if (!(max_len.value > 0 && max_len.value < kShortestSceneLimit)) return false;
    max_len.SetValueClamped(kShortestSceneLimit);
    return true;
}

void ResetSettingGroup(CTarneloData& data, SettingGroup group) {
    for (const FlagSetting& flag : kFlags) {
        if (flag.group == group) data.*flag.field = flag.initial;
    }
    for (const NumberSetting& number : kNumbers) {
        if (number.group == group) {
            (data.*number.field).Set(number.initial, number.minimum, number.maximum, number.step, number.kind);
        }
    }
}

void CTarneloData::ResetExtractionSettings() { ResetSettingGroup(*this, SettingGroup::kExtraction); }

void CTarneloData::ResetEffectSettings() {
    ResetSettingGroup(*this, SettingGroup::kEffects);
    chroma_offset_u = 0;
    chroma_offset_v = 0;
}

void CTarneloData::ResetCaptionSettings() {
    diff_list.UpdateAll([](SceneEntry& scene) { scene.capParam = DefaultSceneCaption(); });
    capWatermark = DefaultWatermarkCaption();
    capTitle = DefaultTitleCaption();
}

void CTarneloData::ResetAll(bool keepProject) {
    ResetExtractionSettings();
    ResetEffectSettings();
    ResetCaptionSettings();
    if (!keepProject) {
        project_file.clear();
        UpdateTitle();
        input_file.clear();
        input_mp4_file.clear();
        output_folder.clear();
        output_name.clear();
        pts_file.clear();
        motion_file.clear();
        regions.clear();
        clock_start = RecordingClock{};
        m_detectClock = false;
        diff_list.Clear();
        SetPtsList({});
        list_idx = -1;
        list_col = -1;
        ResetSettingGroup(*this, SettingGroup::kProject);
        m_currentInfo = VideoInfo{};
        m_sourceInfo = VideoInfo{};
        m_inputFileInfo = VideoInfo{};
        TransitionDuration = 0.5;
        play_vol = 5;
    }
}

std::string CTarneloData::BuildTitle() const {
    if (project_file.empty()) {
        std::string name = LoadText(kStringNewProject);
        return name.empty() ? std::string(kNewProjectText) : name;
    }
    const VideoInfo& info = m_inputFileInfo;
    double frames = info.frame_num;
    if (!info.field_order.empty() && info.field_order != "progressive") {
        frames *= 2;  // interlaced: one field per picture
    }
    const double duration = m_currentInfo.fps > 0 ? frames / m_currentInfo.fps : 0;
    const std::string rotation = info.rotation != 0 ? FormatC(" Rot:%d", info.rotation) : std::string();
    const std::string fieldOrder =
        info.field_order.empty() ? std::string() : FormatC(" field_order:%s", info.field_order.c_str());
    return FileNamePart(project_file) + FormatC(" \"%s %s Frm:%d FPS:%.2f W%dxH%d%s%s\"",
                                                FileNamePart(input_file).c_str(),
                                                FormatTimeText(duration, true).c_str(), info.frame_num, info.fps,
                                                info.width, info.height, rotation.c_str(), fieldOrder.c_str());
}

void CTarneloData::UpdateTitle() {
    if (m_titleChanged) {
        m_titleChanged(BuildTitle());
    }
}

bool CTarneloData::LoadPtsList(const std::string& path) {
    SetPtsList({});
    std::error_code error;
    std::ifstream file;
    if (!std::filesystem::is_directory(path, error)) {
        file.open(path);
    }
    if (file.is_open()) {
        std::string line;
        while (std::getline(file, line)) {
            line = Trim(line);
            if (!line.empty()) {
                pts_list.push_back(ParseDouble(line));
            }
        }
        SetPtsList(std::move(pts_list));
        return true;
    }
    // A frame count beyond a day at 120 fps comes from a broken probe or file, not a video; making its list
    // would exhaust memory.
    constexpr int kMaxSynthesisedFrames = 24 * 3600 * 120;
    const VideoInfo& info = m_sourceInfo;
    if (info.fps > 0 && info.frame_num >= 0 && info.frame_num <= kMaxSynthesisedFrames) {
        pts_list.reserve(static_cast<size_t>(info.frame_num) + 1);
        for (int i = 0; i <= info.frame_num; ++i) {
            pts_list.push_back(RoundToDecimals(i / info.fps, 6));
        }
    }
    return !pts_list.empty();
}

void CTarneloData::SetPtsList(std::vector<double> times) {
    pts_list = std::move(times);
    std::shared_ptr<const std::vector<double>> timed;
    if (!IsPlainFrameTimes(pts_list, m_sourceInfo.fps)) timed = std::make_shared<const std::vector<double>>(pts_list);
    std::atomic_store(&m_timedFrames, std::move(timed));
}

bool CTarneloData::HasTimedFrames() const { return std::atomic_load(&m_timedFrames) != nullptr; }

FrameClock CTarneloData::SourceClock(double fps) const {
    return FrameClock(fps > 0 ? fps : m_currentInfo.fps, std::atomic_load(&m_timedFrames));
}

FrameClock CTarneloData::ClockOf(const std::string& file, double fps) const {
    if (file.empty() || !HasTimedFrames()) return FrameClock(fps);
    const std::string& working = input_mp4_file.empty() ? input_file : input_mp4_file;
    if (file == working) return SourceClock(fps);
    // A scene's cut keeps the times of its frames.
    const std::optional<std::pair<int, int>> range = SceneRangeOf(file);
    return range ? SourceClock(fps).Slice(range->first, range->second) : FrameClock(fps);
}

std::optional<std::pair<int, int>> CTarneloData::SceneRangeOf(const std::string& file) const {
    return diff_list.Read([&](const std::vector<SceneEntry>& scenes) {
        for (const SceneEntry& scene : scenes) {
            if (scene.fileName == file)
                return std::optional<std::pair<int, int>>({scene.framNo_first, scene.framNo_second});
        }
        return std::optional<std::pair<int, int>>();
    });
}

std::string CTarneloData::GetOutputPath() const {
    if (output_folder.empty() || output_name.empty()) {
        return {};
    }
    return output_folder + output_name;
}

void CTarneloData::SetSceneCaption(SceneEntry& scene, double start, double length, const std::string& text) const {
    scene.capParam.capTime_first = RoundThroughText(start, "%.02f");
    scene.capParam.capTime_second = RoundThroughText(length, "%.02f");
    scene.capParam.caption = text;
}

double CTarneloData::FrameToSeconds(int frame, double fps) const {
    const double rate = fps > 0 ? fps : m_currentInfo.fps;
    return rate > 0 ? frame / rate : 0;
}

std::string CTarneloData::FrameToTimeText(int frame) const {
    return SecondsToFrameTimeText(FrameToSeconds(frame), true);
}

std::string CTarneloData::FrameToTimeText(int frame, double fps) const {
    return SecondsToFrameTimeText(FrameToSeconds(frame, fps), false);
}

std::string CTarneloData::FrameToSecondsText(int frame, double fps, const char* format) const {
    return FormatNumberText(FrameToSeconds(frame, fps), format);
}

std::string CTarneloData::FormatNumberText(double value, const char* format) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return FormatC(format, value);
#pragma GCC diagnostic pop
}
