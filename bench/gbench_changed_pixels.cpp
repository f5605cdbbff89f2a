// The three changed-pixel kernels under Google Benchmark, on analysis frames of a 1080p and a 4K input.
// T is out of reach, so every whole block is examined. bench_changed_pixels prints the same side by side
// with the speed-up ratios.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

#include "engine/motion/ChangedPixels.h"

namespace {

// Two frames whose differences straddle the change limit, so counts land between 0 and n.
struct FramePair {
    std::vector<uint8_t> a;
    std::vector<uint8_t> b;
};

FramePair MakePair(int w, int h) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> byte(0, 255), delta(-45, 45);
    FramePair pair{std::vector<uint8_t>(std::size_t(w) * h), {}};
    for (auto& v : pair.a) v = uint8_t(byte(rng));
    pair.b = pair.a;
    for (auto& v : pair.b) v = uint8_t(std::clamp(int(v) + delta(rng), 0, 255));
    return pair;
}

void Kernel(benchmark::State& state, PixelKernel kernel) {
    if (!PixelKernelAvailable(kernel)) {
        state.SkipWithError("not available on this CPU");
        return;
    }
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const FramePair pair = MakePair(w, h);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CountChangedBlocks(pair.a.data(), pair.b.data(), pair.a.size(), INT_MAX, kernel));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * w * h);
}

}  // namespace

BENCHMARK_CAPTURE(Kernel, portable, PixelKernel::Portable)->Args({240, 135})->Args({480, 270});
BENCHMARK_CAPTURE(Kernel, sse2, PixelKernel::Sse2)->Args({240, 135})->Args({480, 270});
BENCHMARK_CAPTURE(Kernel, avx2, PixelKernel::Avx2)->Args({240, 135})->Args({480, 270});

BENCHMARK_MAIN();
