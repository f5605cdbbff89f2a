#include "engine/motion/ChangedPixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TARNELO_X86_KERNELS 1
#endif

#if defined(__clang__)
#define TARNELO_SCALAR_LOOP _Pragma("clang loop vectorize(disable) interleave(disable)")
#define TARNELO_NO_AUTO_VECTORIZE
#elif defined(__GNUC__)
#define TARNELO_SCALAR_LOOP
#define TARNELO_NO_AUTO_VECTORIZE __attribute__((optimize("no-tree-vectorize")))
#else
#define TARNELO_SCALAR_LOOP
#define TARNELO_NO_AUTO_VECTORIZE
#endif

namespace {

constexpr int64_t kFullHdPixels = 1920 * 1080;

int ClampToInt(int64_t value) {
    return static_cast<int>(
        std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int32_t ClampCount(int64_t count) {
    return static_cast<int32_t>(std::min<int64_t>(count, std::numeric_limits<int32_t>::max()));
}

// Kept scalar on purpose: it is the fallback and the baseline the vector kernels are measured against.
TARNELO_NO_AUTO_VECTORIZE int64_t CountBlocksPortable(const uint8_t* a, const uint8_t* b, std::size_t blocks, int T) {
    int64_t count = 0;
    for (std::size_t k = 0; k < blocks; ++k) {
        const uint8_t* x = a + k * kPixelBlockSize;
        const uint8_t* y = b + k * kPixelBlockSize;
        TARNELO_SCALAR_LOOP
        for (int j = 0; j < kPixelBlockSize; ++j) {
            const int diff = int(x[j]) - int(y[j]);
            count += (diff > kPixelChangeLimit || diff < -kPixelChangeLimit) ? 1 : 0;
        }
        if (count >= T) break;
    }
    return count;
}

#ifdef TARNELO_X86_KERNELS

// Bytes of one 16-byte half whose unsigned distance exceeds the limit, as a 16-bit mask.
inline unsigned ChangedMaskSse2(const uint8_t* a, const uint8_t* b) {
    const __m128i limit = _mm_set1_epi8(kPixelChangeLimit + 1);
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    const __m128i diff = _mm_subs_epu8(_mm_max_epu8(x, y), _mm_min_epu8(x, y));
    // max(diff, 31) == diff  <=>  diff > 30, unsigned (SSE2 has no unsigned byte compare).
    const __m128i changed = _mm_cmpeq_epi8(_mm_max_epu8(diff, limit), diff);
    return static_cast<unsigned>(_mm_movemask_epi8(changed));
}

int64_t CountBlocksSse2(const uint8_t* a, const uint8_t* b, std::size_t blocks, int T) {
    int64_t count = 0;
    for (std::size_t k = 0; k < blocks; ++k) {
        const std::size_t offset = k * kPixelBlockSize;
        const unsigned mask =
            ChangedMaskSse2(a + offset, b + offset) | (ChangedMaskSse2(a + offset + 16, b + offset + 16) << 16);
        count += __builtin_popcount(mask);
        if (count >= T) break;
    }
    return count;
}

__attribute__((target("avx2,popcnt"))) int64_t CountBlocksAvx2(const uint8_t* a, const uint8_t* b, std::size_t blocks,
                                                               int T) {
    const __m256i limit = _mm256_set1_epi8(kPixelChangeLimit + 1);
    int64_t count = 0;
    for (std::size_t k = 0; k < blocks; ++k) {
        const std::size_t offset = k * kPixelBlockSize;
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + offset));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + offset));
        const __m256i diff = _mm256_subs_epu8(_mm256_max_epu8(x, y), _mm256_min_epu8(x, y));
        const __m256i changed = _mm256_cmpeq_epi8(_mm256_max_epu8(diff, limit), diff);
        count += _mm_popcnt_u32(static_cast<unsigned>(_mm256_movemask_epi8(changed)));
        if (count >= T) break;
    }
    return count;
}

PixelKernel DetectPixelKernel() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt")) return PixelKernel::Avx2;
    return PixelKernel::Sse2;  // part of every x86-64 CPU
}

