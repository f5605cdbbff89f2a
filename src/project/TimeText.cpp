#include "project/TimeText.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "project/CLocale.h"

namespace {

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

// Whole units of a non-negative count of seconds, kept inside int range.
long long Truncate(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    constexpr double kLimit = static_cast<double>(std::numeric_limits<int>::max()) * 100.0;
    if (value > kLimit) {
        return static_cast<long long>(kLimit);
    }
    if (value < -kLimit) {
        return static_cast<long long>(-kLimit);
    }
    return static_cast<long long>(value);
}

std::string HundredthsText(long long hundredths, bool shortForm) {
    const bool negative = hundredths < 0;
    const long long total = negative ? -hundredths : hundredths;
    const long long h = total / 360000;
    const int m = static_cast<int>(total / 6000 % 60);
    const int s = static_cast<int>(total / 100 % 60);
    const int c = static_cast<int>(total % 100);
    const char* sign = negative ? "-" : "";
    if (shortForm) {
        return FormatC("%s%01d:%02d:%02d.%02d", sign, static_cast<int>(h % 10), m, s, c);
    }
    return FormatC("%s%02lld:%02d:%02d.%02d", sign, h, m, s, c);
}

}  // namespace

CLocaleScope::CLocaleScope() {
    if (CLocale() != nullptr) {
        m_previous = uselocale(CLocale());
    }
}

CLocaleScope::~CLocaleScope() {
    if (m_previous != nullptr) {
        uselocale(m_previous);
    }
}

std::string FormatC(const char* format, ...) {
    CLocaleScope cLocale;
    char buffer[256];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    std::string text;
    if (length < 0) {
        va_end(copy);
        return text;
    }
    if (static_cast<size_t>(length) < sizeof(buffer)) {
        text.assign(buffer, static_cast<size_t>(length));
    } else {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, copy);
        text.resize(static_cast<size_t>(length));
    }
    va_end(copy);
    return text;
}

double ParseDouble(const std::string& text) {
    CLocaleScope cLocale;
    return std::strtod(text.c_str(), nullptr);
}

double RoundThroughText(double value, const char* format) { return ParseDouble(FormatC(format, value)); }

double RoundToDecimals(double value, int decimals) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double scale = decimals >= 0 && decimals <= 15 ? kPowers[decimals] : 0;
    const double magnitude = std::fabs(value);
    if (scale != 0 && magnitude < 0x1p-900) return std::copysign(0.0, value);  // prints as (-)0.000...
    const double scaled = magnitude * scale;
    // Beyond 2^52 units (and for NaN and infinity) the arithmetic below is not exact; rare, so printf does it.
    if (!(scaled < 0x1p52) || scale == 0) return RoundThroughText(value, FormatC("%%.%df", decimals).c_str());
    // printf rounds the exact binary value half to even; the product's rounding error, exact by fma, says
    // on which side of the half a product that looks like a tie lies.
    const double error = std::fma(magnitude, scale, -scaled);
    const double whole = std::floor(scaled);
    const double past = (scaled - whole) - 0.5;
    const bool up = past > 0 || (past == 0 && (error > 0 || (error == 0 && std::fmod(whole, 2.0) != 0)));
    // Integer over a power of ten, both exact: the division rounds as strtod rounds the printed text.
    return std::copysign((whole + (up ? 1 : 0)) / scale, value);
}

long long TimeTextHundredths(double seconds) {
    // Rounding to hundredths first keeps 3599.999 from showing as 00:59:59.100.
    const double s = RoundThroughText(seconds);
    return Truncate(std::round(s * 100.0));
}

std::string FormatTimeText(double seconds, bool shortForm) {
    return HundredthsText(TimeTextHundredths(seconds), shortForm);
}

double ParseTimeText(const std::string& text) {
    int h = 0, m = 0, s = 0, c = 0;
    std::sscanf(text.c_str(), "%d:%d:%d.%d", &h, &m, &s, &c);
    return static_cast<double>((static_cast<long long>(h) * 60 + m) * 60 + s) + c / 100.0;
}

long long FrameTimeHundredths(double seconds, bool truncateToHundredths) {
    if (truncateToHundredths) {
        return Truncate(seconds * 100.0);
    }
    // The hundredths are rounded from the fraction; a fraction that rounds up to 100 carries into the
    // seconds instead of printing three digits.
    const long long whole = Truncate(seconds);
    const double fraction = seconds - static_cast<double>(whole);
    return whole * 100 + Truncate(fraction * 100.0 + (seconds < 0 ? -0.5 : 0.5));
}

std::string SecondsToFrameTimeText(double seconds, bool truncateToHundredths) {
    return HundredthsText(FrameTimeHundredths(seconds, truncateToHundredths), false);
}

std::string HundredthsTimeText(long long hundredths) { return HundredthsText(hundredths, false); }
