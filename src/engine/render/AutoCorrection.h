#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The automatic picture correction: ten stills spread over the video are measured, and their averages
// turn into brightness, contrast, saturation and gamma plus two chroma offsets. Everything here is pure;
// JobContext::AnalyzeVideoEQParams runs the stills and measures them.

inline constexpr int kEqStillCount = 10;
inline constexpr int kHueBins = 180;

// AnalyzeVideoEQParams' result when every still ran but none of them could be read as an image.
// (A failed still returns that still's own result: -1 not started, -2 stopped, else ffmpeg's exit code.)
inline constexpr int kEqNoStillRead = -3;

// Averages over the stills: Y mean and standard deviation, HSV saturation mean, U and V means, and the
// peak of the hue histogram (0..179).
struct EqStatistics {
    double meanY = 0;
    double stddevY = 0;
    double meanS = 0;
    double meanU = 0;
    double meanV = 0;
    int peakHue = 0;
};

// The four settings rounded to hundredths (not yet limited to the settings' own ranges) and the offsets.
struct EqSettings {
    double brightness = 0;
    double contrast = 1;
    double saturation = 1;
    double gamma = 1;
    double chromaOffsetU = 0;
    double chromaOffsetV = 0;
};

// int(100 v + 0.5) / 100: halves round up, and negative values move toward zero (-0.4627 gives -0.45).
double RoundToHundredths(double v);

// Red (hue <= 15 or >= 165 with V mean > 140), blue (100..140 with U mean > 140) or green (50..90 with
// U mean - V mean < -10).
bool HasColourCast(int peakHue, double meanU, double meanV);

EqSettings ComputeEqSettings(const EqStatistics& statistics);

// The first bin with the highest count (0 for an empty histogram).
int PeakHueBin(const std::array<std::uint64_t, kHueBins>& histogram);

// Running sums of the measured stills.
class EqAccumulator {
public:
    void AddStill(double meanY, double stddevY, double meanS, double meanU, double meanV);
    // Counts hue values below kHueBins; others are ignored.
    void CountHues(const std::uint8_t* hues, std::size_t count);
    int Count() const { return m_count; }
    const std::array<std::uint64_t, kHueBins>& Histogram() const { return m_histogram; }
    // The sums divided by Count() (all zero when nothing was added) and the histogram's peak.
    EqStatistics Averages() const;

private:
    int m_count = 0;
    double m_sumMeanY = 0;
    double m_sumStddevY = 0;
    double m_sumMeanS = 0;
    double m_sumMeanU = 0;
    double m_sumMeanV = 0;
    std::array<std::uint64_t, kHueBins> m_histogram{};
};

// Seek time of still index (0..9) as "%.6f": index x (frameCount / 10) frames at fps; 0 when fps <= 0.
// Fewer than ten frames give step 0, so every still shows the first frame.
std::string EqStillTime(int index, int frameCount, double fps);

// outputFolder + stem of inputFile (no folder, no extension) + "_frame_%03d.jpg" with number (1..10).
// The stem is copied as it stands, never used as a format.
std::string EqStillPath(const std::string& outputFolder, const std::string& inputFile, int number);

// The ten still paths, numbers 1..10.
std::vector<std::string> EqStillPaths(const std::string& outputFolder, const std::string& inputFile);

// prefix + "-ss %s -i \"%s\" -frames:v 1 \"%s\"" with the paths escaped. A still path holding '%' gets
// "-update 1 " before it, so the image writer takes the name literally instead of as a number pattern.
std::string EqStillCommand(const std::string& prefix, const std::string& time, const std::string& input,
                           const std::string& still);
