// Reading and writing of the ".kpproj" project file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/AtomicFile.h"
#include "project/TarneloData.h"

using nlohmann::json;

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

// A member of the wrong type inside a scene or caption object; ends the load with false.
struct WrongMemberType {};

// "number" members: integer, unsigned and float JSON numbers; floats truncate toward zero and values beyond
// the target's range are limited to it.
template <typename Int>
Int NumberToInt(const json& value) {
    constexpr double kMin = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double kMax = static_cast<double>(std::numeric_limits<Int>::max());
    double number = 0;
    if (value.is_number_unsigned()) {
        const auto u = value.get<uint64_t>();
        return u > static_cast<uint64_t>(std::numeric_limits<Int>::max()) ? std::numeric_limits<Int>::max()
                                                                          : static_cast<Int>(u);
    }
    if (value.is_number_integer()) {
        const auto i = value.get<int64_t>();
        if (i < static_cast<int64_t>(std::numeric_limits<Int>::min())) {
            return std::numeric_limits<Int>::min();
        }
        if (i > static_cast<int64_t>(std::numeric_limits<Int>::max())) {
            return std::numeric_limits<Int>::max();
        }
        return static_cast<Int>(i);
    }
    number = std::trunc(value.get<double>());
    if (!(number >= kMin)) {
        return std::numeric_limits<Int>::min();
    }
    if (number >= kMax) {
        return std::numeric_limits<Int>::max();
    }
    return static_cast<Int>(number);
}

// Root members: read only when present with the right type, otherwise skipped.
void ReadString(const json& object, const char* key, std::string& field) {
    if (auto it = object.find(key); it != object.end() && it->is_string()) {
        field = it->get<std::string>();
    }
}

void ReadBool(const json& object, const char* key, bool& field) {
    if (auto it = object.find(key); it != object.end() && it->is_boolean()) {
        field = it->get<bool>();
    }
}

template <typename Int>
void ReadInt(const json& object, const char* key, Int& field) {
    if (auto it = object.find(key); it != object.end() && it->is_number()) {
        field = NumberToInt<Int>(*it);
    }
}

void ReadDouble(const json& object, const char* key, double& field) {
    if (auto it = object.find(key); it != object.end() && it->is_number()) {
        field = it->get<double>();
    }
}

void ReadSetting(const json& object, const char* key, NumericSetting& setting) {
    if (auto it = object.find(key); it != object.end() && it->is_number()) {
        setting.SetValueClamped(it->get<double>());
    }
}

// Members inside scene and caption objects: absent is fine, present with the wrong type is not.
void ReadStrictString(const json& object, const char* key, std::string& field) {
    if (auto it = object.find(key); it != object.end()) {
        if (!it->is_string()) {
            throw WrongMemberType{};
        }
        field = it->get<std::string>();
    }
}

template <typename Int>
void ReadStrictInt(const json& object, const char* key, Int& field) {
    if (auto it = object.find(key); it != object.end()) {
        if (!it->is_number()) {
            throw WrongMemberType{};
        }
        field = NumberToInt<Int>(*it);
    }
}

void ReadStrictDouble(const json& object, const char* key, double& field) {
    if (auto it = object.find(key); it != object.end()) {
        if (!it->is_number()) {
            throw WrongMemberType{};
        }
        field = it->get<double>();
    }
}

void ReadStrictBool(const json& object, const char* key, bool& field) {
    if (auto it = object.find(key); it != object.end()) {
        if (!it->is_boolean()) {
            throw WrongMemberType{};
        }
        field = it->get<bool>();
    }
}

const json& RequireObject(const json& value) {
    if (!value.is_object()) {
        throw WrongMemberType{};
    }
    return value;
}

// Read onto the default scene caption, so members the object lacks take the scene defaults.
CaptionParam ReadCaption(const json& value) {
    const json& object = RequireObject(value);
    CaptionParam cap = DefaultSceneCaption();
    ReadStrictDouble(object, "capTime_first", cap.capTime_first);
    ReadStrictDouble(object, "capTime_second", cap.capTime_second);
    ReadStrictString(object, "caption", cap.caption);
    ReadStrictInt(object, "cap_pos_type", cap.cap_pos_type);
    ReadStrictString(object, "font_name", cap.font_name);
    ReadStrictInt(object, "font_size", cap.font_size);
    ReadStrictInt(object, "color", cap.color);
    ReadStrictInt(object, "bold", cap.bold);
    ReadStrictInt(object, "italic", cap.italic);
    ReadStrictInt(object, "underline", cap.underline);
    ReadStrictInt(object, "strike_uut", cap.strike_uut);
    ReadStrictInt(object, "encoding", cap.encoding);
    ReadStrictInt(object, "outline", cap.outline);
    return cap;
}

