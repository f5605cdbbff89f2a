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

// How many frames back the reference frame of a compare setting of `seconds` lies at fps: 1 (the previous
// frame) for 0 or less, otherwise round(seconds x fps), at least 1.
int CompareFrameDistance(double seconds, double fps);

// Holds the last frames of a run between calls. Each extraction has its own, so several can run at once
// (the files of a batch); one counter is not thread-safe.
class ChangedPixelCounter {
public:
    // Count of changed pixels of frame (w x h bytes) against the frame `distance`
    // back (frame 0 of the run while there is none that far back), compared with
    // T only as far as needed. Frame 0 of a run, or a frame after a size change,
    // returns T and starts the run anew.
    int32_t Count(const uint8_t* frame, int w, int h, int index, int T);
    int32_t Count(const uint8_t* frame, int w, int h, int index, int T, PixelKernel kernel);

    // Frames back that the next frames are compared with (1: the previous one);
    // a change starts the run anew.
    void SetCompareDistance(int frames);
    int CompareDistance() const { return m_distance; }

    bool HasPreviousFrame() const { return m_seen > 0; }
    std::size_t PreviousFrameSize() const { return m_frameSize; }

private:
    // The last `distance` frames, frame k of the run in slot k % distance.
    std::vector<uint8_t> m_ring;
    std::size_t m_frameSize = 0;
    int m_distance = 1;
    int64_t m_seen = 0;  // frames stored since the run started
};
