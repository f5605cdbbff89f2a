#include "project/NumericRules.h"

#include <algorithm>
#include <cmath>

#include "project/TarneloData.h"
#include "project/TimeText.h"

namespace {

std::string Trimmed(const std::string& text) {
    constexpr const char* kBlanks = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// Repeated steps of 0.01 add binary rounding errors; a grid far finer than anything shown removes them, so
// the stored value is the one the text shows (1.01, not 1.0100000000000002).
double WithoutDrift(double value) {
    constexpr double kGrid = 1e9;
    if (!std::isfinite(value) || std::fabs(value) > 1e6) {
        return value;
    }
    return std::round(value * kGrid) / kGrid;
}

// Puts value into the range (maximum first, then minimum) and rebuilds the text; an integer setting keeps
// the whole number it shows.
void Store(NumericSetting& setting, double value) {
    value = std::max(setting.minimum, std::min(setting.maximum, value));
    setting.value = setting.kind == 1 ? std::trunc(value) : WithoutDrift(value);
    setting.UpdateText();
}

}  // namespace

bool ApplyNumericText(NumericSetting& setting, const std::string& typed) {
    const std::string text = Trimmed(typed);
    if (text == setting.text) {
        return false;
    }
    // A leading number counts ("1.5abc" is 1.5); no number at all, or "nan", reads as 0.
    double value = ParseDouble(text);
    if (std::isnan(value)) {
        value = 0;
    }
    Store(setting, value);
    return true;
}

int ThresholdCount(double setting) { return static_cast<int>(setting) * 100; }

bool StepNumericSetting(NumericSetting& setting, int delta) {
    const std::string before = setting.text;
    double value = setting.value;
    if (delta < 0) {
        value = std::max(setting.minimum, std::min(setting.maximum, value + setting.step));
    } else {
        value = std::min(setting.maximum, std::max(setting.minimum, value - setting.step));
    }
    Store(setting, value);
    return setting.text != before;
}