// A scene lacking "enable" counts as enabled, like a newly made scene; scenes read from a file are created.
SceneEntry ReadScene(const json& value) {
    const json& object = RequireObject(value);
    SceneEntry scene(0, 0, std::string());
    ReadStrictBool(object, "enable", scene.enable);
    ReadStrictInt(object, "framNo_first", scene.framNo_first);
    ReadStrictInt(object, "framNo_second", scene.framNo_second);
    ReadStrictString(object, "fileName", scene.fileName);
    if (auto it = object.find("capParam"); it != object.end()) {
        scene.capParam = ReadCaption(*it);
    } else {
        // Older layout: the caption's times and text directly in the scene.
        ReadStrictDouble(object, "capTime_first", scene.capParam.capTime_first);
        ReadStrictDouble(object, "capTime_second", scene.capParam.capTime_second);
        ReadStrictString(object, "caption", scene.capParam.caption);
    }
    return scene;
}

// Older layout: one caption style in the root for every scene; absent members leave the scene's value.
void ApplyRootCaptionStyle(const json& root, std::vector<SceneEntry>& scenes) {
    auto fontName = root.find("font_name");
    if (fontName == root.end() || !fontName->is_string()) {
        return;
    }
    for (SceneEntry& scene : scenes) {
        CaptionParam& cap = scene.capParam;
        cap.font_name = fontName->get<std::string>();
        ReadInt(root, "font_size", cap.font_size);
        ReadInt(root, "color", cap.color);
        ReadInt(root, "bold", cap.bold);
        ReadInt(root, "italic", cap.italic);
        ReadInt(root, "underline", cap.underline);
        ReadInt(root, "strike_uut", cap.strike_uut);
        ReadInt(root, "encoding", cap.encoding);
        ReadInt(root, "cap_pos_type", cap.cap_pos_type);
    }
}

json CaptionToJson(const CaptionParam& cap) {
    json object = json::object();
    object["capTime_first"] = cap.capTime_first;
    object["capTime_second"] = cap.capTime_second;
    object["caption"] = cap.caption;
    object["cap_pos_type"] = cap.cap_pos_type;
    object["font_name"] = cap.font_name;
    object["font_size"] = cap.font_size;
    object["color"] = cap.color;
    object["bold"] = cap.bold;
    object["italic"] = cap.italic;
    object["underline"] = cap.underline;
    object["strike_uut"] = cap.strike_uut;
    object["encoding"] = cap.encoding;
    object["outline"] = cap.outline;
    return object;
}

