#include "engine/export/SceneReport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <iterator>
#include <nlohmann/json.hpp>

#include "engine/motion/ProjectMotion.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace {

// Keys stay in the order written, which is the CSV's column order.
using json = nlohmann::ordered_json;

std::string NumberText(double value) { return ShortestNumberText(value); }

std::string TimeText(double seconds) { return SecondsToFrameTimeText(seconds, true); }

// The byte length of the well-formed UTF-8 sequence at text[i] that XML allows, 0 when there is none.
size_t XmlCharacterLength(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u; };
    const auto continues = [&](size_t k, unsigned low = 0x80, unsigned high = 0xBF) {
        return byte(k) >= low && byte(k) <= high;
    };
    const unsigned c = byte(0);
    if (c < 0x80) return (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') ? 1 : 0;
    if (c >= 0xC2 && c <= 0xDF) return continues(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const bool ok = continues(1, c == 0xE0 ? 0xA0 : 0x80, c == 0xED ? 0x9F : 0xBF) && continues(2);
        // U+FFFE and U+FFFF are not characters XML allows.
        const bool nonCharacter = c == 0xEF && byte(1) == 0xBF && byte(2) >= 0xBE;
        return ok && !nonCharacter ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        return continues(1, c == 0xF0 ? 0x90 : 0x80, c == 0xF4 ? 0x8F : 0xBF) && continues(2) && continues(3) ? 4 : 0;
    }
    return 0;
}

json OrNull(const std::optional<double>& value) { return value ? json(*value) : json(nullptr); }
json TimeOrNull(const std::optional<double>& value) { return value ? json(TimeText(*value)) : json(nullptr); }

std::string NumberOrEmpty(const std::optional<double>& value) { return value ? NumberText(*value) : std::string(); }
std::string TimeOrEmpty(const std::optional<double>& value) { return value ? TimeText(*value) : std::string(); }

// Column names of the CSV, and the keys of a scene's JSON object, in this order.
constexpr const char* kReportColumns[] = {"index",         "enabled",        "start_frame", "end_frame",
                                          "start_seconds", "end_seconds",    "start_time",  "end_time",
                                          "length_frames", "length_seconds", "peak_frame",  "peak_seconds",
                                          "peak_time",     "peak_count",     "caption",     "segment_file"};

// The columns of a known clock, after the others.
constexpr const char* kClockColumns[] = {"start_clock", "end_clock"};

json ClockOrNull(const RecordingClock& clock, const std::optional<double>& seconds) {
    return seconds ? json(ClockText(clock, *seconds)) : json(nullptr);
}
std::string ClockOrEmpty(const RecordingClock& clock, const std::optional<double>& seconds) {
    return seconds ? ClockText(clock, *seconds) : std::string();
}

json ReportObject(const SceneReport& report) {
    json scenes = json::array();
    for (const SceneReportRow& row : report.scenes) {
        json scene = json::object();
        scene["index"] = row.index;
        scene["enabled"] = row.enabled;
        scene["start_frame"] = row.startFrame;
        scene["end_frame"] = row.endFrame;
        scene["start_seconds"] = OrNull(row.startSeconds);
        scene["end_seconds"] = OrNull(row.endSeconds);
        scene["start_time"] = TimeOrNull(row.startSeconds);
        scene["end_time"] = TimeOrNull(row.endSeconds);
        scene["length_frames"] = row.lengthFrames;
        scene["length_seconds"] = OrNull(row.lengthSeconds);
        scene["peak_frame"] = row.peak ? json(row.peak->frame) : json(nullptr);
        scene["peak_seconds"] = OrNull(row.peakSeconds);
        scene["peak_time"] = TimeOrNull(row.peakSeconds);
        scene["peak_count"] = row.peak ? json(row.peak->count) : json(nullptr);
        scene["caption"] = row.caption;
        scene["segment_file"] = row.segmentFile;
        // Only a recording with a clock has these, so every other report stays as it was.
        if (report.clock.known) {
            scene["start_clock"] = ClockOrNull(report.clock, row.startSeconds);
            scene["end_clock"] = ClockOrNull(report.clock, row.endSeconds);
        }
        scenes.push_back(std::move(scene));
    }
    json out = json::object();
    out["project"] = report.project;
    out["input"] = report.input;
    out["fps"] = report.fps > 0 ? json(report.fps) : json(nullptr);
    out["motion_record"] = report.recordPath;
    out["motion_record_status"] = report.recordStatus;
    out["threshold_count"] = report.thresholdCount ? json(*report.thresholdCount) : json(nullptr);
    if (report.clock.known) out["clock_start"] = ClockText(report.clock, 0);
    out["scenes"] = std::move(scenes);
    return out;
}

// A caption read from an old project may hold bytes that are not UTF-8; they must not stop the report.
std::string JsonText(const json& out) { return out.dump(2, ' ', false, json::error_handler_t::replace) + "\n"; }

