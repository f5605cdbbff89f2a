#include "engine/render/AutoCorrection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "engine/jobs/JobContext.h"
#include "engine/preparation/InputPreparation.h"
#include "engine/render/ImageReader.h"
#include "engine/tools/TaskLimiter.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "project/TarneloData.h"

static_assert(cv::COLOR_BGR2YUV == 82 && cv::COLOR_BGR2HSV == 40, "colour conversion codes");

double RoundToHundredths(double v) { return static_cast<int>(100.0 * v + 0.5) / 100.0; }

bool HasColourCast(int peakHue, double meanU, double meanV) {
    const bool red = (peakHue <= 15 || peakHue >= 165) && meanV > 140;
    const bool blue = peakHue >= 100 && peakHue <= 140 && meanU > 140;
    const bool green = peakHue >= 50 && peakHue <= 90 && meanU - meanV < -10;
    return red || blue || green;
}

EqSettings ComputeEqSettings(const EqStatistics& s) {
    EqSettings out;
    out.chromaOffsetU = s.meanU - 128;
    out.chromaOffsetV = s.meanV - 128;
    const double brightness = std::clamp((128 - s.meanY) / 255, -1.0, 1.0);
    const double contrast = std::clamp(std::pow(52.0 / std::max(1.0, s.stddevY), 0.5), 0.5, 2.0);
    double saturation = std::clamp((128 - s.meanS) * 0.00390625 + 1.0, 0.5, 2.0);
    if (HasColourCast(s.peakHue, s.meanU, s.meanV)) saturation *= 0.8;
    saturation = std::clamp(saturation, 0.0, 2.0);
    const double gamma = std::clamp(std::pow(128 / std::max(1.0, s.meanY), 0.7), 0.7, 2.0);
    out.brightness = RoundToHundredths(brightness);
    out.contrast = RoundToHundredths(contrast);
    out.saturation = RoundToHundredths(saturation);
    out.gamma = RoundToHundredths(gamma);
    return out;
}

int PeakHueBin(const std::array<std::uint64_t, kHueBins>& histogram) {
    // max_element keeps the first of equal counts.
    return static_cast<int>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

void EqAccumulator::AddStill(double meanY, double stddevY, double meanS, double meanU, double meanV) {
    m_sumMeanY += meanY;
    m_sumStddevY += stddevY;
    m_sumMeanS += meanS;
    m_sumMeanU += meanU;
    m_sumMeanV += meanV;
    ++m_count;
}

void EqAccumulator::CountHues(const std::uint8_t* hues, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (hues[i] < kHueBins) ++m_histogram[hues[i]];
    }
}

EqStatistics EqAccumulator::Averages() const {
    EqStatistics s;
    s.peakHue = PeakHueBin(m_histogram);
    if (m_count == 0) return s;
    s.meanY = m_sumMeanY / m_count;
    s.stddevY = m_sumStddevY / m_count;
    s.meanS = m_sumMeanS / m_count;
    s.meanU = m_sumMeanU / m_count;
    s.meanV = m_sumMeanV / m_count;
    return s;
}

std::string EqStillTime(int index, int frameCount, double fps) {
    const long long step = std::max(0, frameCount / kEqStillCount);
    const double seconds = fps > 0 ? static_cast<double>(index * step) / fps : 0.0;
    return FormatC("%.6f", seconds);
}

std::string EqStillPath(const std::string& outputFolder, const std::string& inputFile, int number) {
    return outputFolder + MediaFileStem(inputFile) + FormatC("_frame_%03d.jpg", number);
}

std::vector<std::string> EqStillPaths(const std::string& outputFolder, const std::string& inputFile) {
    std::vector<std::string> paths;
    for (int number = 1; number <= kEqStillCount; ++number)
        paths.push_back(EqStillPath(outputFolder, inputFile, number));
    return paths;
}

std::string EqStillCommand(const std::string& prefix, const std::string& time, const std::string& input,
                           const std::string& still) {
    const char* literal = still.find('%') == std::string::npos ? "" : "-update 1 ";
    return prefix + FormatC("-ss %s -i \"%s\" -frames:v 1 %s\"%s\"", time.c_str(),
                            platform::EscapeQuotedArgument(input).c_str(), literal,
                            platform::EscapeQuotedArgument(still).c_str());
}

