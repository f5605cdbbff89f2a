#pragma once

// The texts of `report` (the engine's scene report) and `motion`: the per-frame counts of a project's motion record
// as a table and a chart. Free of files, so the unit tests call them with a plain CTarneloData and MotionRecord.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/export/SceneReport.h"
#include "engine/motion/MotionRecord.h"
#include "project/FrameClock.h"

class CTarneloData;

namespace cli {

using ::BuildSceneReport;
using ::CsvField;
using ::FileReport;
using ::FormatReportCsv;
using ::FormatReportJson;
using ::FormatReportsCsv;
using ::FormatReportsJson;
using ::SceneReport;
using ::SceneReportRow;
using ::XmlText;

// "frame,time,count,motion" and one line per frame of the record; a frame that is motion whatever the
// threshold has an empty count and motion 1.
std::string FormatMotionCsv(const MotionRecord& record, int thresholdCount, const FrameClock& clock = FrameClock());

inline constexpr int kChartWidth = 1200;
inline constexpr int kChartHeight = 240;
// The record as an SVG chart: the highest count of each column of pixels over time, the threshold count as a
// line, the project's scenes as bands behind them (one <rect class="scene ..."> per scene, enabled and
// disabled in their own colours) and a time axis.
std::string FormatMotionSvg(const CTarneloData& data, const MotionRecord& record, int thresholdCount);

}  // namespace cli
