// motion --svg: the record as a chart a browser shows without anything else.
#include <algorithm>
#include <cmath>

#include "cli/CliReport.h"
#include "project/FileHelpers.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace cli {
namespace {

// The plot inside the image; the margins hold the count labels, the time axis and the heading.
constexpr double kLeft = 64;
constexpr double kRight = 16;
constexpr double kTop = 24;
constexpr double kBottom = 36;
constexpr int kMostTicks = 8;

constexpr const char* kEnabledFill = "#cdeccd";
constexpr const char* kDisabledFill = "#e2e2e2";
constexpr const char* kCurveColour = "#1f5fa8";
constexpr const char* kThresholdColour = "#d62728";

std::string Px(double value) { return FormatC("%.1f", value); }

// The smallest round step that puts at most kMostTicks labels on the axis.
double TickStep(double seconds) {
    static constexpr double kSteps[] = {0.1, 0.2, 0.5, 1,    2,    5,    10,    15,    30,    60,   120,
                                        300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    for (const double step : kSteps) {
        if (seconds / step <= kMostTicks) return step;
    }
    return std::ceil(seconds / kMostTicks / 86400) * 86400;
}

std::string TickLabel(double seconds, double step, bool hours) {
    if (step < 1) return FormatC("%.1fs", seconds);
    const long long whole = std::llround(seconds);
    if (hours) return FormatC("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return FormatC("%lld:%02lld", whole / 60, whole % 60);
}

}  // namespace

std::string FormatMotionSvg(const CTarneloData& data, const MotionRecord& record, int thresholdCount) {
    const double plotWidth = kChartWidth - kLeft - kRight;
    const double plotHeight = kChartHeight - kTop - kBottom;
    const double base = kTop + plotHeight;
    const size_t frames = record.counts.size();
    const double frameScale = plotWidth / static_cast<double>(std::max<size_t>(frames, 1));
    const auto frameX = [&](long long frame) {
        return kLeft +
               static_cast<double>(std::clamp<long long>(frame, 0, static_cast<long long>(frames))) * frameScale;
    };

    const std::vector<uint32_t> columns =
        ColumnMaxima(record.counts, 0, static_cast<int>(frames) - 1, static_cast<int>(plotWidth));
    uint32_t highest = 0;
    for (const uint32_t value : columns) highest = std::max(highest, value);
    // The threshold stays on the chart when every count is below it.
    const double top = std::max({static_cast<double>(highest), static_cast<double>(thresholdCount), 1.0}) * 1.1;
    const auto countY = [&](double count) { return base - count / top * plotHeight; };

    const std::string name = XmlText(FileNamePart(data.input_file));
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += FormatC(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
        "font-family=\"sans-serif\" font-size=\"11\">\n",
        kChartWidth, kChartHeight, kChartWidth, kChartHeight);
    svg += "<title>Motion of " + name + "</title>\n";
    svg += FormatC("<rect width=\"%d\" height=\"%d\" fill=\"#ffffff\"/>\n", kChartWidth, kChartHeight);

    svg += "<g class=\"scenes\">\n";
    const FrameClock clock = data.SourceClock(record.fps);
    int index = 0;
    for (const SceneEntry& scene : data.diff_list.Snapshot()) {
        ++index;
        const double x = frameX(scene.framNo_first);
        const double width = std::max(0.0, frameX(static_cast<long long>(scene.framNo_second) + 1) - x);
        const std::string when = record.fps > 0
                                     ? SecondsToFrameTimeText(clock.Seconds(scene.framNo_first), true) + " - " +
                                           SecondsToFrameTimeText(clock.Seconds(scene.framNo_second + 1), true)
                                     : FormatC("frames %d - %d", scene.framNo_first, scene.framNo_second);
        svg += "<rect class=\"scene " + std::string(scene.enable ? "enabled" : "disabled") + "\" x=\"" + Px(x) +
               "\" y=\"" + Px(kTop) + "\" width=\"" + Px(width) + "\" height=\"" + Px(plotHeight) + "\" fill=\"" +
               (scene.enable ? kEnabledFill : kDisabledFill) + "\">";
        svg += FormatC("<title>Scene %d (%s) ", index, scene.enable ? "on" : "off") + when + ": " +
               XmlText(scene.capParam.caption) + "</title></rect>\n";
    }
    svg += "</g>\n";

    if (!columns.empty()) {
        const double step = plotWidth / static_cast<double>(columns.size());
        std::string path = "M" + Px(kLeft) + "," + Px(base);
        for (size_t i = 0; i < columns.size(); ++i) {
            path += "V" + Px(countY(columns[i])) + "H" + Px(kLeft + static_cast<double>(i + 1) * step);
        }
        path += "V" + Px(base) + "Z";
        svg += "<path class=\"motion\" d=\"" + path + "\" fill=\"" + kCurveColour +
               "\" fill-opacity=\"0.35\" stroke=\"" + kCurveColour + "\" stroke-width=\"1\"/>\n";
    }

    const std::string thresholdY = Px(countY(thresholdCount));
    svg += "<line class=\"threshold\" x1=\"" + Px(kLeft) + "\" y1=\"" + thresholdY + "\" x2=\"" +
           Px(kLeft + plotWidth) + "\" y2=\"" + thresholdY + "\" stroke=\"" + kThresholdColour +
           "\" stroke-dasharray=\"6 3\"/>\n";
    svg += "<text x=\"" + Px(kLeft + plotWidth - 4) + "\" y=\"" + Px(countY(thresholdCount) - 3) +
           "\" text-anchor=\"end\" fill=\"" + kThresholdColour + "\">" +
           FormatC("threshold %d (%.0f)", thresholdCount, data.threshold.value) + "</text>\n";

    // Counts at the left, time below.
    svg += "<g class=\"axis\" fill=\"#333333\">\n";
    svg += "<line x1=\"" + Px(kLeft) + "\" y1=\"" + Px(base) + "\" x2=\"" + Px(kLeft + plotWidth) + "\" y2=\"" +
           Px(base) + "\" stroke=\"#333333\"/>\n";
    svg += "<line x1=\"" + Px(kLeft) + "\" y1=\"" + Px(kTop) + "\" x2=\"" + Px(kLeft) + "\" y2=\"" + Px(base) +
           "\" stroke=\"#333333\"/>\n";
    for (const uint32_t count : {0u, highest}) {
        svg += "<text x=\"" + Px(kLeft - 4) + "\" y=\"" + Px(countY(count) + 4) + "\" text-anchor=\"end\">" +
               std::to_string(count) + "</text>\n";
        if (highest == 0) break;
    }
    // A record always has a rate; without one there is no time to show.
    const double seconds = record.fps > 0 ? static_cast<double>(frames) / record.fps : 0;
    const double tick = TickStep(seconds);
    const bool hours = seconds >= 3600;
    for (int k = 0; record.fps > 0 && k * tick <= seconds + 1e-9; ++k) {
        const double t = k * tick;
        const double x = kLeft + (seconds > 0 ? t / seconds * plotWidth : 0);
        svg += "<line x1=\"" + Px(x) + "\" y1=\"" + Px(base) + "\" x2=\"" + Px(x) + "\" y2=\"" + Px(base + 4) +
               "\" stroke=\"#333333\"/>\n";
        svg += "<text x=\"" + Px(x) + "\" y=\"" + Px(base + 16) + "\" text-anchor=\"middle\">" +
               TickLabel(t, tick, hours) + "</text>\n";
    }
    svg += "</g>\n";
    svg += "<text x=\"" + Px(kLeft) + "\" y=\"" + Px(kTop - 8) + "\">" + name +
           FormatC(": changed pixels per frame, %zu frames at %.3f fps; scenes enabled green, disabled grey", frames,
                   record.fps) +
           "</text>\n";
    svg += "</svg>\n";
    return svg;
}

}  // namespace cli