namespace {

constexpr const char* kFunction = "CTarneloProcess::AnalyzeVideoEQParams";

// Only the ten names this run writes are ever removed: a pattern built from the user's file name could
// match other files once that name holds wildcard characters.
void RemoveStills(const std::vector<std::string>& stills) {
    for (const std::string& still : stills) std::remove(still.c_str());
}

// Adds one still to the sums; false when it is not a readable colour image.
bool MeasureStill(const std::string& path, EqAccumulator& sums) {
    // A still ffmpeg did not write (a seek past the end) is simply not there; no need to ask the decoder.
    if (!platform::FileExists(path)) return false;
    try {
        const cv::Mat bgr = ReadImageBgr(path);
        if (bgr.empty()) return false;
        cv::Mat yuv;
        cv::Mat hsv;
        cv::cvtColor(bgr, yuv, cv::COLOR_BGR2YUV);
        cv::cvtColor(bgr, hsv, cv::COLOR_BGR2HSV);
        std::vector<cv::Mat> yuvPlanes;
        std::vector<cv::Mat> hsvPlanes;
        cv::split(yuv, yuvPlanes);
        cv::split(hsv, hsvPlanes);
        cv::Scalar meanY;
        cv::Scalar stddevY;
        cv::meanStdDev(yuvPlanes[0], meanY, stddevY);
        sums.AddStill(meanY[0], stddevY[0], cv::mean(hsvPlanes[1])[0], cv::mean(yuvPlanes[1])[0],
                      cv::mean(yuvPlanes[2])[0]);
        const cv::Mat& hue = hsvPlanes[0];
        for (int row = 0; row < hue.rows; ++row) sums.CountHues(hue.ptr<std::uint8_t>(row), hue.cols);
        return true;
    } catch (const cv::Exception& e) {
        AppLog().Log("%s(%d) %s: %s\n", kFunction, __LINE__, path.c_str(), e.what());
        return false;
    }
}

}  // namespace

int JobContext::AnalyzeVideoEQParams(const std::string& input) {
    CTarneloData& data = *m_data;
    const std::vector<std::string> stills =
        EqStillPaths(data.output_folder, data.input_file.empty() ? input : data.input_file);
    // A still left by an earlier run must not pass for one this run did not write.
    RemoveStills(stills);
    if (!data.output_folder.empty()) platform::MakeFolders(SetTrailingSeparator(data.output_folder, false));

    const std::string prefix = FfmpegPrefix();
    std::vector<std::string> commands;
    for (int i = 0; i < kEqStillCount; ++i) {
        const std::string time = EqStillTime(i, data.m_sourceInfo.frame_num, data.m_currentInfo.fps);
        commands.push_back(EqStillCommand(prefix, time, input, stills[static_cast<size_t>(i)]));
    }
    std::vector<int> results(kEqStillCount, 0);
    {
        TaskLimiter limiter(TaskLimiterMaximum(data.use_cuda));
        for (size_t i = 0; i < commands.size(); ++i) {
            limiter.Submit([this, &commands, &results, i] { results[i] = ExecuteCmd(commands[i]); });
        }
        limiter.WaitIdle();
    }
    int failure = 0;
    for (size_t i = 0; i < results.size(); ++i) {
        if (results[i] == 0) continue;
        LogCmdResult(kFunction, __LINE__, commands[i], results[i]);
        if (failure == 0) failure = results[i];
    }
    if (failure != 0) {
        // Nothing is measured from a partial set; its stills are of no further use.
        RemoveStills(stills);
        return failure;
    }

    EqAccumulator sums;
    for (const std::string& still : stills) MeasureStill(still, sums);
    RemoveStills(stills);
    if (sums.Count() == 0) {
        const std::string codecs = ImageCodecsProblem();
        AppLog().Log("%s(%d) no still could be read (%s)%s%s\n", kFunction, __LINE__, input.c_str(),
                     codecs.empty() ? "" : ": ", codecs.c_str());
        return kEqNoStillRead;
    }

    const EqStatistics statistics = sums.Averages();
    const EqSettings settings = ComputeEqSettings(statistics);
    data.chroma_offset_u = settings.chromaOffsetU;
    data.chroma_offset_v = settings.chromaOffsetV;
    data.brightness.SetValueClamped(settings.brightness);
    data.contrast.SetValueClamped(settings.contrast);
    data.saturation.SetValueClamped(settings.saturation);
    data.gamma.SetValueClamped(settings.gamma);
    const std::string measured =
        FormatC("stills(%d), Y(%.2f, sd %.2f), S(%.2f), U(%.2f), V(%.2f), hue(%d)", sums.Count(), statistics.meanY,
                statistics.stddevY, statistics.meanS, statistics.meanU, statistics.meanV, statistics.peakHue);
    AppLog().Log("%s(%d) %s -> brightness(%s), contrast(%s), saturation(%s), gamma(%s)\n", kFunction, __LINE__,
                 measured.c_str(), data.brightness.text.c_str(), data.contrast.text.c_str(),
                 data.saturation.text.c_str(), data.gamma.text.c_str());
    return 0;
}
