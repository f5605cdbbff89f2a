#pragma once

#include <cstdint>
#include <string>

// When a recording started by the clock, as far as the file tells: its creation_time metadata, else a date
// and time in its file name. Times in a recording are offsets from its start; with a clock they become dates.
struct RecordingClock {
    bool known = false;
    int64_t utcMillis = 0;  // the start, milliseconds since 1970-01-01T00:00:00Z
    int offsetMinutes = 0;  // the zone the times are shown in: the metadata's, or local time for a file name

    bool operator==(const RecordingClock&) const = default;
};

// creation_time as ffprobe reports it ("2024-01-31T14:25:30.000000Z", also with "+09:00" or a space for the
// "T"); one without a zone is the camera's wall clock, local time at that date. False, and clock untouched, for
// anything that is not a valid date and time, and for years before 1980 or after 2099 (a clock never set
// reads 1904 or 1970).
bool ClockFromCreationTime(const std::string& tag, RecordingClock& clock);
// A date and time in the name part of a path, in the common camera forms: 20240131_142530, 2024-01-31 14-25-30,
// 2024-01-31T14:25:30, IMG_20240131_142530, VID_..., 20240131142530; the zone is local time at that date
// (summer time included). False, and clock untouched, when there is none, when it is no valid date (month 13,
// February 30, hour 25), when its digits run on into more digits, or when the name holds two different times.
bool ClockFromFileName(const std::string& fileName, RecordingClock& clock);
// The start of the recording at path: its creation_time (as probed, may be empty) if that is one, else a time in
// its file name, else unknown.
RecordingClock DetectRecordingClock(const std::string& creationTime, const std::string& path);

// The clock time `seconds` after the start as ISO 8601 with the zone: "2024-01-31T14:25:31.480+09:00"
// (milliseconds always, "+00:00" for UTC). Empty for an unknown clock.
std::string ClockText(const RecordingClock& clock, double seconds);
// The project's form of the start (ClockText at 0) read back, or another of the forms above with a zone; false,
// and clock untouched, for anything else.
bool ParseClockText(const std::string& text, RecordingClock& clock);

// A caption's {date}, {time} and {datetime} replaced by the clock time `seconds` after the start
// ("2024-01-31", "14:25:31", "2024-01-31 14:25:31"); with an unknown clock each by the offset time
// (FormatTimeText of seconds), never left as braces. Other text, and other braces, stay as they are.
std::string ExpandClockPlaceholders(const std::string& caption, const RecordingClock& clock, double seconds);