std::string CsvHeader(bool withFile, bool withClock) {
    std::string text = withFile ? "file" : "";
    for (const char* column : kReportColumns) text += std::string(text.empty() ? "" : ",") + column;
    if (withClock) {
        for (const char* column : kClockColumns) text += std::string(",") + column;
    }
    return text + "\n";
}

// One line per scene; file, when given, goes first.
std::string CsvLines(const SceneReport& report, bool withClock, const std::string* file) {
    std::string text;
    for (const SceneReportRow& row : report.scenes) {
        const std::string fields[] = {
            std::to_string(row.index),
            row.enabled ? "1" : "0",
            std::to_string(row.startFrame),
            std::to_string(row.endFrame),
            NumberOrEmpty(row.startSeconds),
            NumberOrEmpty(row.endSeconds),
            TimeOrEmpty(row.startSeconds),
            TimeOrEmpty(row.endSeconds),
            std::to_string(row.lengthFrames),
            NumberOrEmpty(row.lengthSeconds),
            row.peak ? std::to_string(row.peak->frame) : std::string(),
            NumberOrEmpty(row.peakSeconds),
            TimeOrEmpty(row.peakSeconds),
            row.peak ? std::to_string(row.peak->count) : std::string(),
            CsvField(row.caption),
            CsvField(row.segmentFile),
        };
        static_assert(std::size(fields) == std::size(kReportColumns));
        if (file != nullptr) text += CsvField(*file) + ",";
        for (size_t k = 0; k < std::size(fields); ++k) text += (k ? "," : "") + fields[k];
        if (withClock) {
            // A project without a clock among others that have one leaves these empty.
            const RecordingClock& clock = report.clock;
            text += "," + ClockOrEmpty(clock, clock.known ? row.startSeconds : std::nullopt);
            text += "," + ClockOrEmpty(clock, clock.known ? row.endSeconds : std::nullopt);
        }
        text += '\n';
    }
    return text;
}

}  // namespace

SceneReport BuildSceneReport(const CTarneloData& data, const MotionRecord* record, const std::string& recordPath,
                             const std::string& recordStatus) {
    SceneReport report;
    report.project = data.project_file;
    report.input = data.input_file;
    report.fps = data.m_sourceInfo.fps > 0 ? data.m_sourceInfo.fps : record ? record->fps : 0;
    report.recordPath = recordPath;
    report.recordStatus = recordStatus;
    report.clock = data.clock_start;
    if (record) report.thresholdCount = RecordThresholdCount(*record, data.threshold.value);
    // Times of the frames themselves: listed ones when the recording's rate is not constant.
    const FrameClock clock = data.SourceClock(report.fps);
    const auto seconds = [&report, &clock](int frame) -> std::optional<double> {
        if (report.fps <= 0) return std::nullopt;
        return clock.Seconds(frame);
    };
    int index = 0;
    for (const SceneEntry& scene : data.diff_list.Snapshot()) {
        SceneReportRow row;
        row.index = ++index;
        row.enabled = scene.enable;
        row.startFrame = scene.framNo_first;
        row.endFrame = scene.framNo_second;
        row.lengthFrames = scene.framNo_second - scene.framNo_first + 1;
        row.startSeconds = seconds(scene.framNo_first);
        row.endSeconds = seconds(scene.framNo_second + 1);
        if (report.fps > 0) row.lengthSeconds = clock.Span(scene.framNo_first, scene.framNo_second);
        if (record) row.peak = PeakOfRange(record->counts, scene.framNo_first, scene.framNo_second);
        if (row.peak) row.peakSeconds = seconds(row.peak->frame);
        row.caption = scene.capParam.caption;
        row.segmentFile = scene.fileName;
        report.scenes.push_back(std::move(row));
    }
    return report;
}

std::string FormatReportJson(const SceneReport& report) { return JsonText(ReportObject(report)); }

std::string FormatReportCsv(const SceneReport& report) {
    const bool clock = report.clock.known;
    return CsvHeader(false, clock) + CsvLines(report, clock, nullptr);
}

std::string FormatReportsJson(const std::vector<FileReport>& reports) {
    json projects = json::array();
    for (const FileReport& item : reports) {
        json project = json::object();
        project["file"] = item.file;
        json members = ReportObject(item.report);
        for (auto& [key, value] : members.items()) project[key] = std::move(value);
        projects.push_back(std::move(project));
    }
    json out = json::object();
    out["projects"] = std::move(projects);
    return JsonText(out);
}

std::string FormatReportsCsv(const std::vector<FileReport>& reports) {
    const bool clock =
        std::any_of(reports.begin(), reports.end(), [](const FileReport& item) { return item.report.clock.known; });
    std::string text = CsvHeader(true, clock);
    for (const FileReport& item : reports) text += CsvLines(item.report, clock, &item.file);
    return text;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string XmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = XmlCharacterLength(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        switch (text[i]) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string ShortestNumberText(double value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return error == std::errc() ? std::string(buffer.data(), end) : FormatC("%.17g", value);
}
