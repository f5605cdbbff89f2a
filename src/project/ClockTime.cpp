#include "project/ClockTime.h"

#include <cmath>
#include <ctime>
#include <string_view>
#include <vector>

#include "project/FileHelpers.h"
#include "project/TimeText.h"

namespace {

constexpr int64_t kMillisPerMinute = 60 * 1000;
constexpr int64_t kMillisPerDay = 24 * 60 * kMillisPerMinute;
// Muxers write a clock that was never set as 0, which reads 1904 or 1970; no recording is that old.
constexpr int kEarliestYear = 1980;
constexpr int kLatestYear = 2099;
// Offsets beyond a few decades are a corrupt time, and keep every date in four digits.
constexpr double kLongestOffsetSeconds = 100.0 * 366 * 86400;

// A date and time of day as written, without a zone.
struct CivilTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millis = 0;
};

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int year, int month, int day) {
    const int64_t y = year - (month <= 2);
    const int64_t era = FloorDiv(y, 400);
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, CivilTime& t) {
    days += 719468;
    const int64_t era = FloorDiv(days, 146097);
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    t.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yearOfEra + era * 400 + (t.month <= 2));
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsValid(const CivilTime& t) {
    return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour <= 23 && t.minute <= 59 && t.second <= 59;
}

bool IsPlausible(const CivilTime& t) { return IsValid(t) && t.year >= kEarliestYear && t.year <= kLatestYear; }

// The time as if it were UTC.
int64_t CivilMillis(const CivilTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * kMillisPerDay +
           ((t.hour * 60 + t.minute) * 60 + t.second) * int64_t{1000} + t.millis;
}

RecordingClock ZonedClock(const CivilTime& t, int offsetMinutes) {
    return {true, CivilMillis(t) - offsetMinutes * kMillisPerMinute, offsetMinutes};
}

// The time as the wall clock here showed it on that date: the C library's zone rules, summer time included.
// mktime and localtime_r keep no state of their own between calls.
bool LocalClock(const CivilTime& t, RecordingClock& clock) {
    std::tm wall{};
    wall.tm_year = t.year - 1900;
    wall.tm_mon = t.month - 1;
    wall.tm_mday = t.day;
    wall.tm_hour = t.hour;
    wall.tm_min = t.minute;
    wall.tm_sec = t.second;
    wall.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&wall);
    std::tm shown{};
    if (seconds == static_cast<std::time_t>(-1) || localtime_r(&seconds, &shown) == nullptr) return false;
    clock = {true, static_cast<int64_t>(seconds) * 1000 + t.millis, static_cast<int>(shown.tm_gmtoff / 60)};
    return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t DigitRun(std::string_view text, size_t at) {
    size_t end = at;
    while (end < text.size() && IsDigit(text[end])) ++end;
    return end - at;
}

int Number(std::string_view text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

// Reads a text from the front: a fixed number of digits, or one of a few characters.
class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) {}

    bool Digits(size_t count, int& value) {
        if (m_at + count > m_text.size() || DigitRun(m_text, m_at) < count) return false;
        value = Number(m_text, m_at, count);
        m_at += count;
        return true;
    }
    // Exactly count digits, not followed by another.
    bool Field(size_t count, int& value) { return DigitRun(m_text, m_at) == count && Digits(count, value); }
    bool Take(std::string_view choices, char* taken = nullptr) {
        if (m_at >= m_text.size() || choices.find(m_text[m_at]) == std::string_view::npos) return false;
        if (taken != nullptr) *taken = m_text[m_at];
        ++m_at;
        return true;
    }
    bool AtEnd() const { return m_at == m_text.size(); }
    size_t Position() const { return m_at; }

private:
    std::string_view m_text;
    size_t m_at = 0;
};

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// "YYYY-MM-DD[T ]HH:MM:SS[.fff...][Z|+HH:MM|+HHMM|+HH]"; zoned tells whether a zone was given.
bool ParseStamp(std::string_view text, CivilTime& t, bool& zoned, int& offsetMinutes) {
    Cursor c(Trimmed(text));
    if (!(c.Field(4, t.year) && c.Take("-") && c.Field(2, t.month) && c.Take("-") && c.Field(2, t.day) &&
          c.Take("Tt ") && c.Field(2, t.hour) && c.Take(":") && c.Field(2, t.minute) && c.Take(":") &&
          c.Digits(2, t.second))) {
        return false;
    }
    t.millis = 0;
    if (c.Take(".,")) {
        int digit = 0;
        int scale = 100;
        if (!c.Digits(1, digit)) return false;
        do {
            t.millis += digit * scale;  // below a millisecond is dropped
            scale /= 10;
        } while (c.Digits(1, digit));
    }
    zoned = false;
    offsetMinutes = 0;
    char sign = 0;
    if (c.Take("Zz")) {
        zoned = true;
    } else if (c.Take("+-", &sign)) {
        int hours = 0;
        int minutes = 0;
        if (!c.Digits(2, hours)) return false;
        if (!c.AtEnd()) {
            c.Take(":");
            if (!c.Digits(2, minutes)) return false;
        }
        if (hours > 18 || minutes > 59) return false;
        zoned = true;
        offsetMinutes = (sign == '-' ? -1 : 1) * (hours * 60 + minutes);
    }
    return c.AtEnd() && IsValid(t);
}

