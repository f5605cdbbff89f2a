// Times the three changed-pixel kernels side by side on the same random analysis frames.
// T is out of reach, so every whole block of every frame is examined (no early stop).

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <random>
#include <vector>

#include "engine/motion/ChangedPixels.h"

namespace {

constexpr int kFrames = 16;   // a short clip, cycled
constexpr int kRounds = 7;    // kernels alternate within each round; the best round counts
constexpr int kPasses = 200;  // passes over the clip per kernel and round

struct Result {
    double nsPerFrame = 1e300;
    long long checksum = 0;
};

std::vector<std::vector<uint8_t>> MakeClip(int w, int h) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255), delta(-45, 45);
    std::vector<std::vector<uint8_t>> clip(kFrames, std::vector<uint8_t>(std::size_t(w) * h));
    for (auto& v : clip[0]) v = uint8_t(byte(rng));
    // Each frame a jittered copy of the one before: counts land in the middle, not at 0 or n.
    for (int f = 1; f < kFrames; ++f) {
        for (std::size_t j = 0; j < clip[f].size(); ++j) {
            clip[f][j] = uint8_t(std::clamp(int(clip[f - 1][j]) + delta(rng), 0, 255));
        }
    }
    return clip;
}

void TimeKernel(const std::vector<std::vector<uint8_t>>& clip, PixelKernel kernel, Result& result) {
    const std::size_t n = clip[0].size();
    long long checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int pass = 0; pass < kPasses; ++pass) {
        for (int f = 1; f < kFrames; ++f) {
            checksum += CountChangedBlocks(clip[f].data(), clip[f - 1].data(), n, INT_MAX, kernel);
        }
    }
    const auto elapsed = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start);
    result.nsPerFrame = std::min(result.nsPerFrame, elapsed.count() / (double(kPasses) * (kFrames - 1)));
    result.checksum = checksum;
}

void Bench(int w, int h) {
    const auto clip = MakeClip(w, h);
    const PixelKernel kernels[] = {PixelKernel::Portable, PixelKernel::Sse2, PixelKernel::Avx2};
    Result results[3];
    for (int round = 0; round < kRounds; ++round) {
        for (int k = 0; k < 3; ++k) {
            if (PixelKernelAvailable(kernels[k])) TimeKernel(clip, kernels[k], results[k]);
        }
    }
    std::printf("%dx%d (%d bytes, %d whole blocks), %d frame pairs x %d passes, best of %d rounds\n", w, h, w * h,
                w * h / kPixelBlockSize, kFrames - 1, kPasses, kRounds);
    for (int k = 0; k < 3; ++k) {
        if (!PixelKernelAvailable(kernels[k])) {
            std::printf("  %-8s not available on this CPU\n", PixelKernelName(kernels[k]));
            continue;
        }
        const bool agrees = results[k].checksum == results[0].checksum;
        std::printf("  %-8s %9.1f ns/frame  %7.2f GB/s  ratio to portable %.3f%s\n", PixelKernelName(kernels[k]),
                    results[k].nsPerFrame, double(w) * h / results[k].nsPerFrame,
                    results[k].nsPerFrame / results[0].nsPerFrame, agrees ? "" : "  COUNTS DIFFER");
    }
    for (int k = 1; k < 3; ++k) {
        if (PixelKernelAvailable(kernels[k])) {
            std::printf("  speed-up %s over portable: %.1fx\n", PixelKernelName(kernels[k]),
                        results[0].nsPerFrame / results[k].nsPerFrame);
        }
    }
}

}  // namespace

int main() {
    std::printf("changed-pixel kernels; the engine uses: %s\n", PixelKernelName(BestPixelKernel()));
    Bench(240, 135);
    Bench(480, 270);
    return 0;
}
