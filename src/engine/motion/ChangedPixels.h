#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The motion measure of scene extraction: how many pixels of a small grey
// frame changed noticeably against the frame before.

// Side of the analysis frame for one side of the video: one eighth, rounded
// half away from zero (a side under 4 pixels gives 0).
int AnalysisDimension(int size);

// The user's threshold t (0..100,000) scaled from a 1920x1080 frame to a frame
// of frameSize bytes, rounded half away from zero.
int ScaledThreshold(int frameSize, int t);

// A pixel counts as changed when its grey value moved by more than this.
inline constexpr int kPixelChangeLimit = 30;
// Pixels are compared in runs of this many bytes; a shorter tail is ignored.
inline constexpr int kPixelBlockSize = 32;

enum class PixelKernel { Portable, Sse2, Avx2 };

// The fastest kernel this CPU runs, decided once per process.
PixelKernel BestPixelKernel();
bool PixelKernelAvailable(PixelKernel kernel);
const char* PixelKernelName(PixelKernel kernel);

// Changed pixels between a and b over the whole 32-byte blocks of their first
// n bytes, stopping after the block at which the count reaches T. A kernel the
// CPU lacks falls back to the portable one.
int32_t CountChangedBlocks(const uint8_t* a, const uint8_t* b, std::size_t n, int T, PixelKernel kernel);

// Holds the previous frame between calls (and between runs). Not thread-safe:
// one extraction runs at a time.
class ChangedPixelCounter {
public:
    // Count of changed pixels of frame (w x h bytes) against the previous one,
    // compared with T only as far as needed. Frame 0 of a run, or a frame after
    // a size change, returns T; the frame always becomes the previous one.
    int32_t Count(const uint8_t* frame, int w, int h, int index, int T);
    int32_t Count(const uint8_t* frame, int w, int h, int index, int T, PixelKernel kernel);

    bool HasPreviousFrame() const { return m_previousValid; }
    std::size_t PreviousFrameSize() const { return m_previous.size(); }

private:
    std::vector<uint8_t> m_previous;
    bool m_previousValid = false;
};

// The process-wide counter the extraction uses.
ChangedPixelCounter& SharedChangedPixelCounter();

// The extraction's measure, through the process-wide counter.
int32_t CountChangedPixels(const uint8_t* frame, int w, int h, int index, int T);