// A date and time in one of the camera forms whose first digit is at, the one before it not a digit:
// 20240131_142530 (also "-" or " " between), 20240131142530, 2024-01-31 14-25-30 (also "T" or "_" between,
// ":" or "." in the time). Nothing when the digits there have another shape.
bool StampInName(std::string_view name, size_t at, CivilTime& t) {
    const size_t run = DigitRun(name, at);
    // The digits of the date, then those of the time from timeAt.
    const auto compact = [&](size_t timeAt) {
        t = {Number(name, at, 4),     Number(name, at + 4, 2),     Number(name, at + 6, 2),
             Number(name, timeAt, 2), Number(name, timeAt + 2, 2), Number(name, timeAt + 4, 2)};
        return true;
    };
    if (run == 14) return compact(at + 8);
    if (run == 8) {
        const size_t timeAt = at + 9;
        const bool separated =
            timeAt < name.size() && std::string_view("_- ").find(name[at + 8]) != std::string_view::npos;
        return separated && DigitRun(name, timeAt) == 6 && compact(timeAt);
    }
    Cursor c(name.substr(at));
    char separator = 0;
    char again = 0;
    return run == 4 && c.Field(4, t.year) && c.Take("-") && c.Field(2, t.month) && c.Take("-") && c.Field(2, t.day) &&
           c.Take("T_ ") && c.Field(2, t.hour) && c.Take("-:.", &separator) && c.Field(2, t.minute) &&
           c.Take("-:.", &again) && again == separator && c.Field(2, t.second);
}

// The clock time seconds after the start, split as the zone shows it.
CivilTime ShownTime(const RecordingClock& clock, double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > kLongestOffsetSeconds) seconds = 0;
    const int64_t local =
        clock.utcMillis + static_cast<int64_t>(std::llround(seconds * 1000)) + clock.offsetMinutes * kMillisPerMinute;
    const int64_t days = FloorDiv(local, kMillisPerDay);
    const int64_t inDay = local - days * kMillisPerDay;
    CivilTime t;
    CivilFromDays(days, t);
    t.hour = static_cast<int>(inDay / 3600000);
    t.minute = static_cast<int>(inDay / kMillisPerMinute % 60);
    t.second = static_cast<int>(inDay / 1000 % 60);
    t.millis = static_cast<int>(inDay % 1000);
    return t;
}

std::string DateText(const CivilTime& t) { return FormatC("%04d-%02d-%02d", t.year, t.month, t.day); }
std::string TimeOfDayText(const CivilTime& t) { return FormatC("%02d:%02d:%02d", t.hour, t.minute, t.second); }

}  // namespace

bool ClockFromCreationTime(const std::string& tag, RecordingClock& clock) {
    CivilTime t;
    bool zoned = false;
    int offset = 0;
    if (!ParseStamp(tag, t, zoned, offset) || !IsPlausible(t)) return false;
    // A time without a zone is the camera's wall clock, as a file name's is.
    if (!zoned) return LocalClock(t, clock);
    clock = ZonedClock(t, offset);
    return true;
}

bool ClockFromFileName(const std::string& fileName, RecordingClock& clock) {
    const std::string name = FileNamePart(fileName);
    std::vector<CivilTime> found;
    for (size_t i = 0; i < name.size(); ++i) {
        if (!IsDigit(name[i]) || (i > 0 && IsDigit(name[i - 1]))) continue;
        CivilTime t;
        if (StampInName(name, i, t)) found.push_back(t);
    }
    // Two different times, or one that cannot be, leave the start unknown rather than guessed.
    if (found.empty()) return false;
    for (const CivilTime& t : found) {
        if (!IsPlausible(t) || CivilMillis(t) != CivilMillis(found.front())) return false;
    }
    return LocalClock(found.front(), clock);
}

RecordingClock DetectRecordingClock(const std::string& creationTime, const std::string& path) {
    RecordingClock clock;
    if (!ClockFromCreationTime(creationTime, clock)) ClockFromFileName(path, clock);
    return clock;
}

std::string ClockText(const RecordingClock& clock, double seconds) {
    if (!clock.known) return {};
    const CivilTime t = ShownTime(clock, seconds);
    const int offset = clock.offsetMinutes < 0 ? -clock.offsetMinutes : clock.offsetMinutes;
    return DateText(t) + "T" + TimeOfDayText(t) +
           FormatC(".%03d%c%02d:%02d", t.millis, clock.offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
}

bool ParseClockText(const std::string& text, RecordingClock& clock) {
    CivilTime t;
    bool zoned = false;
    int offset = 0;
    if (!ParseStamp(text, t, zoned, offset) || !zoned) return false;
    clock = ZonedClock(t, offset);
    return true;
}

std::string ExpandClockPlaceholders(const std::string& caption, const RecordingClock& clock, double seconds) {
    if (caption.find('{') == std::string::npos) return caption;
    std::string date;
    std::string time;
    if (clock.known) {
        const CivilTime t = ShownTime(clock, seconds);
        date = DateText(t);
        time = TimeOfDayText(t);
    } else {
        date = time = FormatTimeText(seconds, false);
    }
    const struct {
        std::string_view name;
        std::string text;
    } placeholders[] = {{"{date}", date}, {"{time}", time}, {"{datetime}", clock.known ? date + " " + time : date}};
    std::string out;
    out.reserve(caption.size() + 16);
    for (size_t i = 0; i < caption.size();) {
        bool replaced = false;
        for (const auto& placeholder : placeholders) {
            if (std::string_view(caption).substr(i).starts_with(placeholder.name)) {
                out += placeholder.text;
                i += placeholder.name.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += caption[i++];
    }
    return out;
}