#else

PixelKernel DetectPixelKernel() { return PixelKernel::Portable; }

#endif

}  // namespace

int AnalysisDimension(int size) { return static_cast<int>(std::lround(size * 0.125)); }

int ScaledThreshold(int frameSize, int t) {
    const int64_t product = int64_t(frameSize) * int64_t(t);
    // Integer rounding: a result of exactly .5 (240x135 at t = 100,000 gives 1562.5) must go up.
    const uint64_t magnitude = product < 0 ? uint64_t(-product) : uint64_t(product);
    uint64_t quotient = magnitude / kFullHdPixels;
    if ((magnitude % kFullHdPixels) * 2 >= uint64_t(kFullHdPixels)) ++quotient;
    return ClampToInt(product < 0 ? -int64_t(quotient) : int64_t(quotient));
}

PixelKernel BestPixelKernel() {
    static const PixelKernel best = DetectPixelKernel();
    return best;
}

bool PixelKernelAvailable(PixelKernel kernel) {
    switch (kernel) {
        case PixelKernel::Portable:
            return true;
        case PixelKernel::Sse2:
            return BestPixelKernel() != PixelKernel::Portable;
        case PixelKernel::Avx2:
            return BestPixelKernel() == PixelKernel::Avx2;
    }
    return false;
}

const char* PixelKernelName(PixelKernel kernel) {
    switch (kernel) {
        case PixelKernel::Portable:
            return "portable";
        case PixelKernel::Sse2:
            return "sse2";
        case PixelKernel::Avx2:
            return "avx2";
    }
    return "?";
}

int32_t CountChangedBlocks(const uint8_t* a, const uint8_t* b, std::size_t n, int T, PixelKernel kernel) {
    const std::size_t blocks = n / kPixelBlockSize;
    if (!PixelKernelAvailable(kernel)) kernel = PixelKernel::Portable;
#ifdef TARNELO_X86_KERNELS
    if (kernel == PixelKernel::Avx2) return ClampCount(CountBlocksAvx2(a, b, blocks, T));
    if (kernel == PixelKernel::Sse2) return ClampCount(CountBlocksSse2(a, b, blocks, T));
#endif
    return ClampCount(CountBlocksPortable(a, b, blocks, T));
}

int32_t ChangedPixelCounter::Count(const uint8_t* frame, int w, int h, int index, int T) {
    return Count(frame, w, h, index, T, BestPixelKernel());
}

int32_t ChangedPixelCounter::Count(const uint8_t* frame, int w, int h, int index, int T, PixelKernel kernel) {
    const std::size_t n = (w > 0 && h > 0) ? std::size_t(w) * std::size_t(h) : 0;
    if (m_frameSize != n || m_ring.size() != n * std::size_t(m_distance)) {
        m_frameSize = n;
        m_ring.assign(n * std::size_t(m_distance), 0);
        m_seen = 0;
    }
    // The first frame of a run has nothing to compare with and always counts as motion.
    if (index == 0 || m_seen == 0) {
        if (n > 0) std::memcpy(m_ring.data(), frame, n);
        m_seen = 1;
        return T;
    }
    // Until the run is `distance` frames long, frame 0 (slot 0) is the reference.
    const std::size_t slot = std::size_t(m_seen % m_distance);
    const std::size_t reference = m_seen >= m_distance ? slot : 0;
    const int32_t count = CountChangedBlocks(frame, m_ring.data() + reference * n, n, T, kernel);
    if (n > 0) std::memcpy(m_ring.data() + slot * n, frame, n);
    ++m_seen;
    return count;
}

void ChangedPixelCounter::SetCompareDistance(int frames) {
    frames = std::max(1, frames);
    if (frames == m_distance) return;
    m_distance = frames;
    m_ring.clear();
    m_seen = 0;
}

int CompareFrameDistance(double seconds, double fps) {
    if (!(seconds > 0) || !(fps > 0)) return 1;
    const double frames = std::round(seconds * fps);
    return frames >= 1 ? static_cast<int>(std::min(frames, double(std::numeric_limits<int>::max()))) : 1;
}
