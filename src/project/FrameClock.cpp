#include "project/FrameClock.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The list's "%.6f" texts are within half a microsecond of the rate's times.
constexpr double kListPrecision = 0.000001;

int SaturatedFrame(double frame) {
    if (std::isnan(frame)) return 0;
    if (frame >= INT_MAX) return INT_MAX;
    if (frame <= INT_MIN) return INT_MIN;
    return static_cast<int>(frame);
}

}  // namespace

FrameClock::FrameClock(double fps, std::shared_ptr<const std::vector<double>> times)
    : m_fps(fps), m_times(times && !times->empty() ? std::move(times) : nullptr) {}

double FrameClock::Seconds(int frame) const {
    const double step = m_fps > 0 ? 1 / m_fps : 0;
    if (!m_times) return m_fps > 0 ? frame / m_fps : 0;
    const std::vector<double>& times = *m_times;
    if (frame < 0) return times.front() + frame * step;
    const size_t index = static_cast<size_t>(frame);
    if (index < times.size()) return times[index];
    return times.back() + static_cast<double>(index - (times.size() - 1)) * step;
}

double FrameClock::Span(int first, int last) const {
    if (!m_times) return m_fps > 0 ? (last - first + 1) / m_fps : 0;
    return Seconds(last + 1) - Seconds(first);
}

int FrameClock::FrameAt(double seconds) const {
    if (!m_times) {
        const double scaled = seconds * m_fps;
        return SaturatedFrame(std::trunc(scaled < 0 ? scaled - 0.5 : scaled + 0.5));
    }
    const std::vector<double>& times = *m_times;
    const auto after = std::lower_bound(times.begin(), times.end(), seconds);
    if (after == times.end()) {
        // Past the list the frames count on at the rate, as Seconds does.
        const double beyond = m_fps > 0 ? (seconds - times.back()) * m_fps : 0;
        return SaturatedFrame(static_cast<double>(times.size() - 1) + std::round(beyond));
    }
    if (after == times.begin()) return 0;
    const auto before = after - 1;
    const auto nearest = (seconds - *before) <= (*after - seconds) ? before : after;
    return static_cast<int>(nearest - times.begin());
}

FrameClock FrameClock::Slice(int first, int last) const {
    if (!m_times || last < first) return *this;
    std::vector<double> times;
    times.reserve(static_cast<size_t>(last - first) + 2);
    const double start = Seconds(first);
    for (int frame = first; frame <= last + 1; ++frame) times.push_back(Seconds(frame) - start);
    return FrameClock(m_fps, std::make_shared<const std::vector<double>>(std::move(times)));
}

bool IsPlainFrameTimes(const std::vector<double>& times, double fps) {
    if (times.empty()) return true;
    if (!(fps > 0)) return false;
    for (size_t i = 0; i < times.size(); ++i) {
        if (std::fabs(times[i] - static_cast<double>(i) / fps) > kListPrecision) return false;
    }
    return true;
}