json ProjectToJson(const CTarneloData& data) {
    json root = json::object();
    root["project_file"] = data.project_file;
    root["input_file"] = data.input_file;
    root["input_mp4_file"] = data.input_mp4_file;
    root["output_folder"] = data.output_folder;
    root["output_name"] = data.output_name;
    root["pts_file"] = data.pts_file;
    // Only projects with a record carry its key, so every other project is written as before.
    if (!data.motion_file.empty()) root["motion_file"] = data.motion_file;
    if (!data.regions.empty()) root["regions"] = RegionsToJson(data.regions);
    if (data.clock_start.known) root["clock_start"] = ClockText(data.clock_start, 0);
    // The keys are written sorted, so the table's order does not show in the file.
    for (const FlagSetting& flag : FlagSettings()) {
        if (flag.writtenAtInitial || data.*flag.field != flag.initial) root[flag.key] = data.*flag.field;
    }
    for (const NumberSetting& number : NumberSettings()) {
        const double value = (data.*number.field).value;
        if (number.writtenAtInitial || value != number.initial) root[number.key] = value;
    }
    json scenes = json::array();
    for (const SceneEntry& scene : data.diff_list.Snapshot()) {
        json object = json::object();
        object["enable"] = scene.enable;
        object["framNo_first"] = scene.framNo_first;
        object["framNo_second"] = scene.framNo_second;
        object["fileName"] = scene.fileName;
        object["capParam"] = CaptionToJson(scene.capParam);
        scenes.push_back(std::move(object));
    }
    root["diff_list"] = std::move(scenes);
    root["list_idx"] = data.list_idx;
    const VideoInfo& source = data.m_sourceInfo;
    root["r_frame_rate"] = source.r_frame_rate;
    root["fps"] = source.fps;
    root["frame_num"] = source.frame_num;
    root["width"] = source.width;
    root["height"] = source.height;
    root["rotation"] = source.rotation;
    root["start_frame"] = source.start_frame;
    root["field_order"] = source.field_order;
    root["sar_num"] = source.sar_num;
    root["sar_den"] = source.sar_den;
    root["play_vol"] = data.play_vol;
    root["capWatermark"] = CaptionToJson(data.capWatermark);
    root["capTitle"] = CaptionToJson(data.capTitle);
    return root;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    char buffer[65536];
    while (ok) {
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ok;
}

bool EndsWithIgnoringCase(const std::string& text, const std::string& ending) {
    if (text.size() < ending.size()) {
        return false;
    }
    for (size_t i = 0; i < ending.size(); ++i) {
        const unsigned char a = static_cast<unsigned char>(text[text.size() - ending.size() + i]);
        const unsigned char b = static_cast<unsigned char>(ending[i]);
        if (std::tolower(a) != std::tolower(b)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool CTarneloData::SaveProject(const std::string& path) {
    std::string bytes;
    try {
        bytes = kBom + ProjectToJson(*this).dump(4) + "\n";
    } catch (const json::exception&) {
        errno = EILSEQ;  // a text that is not valid UTF-8 cannot be written faithfully
        return false;
    }
    if (!platform::WriteFileAtomically(path, bytes)) {
        return false;
    }
    project_file = path;
    UpdateTitle();
    return true;
}

bool CTarneloData::LoadProject(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text) || text.empty()) {
        return false;
    }

    // Read onto a copy and take it over only when everything was read, so a bad file changes nothing.
    CTarneloData loaded(*this);
    try {
        const json root = json::parse(text);
        if (!root.is_object()) {
            return false;
        }
        ReadString(root, "project_file", loaded.project_file);
        ReadString(root, "input_file", loaded.input_file);
        ReadString(root, "input_mp4_file", loaded.input_mp4_file);
        ReadString(root, "output_folder", loaded.output_folder);
        ReadString(root, "output_name", loaded.output_name);
        ReadString(root, "pts_file", loaded.pts_file);
        loaded.motion_file.clear();
        ReadString(root, "motion_file", loaded.motion_file);
        // The clock is the one stored: a project without it has none, and opening it detects none.
        loaded.clock_start = RecordingClock{};
        loaded.m_detectClock = false;
        if (auto it = root.find("clock_start"); it != root.end() && it->is_string()) {
            ParseClockText(it->get<std::string>(), loaded.clock_start);
        }
        // Areas that do not read are dropped with the key rather than failing the project.
        loaded.regions.clear();
        if (auto it = root.find("regions"); it != root.end()) {
            std::string ignored;
            RegionsFromJson(*it, loaded.regions, ignored);
        }
        for (const FlagSetting& flag : FlagSettings()) {
            if (!flag.writtenAtInitial) loaded.*flag.field = flag.initial;
            ReadBool(root, flag.key, loaded.*flag.field);
        }
        for (const NumberSetting& number : NumberSettings()) {
            // A key left out at its initial value reads as that value, not as what the tab held before.
            if (!number.writtenAtInitial) (loaded.*number.field).SetValueClamped(number.initial);
            ReadSetting(root, number.key, loaded.*number.field);
        }
        RaiseSceneLimit(loaded.max_len);
        std::vector<SceneEntry> scenes;
        if (auto it = root.find("diff_list"); it != root.end() && it->is_array()) {
            for (const json& element : *it) {
                scenes.push_back(ReadScene(element));
            }
        }
        ReadInt(root, "list_idx", loaded.list_idx);
        VideoInfo& source = loaded.m_sourceInfo;
        ReadString(root, "r_frame_rate", source.r_frame_rate);
        ReadDouble(root, "fps", source.fps);
        ReadInt(root, "frame_num", source.frame_num);
        ReadInt(root, "width", source.width);
        ReadInt(root, "height", source.height);
        ReadInt(root, "rotation", source.rotation);
        ReadInt(root, "start_frame", source.start_frame);
        ReadString(root, "field_order", source.field_order);
        ReadInt(root, "sar_num", source.sar_num);
        ReadInt(root, "sar_den", source.sar_den);
        ReadInt(root, "play_vol", loaded.play_vol);
        if (auto it = root.find("capWatermark"); it != root.end() && it->is_object()) {
            loaded.capWatermark = ReadCaption(*it);
        }
        if (auto it = root.find("capTitle"); it != root.end() && it->is_object()) {
            loaded.capTitle = ReadCaption(*it);
        }
        ApplyRootCaptionStyle(root, scenes);
        loaded.diff_list.Assign(std::move(scenes), -1);
    } catch (const json::exception&) {
        return false;
    } catch (const WrongMemberType&) {
        return false;
    }

    if (loaded.capTitle.caption.empty()) {
        loaded.capTitle.caption = FadingTitle(ReplaceExtension(loaded.input_file, ""));
    }
    // The row selection must name a row of the list read, whatever the file claims.
    if (loaded.list_idx < -1 || loaded.list_idx >= loaded.diff_list.Size()) {
        loaded.list_idx = -1;
    }
    loaded.output_folder = SetTrailingSeparator(loaded.output_folder, true);
    loaded.project_file = path;
    if (loaded.pts_file.empty() || !EndsWithIgnoringCase(loaded.pts_file, kPtsFileSuffix)) {
        loaded.pts_file = loaded.output_folder + ReplaceExtension(FileNamePart(loaded.input_file), kPtsFileSuffix);
    }
    *this = std::move(loaded);
    UpdateTitle();
    LoadPtsList(pts_file);
    return true;
}
