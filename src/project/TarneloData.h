#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "project/ClockTime.h"
#include "project/FileHelpers.h"
#include "project/FrameClock.h"
#include "project/MotionRegions.h"
#include "project/SceneEntry.h"
#include "project/SceneList.h"
#include "project/StringTable.h"
#include "project/TimeText.h"

// One numeric setting as the user edits it; text is the display form of value.
struct NumericSetting {
    double value = 0;
    double minimum = 0;
    double maximum = 0;
    double step = 0.001;
    std::string text;
    int kind = 0;  // 1 integer, 0 decimal

    NumericSetting() { UpdateText(); }

    // Rebuilds text from value: integer "%d" of the truncated value; decimal "%.2f" without a minus
    // zero and with trailing zeros dropped down to one decimal ("1.0", "0.25").
    void UpdateText();
    void Set(double v, double min, double max, double step, int kind);
    void SetValueClamped(double v);
};

struct WindowRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The project of one tab. Construction leaves the numeric settings without range; the owning tab runs
// ResetAll before use.
class CTarneloData {
public:
    explicit CTarneloData(bool cudaPresent = false);
    virtual ~CTarneloData() = default;
    CTarneloData(const CTarneloData&) = default;
    CTarneloData& operator=(const CTarneloData&) = default;
    CTarneloData(CTarneloData&&) = default;
    CTarneloData& operator=(CTarneloData&&) = default;

    // Full reset: the three groups, then (unless keepProject) the project, paths, lists and video records.
    // use_cuda, auto_save, auto_load, window_rect, quality and fast_scan are never touched.
    void ResetAll(bool keepProject);
    void ResetExtractionSettings();
    void ResetEffectSettings();
    void ResetCaptionSettings();  // also resets the caption of every scene in the list

    // Hands BuildTitle to m_titleChanged (nothing when none is set).
    void UpdateTitle();
    std::string BuildTitle() const;

    // Fills pts_list from a file of one time per line, or synthesises it from the source VideoInfo
    // when the file cannot be opened.
    bool LoadPtsList(const std::string& path);
    // Takes a new frame-time list for the working input and decides once whether its frames need their listed
    // times (see SourceClock).
    void SetPtsList(std::vector<double> times);
    // True when the working input's frames are not those of a constant rate from 0: its decode and cuts must
    // then keep every frame once with its own time.
    bool HasTimedFrames() const;
    // The clock of the working input's frames (fps when positive, else the current fps): timed by the frame-time
    // list when HasTimedFrames, else frame / fps as before. Safe to call while another thread sets a new list.
    FrameClock SourceClock(double fps = 0) const;
    // SourceClock when file is the working input, its slice for a scene's cut file, else a plain clock at fps.
    FrameClock ClockOf(const std::string& file, double fps) const;
    // The first and last frame of the scene whose cut file is file; none when no scene has it.
    std::optional<std::pair<int, int>> SceneRangeOf(const std::string& file) const;

    SceneList& Scenes() { return diff_list; }
    const SceneList& Scenes() const { return diff_list; }

    // output_folder + output_name when both are non-empty, else empty.
    std::string GetOutputPath() const;

    // Start and length rounded to hundredths as shown.
    void SetSceneCaption(SceneEntry& scene, double start, double length, const std::string& text) const;

    // Frame as "hh:mm:ss.cc" at the current fps, truncated to hundredths.
    std::string FrameToTimeText(int frame) const;
    // The same at fps when it is positive (else the current fps), without the truncation to hundredths.
    std::string FrameToTimeText(int frame, double fps) const;
    // Seconds of frame at fps (current fps when fps is not positive; 0 without a rate).
    double FrameToSeconds(int frame, double fps = 0) const;
    // frame / rate with the same rate choice, formatted with a printf format taking one double.
    std::string FrameToSecondsText(int frame, double fps, const char* format) const;
    // A double with a printf format taking one double.
    static std::string FormatNumberText(double value, const char* format);

    // Writes the project file (temporary file, fsync, rename); false leaves file and data unchanged.
    bool SaveProject(const std::string& path);
    // Reads a project file; false leaves the data unchanged.
    bool LoadProject(const std::string& path);

