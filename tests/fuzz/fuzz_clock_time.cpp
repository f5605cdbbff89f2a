// The readers of a recording's start clock on any text, and the writers of clock times. The input is lines:
// a creation_time tag, a file name, a caption, and the seconds after the start as a number ("nan", "-inf",
// "1e300" and hexadecimal are taken too). Each of the first two lines goes through every reader.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "project/ClockTime.h"
#include "project/TimeText.h"

namespace {

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    while (lines.size() < 3) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) break;
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    lines.emplace_back(text);
    lines.resize(4);
    return lines;
}

// A clock a reader gave: the project keeps its start as ClockText at 0 and reads it back with ParseClockText.
void CheckClock(const RecordingClock& clock, double seconds) {
    if (!clock.known) __builtin_trap();
    const std::string start = ClockText(clock, 0);
    RecordingClock back;
    if (!ParseClockText(start, back) || !(back == clock) || ClockText(back, 0) != start) __builtin_trap();

    // Within decades of the start a time writes as the start plus the offset, to the millisecond (while the
    // year keeps four digits: a start typed into a project may be in year 9999).
    const std::string later = ClockText(clock, seconds);
    if (later.empty()) __builtin_trap();
    const int year = std::atoi(start.substr(0, 4).c_str());
    RecordingClock shown;
    if (std::isfinite(seconds) && std::fabs(seconds) <= 1e9 && year >= 1100 && year <= 8900) {
        const double expected = static_cast<double>(clock.utcMillis) + seconds * 1000;
        if (!ParseClockText(later, shown) || shown.offsetMinutes != clock.offsetMinutes ||
            std::fabs(static_cast<double>(shown.utcMillis) - expected) > 0.51) {
            __builtin_trap();
        }
    }
}

// Every placeholder is replaced, whatever the clock and the seconds; a caption without braces is kept.
void CheckCaption(const std::string& caption, const RecordingClock& clock, double seconds) {
    const std::string out = ExpandClockPlaceholders(caption, clock, seconds);
    if (caption.find('{') == std::string::npos && out != caption) __builtin_trap();
    for (const char* name : {"{date}", "{time}", "{datetime}"}) {
        if (out.find(name) != std::string::npos) __builtin_trap();
    }
}

// Every reader on the text: what one accepts is a clock; what it refuses leaves the clock as it was.
void CheckReaders(const std::string& text, const std::string& caption, double seconds) {
    const RecordingClock untouched{true, 123456789, 7};
    for (const auto read : {ClockFromCreationTime, ClockFromFileName, ParseClockText}) {
        RecordingClock clock = untouched;
        if (read(text, clock)) {
            CheckClock(clock, seconds);
            CheckCaption(caption, clock, seconds);
        } else if (!(clock == untouched)) {
            __builtin_trap();
        }
    }
}

}  // namespace

// File names are read in local time: a zone with summer time and a half-hour offset, fixed by rule so the
// run does not depend on the machine's zone files.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "ACST-9:30ACDT,M10.1.0,M4.1.0/3", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> lines = Lines(std::string_view(reinterpret_cast<const char*>(data), size));
    const double seconds = ParseDouble(lines[3]);
    CheckReaders(lines[0], lines[2], seconds);
    CheckReaders(lines[1], lines[2], seconds);

    const RecordingClock detected = DetectRecordingClock(lines[0], lines[1]);
    if (detected.known) CheckClock(detected, seconds);
    if (!ClockText(RecordingClock{}, seconds).empty()) __builtin_trap();
    CheckCaption(lines[2], detected, seconds);
    CheckCaption(lines[2], RecordingClock{}, seconds);
    return 0;
}
