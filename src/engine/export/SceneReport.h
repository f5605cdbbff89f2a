#pragma once

// The scene report: a saved project's scenes with their times, captions and the peak of motion in each, as
// JSON or CSV. `tarnelo-cli report` prints it and the CSV export writes it. Free of files, so the unit tests call
// it with a plain CTarneloData and MotionRecord.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/motion/MotionRecord.h"
#include "engine/motion/MotionSummary.h"
#include "project/ClockTime.h"

class CTarneloData;

// One scene of the report. Times are seconds from the start of the input, unset without a frame rate; a
// scene ends where its last frame ends, as the scene table shows it.
struct SceneReportRow {
    int index = 0;  // 1-based, in list order
    bool enabled = true;
    int startFrame = 0;
    int endFrame = 0;  // inclusive
    int lengthFrames = 0;
    std::optional<double> startSeconds;
    std::optional<double> endSeconds;
    std::optional<double> lengthSeconds;
    std::optional<MotionPeak> peak;  // unset without a usable record, or with no measured frame in the scene
    std::optional<double> peakSeconds;
    std::string caption;
    std::string segmentFile;
};

struct SceneReport {
    std::string project;
    std::string input;
    double fps = 0;  // the input's rate, else the record's; 0 when neither is known
    std::string recordPath;
    std::string recordStatus;           // RecordStatusText, or a reason of our own
    std::optional<int> thresholdCount;  // the count at which a frame is motion; unset without a record
    RecordingClock clock;               // when the recording started, if known: scenes get clock times then
    std::vector<SceneReportRow> scenes;
};

// One project of a report over several: the file as given or found, and its report.
struct FileReport {
    std::string file;
    SceneReport report;
};

// record: null when there is no usable record (recordStatus then says why).
SceneReport BuildSceneReport(const CTarneloData& data, const MotionRecord* record, const std::string& recordPath,
                             const std::string& recordStatus);
// An object with the project's facts and "scenes", one object per scene; what is unknown is null. A project whose
// clock is known also has "clock_start", and each scene "start_clock" and "end_clock" (ISO 8601).
std::string FormatReportJson(const SceneReport& report);
// A header line and one line per scene; what is unknown is an empty field. With a known clock the columns
// start_clock and end_clock follow the others.
std::string FormatReportCsv(const SceneReport& report);
// Several projects in one text: {"projects": [...]}, each the object above with a first member "file".
std::string FormatReportsJson(const std::vector<FileReport>& reports);
// Several projects in one table: a first column "file", then the columns above; start_clock and end_clock when
// any project has a clock, empty for those without.
std::string FormatReportsCsv(const std::vector<FileReport>& reports);

// A field as a CSV reader takes it back: quoted when it holds a comma, a quote, CR or LF, quotes doubled.
std::string CsvField(std::string_view text);
// Text for XML character data and attribute values: markup characters escaped, bytes that are not UTF-8
// and characters XML forbids replaced by U+FFFD, so the document stays well-formed whatever a caption holds.
std::string XmlText(std::string_view text);

// The shortest text that reads back as the same double, "." as the point whatever the locale.
std::string ShortestNumberText(double value);