    std::string project_file;
    std::string input_file;
    std::string input_mp4_file;
    std::string output_folder;  // empty or ending in the separator
    std::string output_name;
    std::string pts_file;
    // The per-frame motion record of the last complete extraction (empty: none); checked before each use.
    std::string motion_file;
    // Seconds back of the frame each frame is compared with (0: the previous frame); the record keeps it.
    NumericSetting compare_sec;
    // When the recording started by the clock (unknown: times are offsets only); key clock_start when known.
    RecordingClock clock_start;
    // Set for a video opened as a new project: the input's preparation then takes clock_start from the input as
    // chosen. A project opened keeps the clock it stored, and one stored without any has none.
    bool m_detectClock = false;
    // The areas an extraction watches (none: the whole picture); kept by the project and the record.
    MotionRegions regions;
    // The scenes (scene tab) or input videos (merge tab); Scenes() is the same list.
    SceneList diff_list;
    bool cine_sco = false;
    bool transition = false;
    bool chapters = false;  // the scene merge gives the joined MP4 a chapter per scene
    bool primaries = false;
    NumericSetting threshold;
    NumericSetting brightness;
    NumericSetting saturation;
    NumericSetting contrast;
    NumericSetting gamma;
    NumericSetting valid_min_unit;
    NumericSetting cut_min_unit;
    // Seconds added before and after each scene, and the longest scene (0: none); see SceneShape.
    NumericSetting pre_roll;
    NumericSetting post_roll;
    NumericSetting max_len;
    bool use_cuda = false;
    bool auto_save = false;
    bool auto_load = false;
    WindowRect window_rect;
    bool play_scene_loop = false;
    bool play_loop = false;
    int list_idx = -1;
    int list_col = -1;
    double chroma_offset_u = 0;
    double chroma_offset_v = 0;
    VideoInfo m_currentInfo;    // probed last; its fps drives every frame/time conversion
    VideoInfo m_sourceInfo;     // the input or its working copy; stored in the project file
    VideoInfo m_inputFileInfo;  // the input exactly as chosen; shown in the title
    int play_vol = 5;
    int quality = 0;  // 0 highest, 1 standard, 2 low
    // A program setting like use_cuda, never written to the project: the extraction decodes the cheap way.
    bool fast_scan = false;
    // A program setting too: the scene list shows its column of clock times.
    bool show_clock_column = false;
    CaptionParam capWatermark;
    CaptionParam capTitle;
    std::vector<double> pts_list;
    // The list again when its times are irregular (read and replaced atomically), else null.
    std::shared_ptr<const std::vector<double>> m_timedFrames;
    double TransitionDuration = 0.5;
    // Told the new title whenever it may have changed; the front-end that shows a title sets it.
    std::function<void(const std::string&)> m_titleChanged;
};

// The settings a project stores under keys of their own, with what a reset gives them. The project file and
// the resets both read these tables, so a new setting is one row here besides its field.

// Which reset gives a setting its first value again: the extraction or effect settings (their reset
// buttons), or the whole project (a new project, a new video).
enum class SettingGroup { kExtraction, kEffects, kProject };

struct FlagSetting {
    const char* key;
    bool CTarneloData::*field;
    bool initial;
    SettingGroup group;
    // False: left out of the project file while at the initial value (as NumberSetting's).
    bool writtenAtInitial = true;
};

struct NumberSetting {
    const char* key;
    NumericSetting CTarneloData::*field;
    double initial;
    double minimum;
    double maximum;
    double step;
    int kind;  // 1 integer, 0 decimal
    SettingGroup group;
    // False: the key is left out of the project file while the value is the initial one, so a project that
    // does not use the setting is written as before it existed.
    bool writtenAtInitial = true;
};

std::span<const FlagSetting> FlagSettings();
std::span<const NumberSetting> NumberSettings();

// max_len is 0 (no limit) or from this many seconds on; a value between is raised to it.
inline constexpr double kShortestSceneLimit = 10.0;
// Raises a max_len between 0 and kShortestSceneLimit to the limit; true when it did.
bool RaiseSceneLimit(NumericSetting& max_len);

// Gives every setting of group its first value (numbers also their range).
void ResetSettingGroup(CTarneloData& data, SettingGroup group);
