#include "engine/probe/ProbeParsing.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "platform/Process.h"
#include "project/TarneloData.h"

namespace {

using Json = nlohmann::json;

// Lengths and offsets beyond a day are a damaged header's, not a recording's.
constexpr double kLongestTimedSeconds = 24 * 3600.0;

// Reads a leading integer the way atoi does (spaces, sign, digits; anything else ends it; no digits
// gives 0), clamped to long long so that absurd report values cannot overflow.
long long LeadingInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (LLONG_MAX - digit) / 10) return negative ? LLONG_MIN : LLONG_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

int ClampToInt(long long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// The text of a string member, or fallback when the member is absent or not a string.
std::string StringMember(const Json& object, const char* key, const char* fallback) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return fallback;
    return it->get<std::string>();
}

int IntegerMember(const Json& object, const char* key, int fallback) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number()) return fallback;
    if (it->is_number_float()) {
        const double v = it->get<double>();
        if (!std::isfinite(v)) return fallback;
        // Limited before the conversion: a double beyond long long does not convert.
        return v >= INT_MAX ? INT_MAX : v <= INT_MIN ? INT_MIN : static_cast<int>(v);
    }
    if (it->is_number_unsigned())
        return ClampToInt(static_cast<long long>(std::min<uint64_t>(it->get<uint64_t>(), INT_MAX)));
    return ClampToInt(it->get<long long>());
}

// A frame-rate fraction "num/den". Valid when it has a "/" and a non-zero denominator.
struct Fraction {
    bool valid = false;
    long long num = 0;
    long long den = 0;
    double value = 0;
};

Fraction ParseFraction(const std::string& text) {
    Fraction f;
    const size_t slash = text.find('/');
    if (slash == std::string::npos) return f;
    f.num = LeadingInteger(std::string_view(text).substr(0, slash));
    f.den = LeadingInteger(std::string_view(text).substr(slash + 1));
    if (f.den == 0) return f;
    f.valid = true;
    f.value = static_cast<double>(f.num) / static_cast<double>(f.den);
    return f;
}

// An average rate the containers report wrongly: none, 120 fps or more, or a time base taken for a rate.
// A rate of zero or below is no rate either; the stream's base rate is the better answer then.
bool IsImplausibleRate(const Fraction& f) {
    return !f.valid || !(f.value > 0) || f.value >= 120.0 || (f.den == 1 && f.num > 999);
}

void ReadFrameRate(const Json& stream, VideoInfo& info) {
    info.r_frame_rate = StringMember(stream, "avg_frame_rate", "0/1");
    Fraction rate = ParseFraction(info.r_frame_rate);
    if (IsImplausibleRate(rate)) {
        info.r_frame_rate = StringMember(stream, "r_frame_rate", "0/1");
        rate = ParseFraction(info.r_frame_rate);
    }
    info.fps = rate.valid ? rate.value : 0;
}

// "nb_frames" as text or integer; N/A and other types give 0. Returns false when the key is absent.
bool ReadFrameCount(const Json& stream, VideoInfo& info) {
    const auto it = stream.find("nb_frames");
    if (it == stream.end()) return false;
    long long count = 0;
    if (it->is_string()) {
        const std::string text = it->get<std::string>();
        if (text != "N/A") count = LeadingInteger(text);
    } else if (it->is_number_integer()) {
        count = it->is_number_unsigned() ? static_cast<long long>(std::min<uint64_t>(it->get<uint64_t>(), INT_MAX))
                                         : it->get<long long>();
    }
    // A negative count would turn every later frame loop upside down.
    info.frame_num = count < 0 ? 0 : ClampToInt(count);
    return true;
}

void ReadStartFrame(const Json& stream, VideoInfo& info) {
    const auto it = stream.find("start_time");
    double start = 0;
    if (it == stream.end()) {
        start = 0;
    } else if (it->is_string()) {
        const std::string text = it->get<std::string>();
        if (text == "N/A") return;
        std::from_chars(text.data(), text.data() + text.size(), start);
    } else if (it->is_number()) {
        start = it->get<double>();
    } else {
        return;
    }
    const double frames = start * info.fps + 0.5;
    if (!std::isfinite(frames) || frames >= INT_MAX || frames <= INT_MIN) return;
    info.start_frame = static_cast<int>(frames);
}

// A time in seconds as ffprobe writes it (text or number); NaN when absent, N/A or not finite.
double SecondsMember(const Json& object, const char* key) {
    const auto it = object.find(key);
    double value = std::nan("");
    if (it == object.end()) return value;
    if (it->is_string()) {
        const std::string text = it->get<std::string>();
        std::from_chars(text.data(), text.data() + text.size(), value);
    } else if (it->is_number()) {
        value = it->get<double>();
    }
    return std::isfinite(value) ? value : std::nan("");
}

// What the frame-time list needs besides the record's fields: the base rate, the stream's length and where its
// first frame sits after the container's start (an audio stream may begin earlier).
void ReadTiming(const Json& report, const Json& stream, VideoInfo& info) {
    const Fraction nominal = ParseFraction(StringMember(stream, "r_frame_rate", "0/1"));
    info.nominal_fps = IsImplausibleRate(nominal) ? 0 : nominal.value;
    const double duration = SecondsMember(stream, "duration");
    info.duration = duration > 0 && duration < kLongestTimedSeconds ? duration : 0;
    const auto format = report.find("format");
    const double streamStart = SecondsMember(stream, "start_time");
    const double formatStart =
        format != report.end() && format->is_object() ? SecondsMember(*format, "start_time") : std::nan("");
    const double offset = streamStart - formatStart;
    info.start_offset = offset > 0 && offset < kLongestTimedSeconds ? offset : 0;
}

// The tag of object's "tags", or empty.
std::string TagMember(const Json& object, const char* key) {
    const auto tags = object.find("tags");
    return tags != object.end() && tags->is_object() ? StringMember(*tags, key, "") : std::string();
}

// When the recording was made: the container's tag, else the video stream's.
void ReadCreationTime(const Json& report, const Json& stream, VideoInfo& info) {
    const auto format = report.find("format");
    if (format != report.end() && format->is_object()) info.creation_time = TagMember(*format, "creation_time");
    if (info.creation_time.empty()) info.creation_time = TagMember(stream, "creation_time");
}

void ReadRotation(const Json& stream, VideoInfo& info) {
    const auto list = stream.find("side_data_list");
    if (list == stream.end() || !list->is_array()) return;
    for (const Json& element : *list) {
        if (!element.is_object()) continue;
        const auto rotation = element.find("rotation");
        if (rotation == element.end() || !rotation->is_number()) continue;
        info.rotation = IntegerMember(element, "rotation", 0);
        return;
    }
}

void ReadFieldOrder(const Json& stream, VideoInfo& info) {
    const std::string order = StringMember(stream, "field_order", "unknown");
    if (order != "N/A" && order != "unknown") info.field_order = order;
}

void ReadSampleAspectRatio(const Json& stream, VideoInfo& info) {
    const std::string sar = StringMember(stream, "sample_aspect_ratio", "1:1");
    const size_t colon = sar.find(':');
    if (colon == std::string::npos) return;
    const int den = ClampToInt(LeadingInteger(std::string_view(sar).substr(colon + 1)));
    // A ratio over zero would divide by zero wherever the display size is computed.
    if (den <= 0) return;
    info.sar_num = ClampToInt(LeadingInteger(std::string_view(sar).substr(0, colon)));
    info.sar_den = den;
}

bool HasCodecType(const Json& stream, const char* type) {
    return stream.is_object() && StringMember(stream, "codec_type", "") == type;
}

bool IsTrimmed(char c) { return c == ' ' || c == ',' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string ProbeCommand(int kind, const std::string& path) {
    const char* format = nullptr;
    switch (kind) {
        case 1:
        case 2:
            format = "ffprobe -v quiet -print_format json -show_format -show_streams \"%s\"";
            break;
        case 3:
            format = "ffprobe -v quiet -print_format json -show_format \"%s\"";
            break;
        case 4:
            format = "ffprobe -v quiet -print_format json -select_streams v -show_streams \"%s\"";
            break;
        case 5:
            format = "ffprobe -v quiet -print_format json -select_streams a -show_streams \"%s\"";
            break;
        default:
            format = "ffprobe -v error -show_streams -select_streams v:0 -print_format json \"%s\"";
            break;
    }
    const std::string escaped = platform::EscapeQuotedArgument(path);
    std::string command(format);
    command.replace(command.find("%s"), 2, escaped);
    return command;
}

std::string PtsListCommand(const std::string& path) {
    return "ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 \"" +
           platform::EscapeQuotedArgument(path) + "\"";
}

std::string PacketTimesCommand(const std::string& path) {
    return "ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,flags -of csv=p=0 \"" +
           platform::EscapeQuotedArgument(path) + "\"";
}

std::string NbFrameCommand(const std::string& prefix, const std::string& path, int width, int height) {
    return prefix + "-loglevel quiet -blocksize 1048576 -i \"" + platform::EscapeQuotedArgument(path) +
           "\" -vf \"scale=" + std::to_string(width) + ":" + std::to_string(height) + "\" -f rawvideo -pix_fmt gray -";
}

int NbFrameScaledSide(int side) {
    const double scaled = side * 0.01;
    return static_cast<int>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
}

namespace {

// A damaged header can state a count the file cannot hold: hundreds of millions of frames in a clip of seconds,
// whose frame times would then all be listed. A count above the file's bytes, or far above what its duration
// at its rate gives (variable rates and a late index allowed for), is not taken.
bool ImplausibleFrameCount(const Json& report, const VideoInfo& info) {
    if (info.frame_num <= 0) return false;
    const auto format = report.find("format");
    const bool hasFormat = format != report.end() && format->is_object();
    const double bytes = hasFormat ? SecondsMember(*format, "size") : std::nan("");
    if (bytes > 0 && info.frame_num > bytes) return true;
    double duration = info.duration;
    if (!(duration > 0) && hasFormat) {
        const double stated = SecondsMember(*format, "duration");
        if (stated > 0 && stated < kLongestTimedSeconds) duration = stated;
    }
    if (!(duration > 0) || !(info.fps > 0)) return false;
    constexpr double kRateSlack = 4;
    constexpr double kFrameSlack = 100;
    return info.frame_num > kRateSlack * (duration + 1) * info.fps + kFrameSlack;
}

}  // namespace

int ParseVideoInfoJson(const std::string& text, VideoInfo& info, bool& frameCountMissing) {
    info = VideoInfo{};
    frameCountMissing = false;

    const Json report = Json::parse(text, nullptr, false);
    if (report.is_discarded() || !report.is_object()) return -1;
    const auto streams = report.find("streams");
    if (streams == report.end() || !streams->is_array() || streams->empty()) return -1;

    const Json* video = nullptr;
    bool hasAudio = false;
    for (const Json& stream : *streams) {
        if (!video && HasCodecType(stream, "video")) video = &stream;
        if (HasCodecType(stream, "audio")) hasAudio = true;
    }
    if (!video) return -1;

    VideoInfo probed;
    probed.has_audio = hasAudio;
    probed.width = IntegerMember(*video, "width", -1);
    probed.height = IntegerMember(*video, "height", -1);
    ReadFrameRate(*video, probed);
    frameCountMissing = !ReadFrameCount(*video, probed);
    ReadStartFrame(*video, probed);
    ReadRotation(*video, probed);
    ReadFieldOrder(*video, probed);
    ReadSampleAspectRatio(*video, probed);
    ReadTiming(report, *video, probed);
    ReadCreationTime(report, *video, probed);
    if (!frameCountMissing && ImplausibleFrameCount(report, probed)) {
        probed.frame_num = 0;
        frameCountMissing = true;
    }
    info = probed;
    return 0;
}

PtsLineSplitter::PtsLineSplitter(std::vector<std::string>& texts, std::vector<double>& times, size_t limit,
                                 double origin)
    : m_texts(texts), m_times(times), m_limit(limit), m_origin(origin) {}

bool PtsLineSplitter::Feed(std::string_view chunk) {
    m_pending.append(chunk);
    size_t begin = 0;
    bool passed = false;
    for (;;) {
        const size_t end = m_pending.find('\n', begin);
        if (end == std::string::npos) break;
        const bool took = TakeLine(std::string_view(m_pending).substr(begin, end - begin));
        begin = end + 1;
        if (took && LimitPassed()) {
            passed = true;
            break;
        }
    }
    m_pending.erase(0, begin);
    return passed;
}

bool PtsLineSplitter::Finish() {
    const std::string rest = std::move(m_pending);
    m_pending.clear();
    return TakeLine(rest);
}

bool PtsLineSplitter::TakeLine(std::string_view line) {
    line = Trim(line);
    if (line.empty()) return false;
    double t = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), t);
    if (error != std::errc() || end != line.data() + line.size() || !std::isfinite(t)) return false;
    if (!m_haveBase) {
        m_base = t;
        m_haveBase = true;
    }
    AppendListedTime(m_texts, m_times, t - m_base + m_origin);
    return true;
}

void PacketTimeCollector::Feed(std::string_view chunk) {
    m_pending.append(chunk);
    size_t begin = 0;
    for (size_t end = m_pending.find('\n'); end != std::string::npos; end = m_pending.find('\n', begin)) {
        TakeLine(std::string_view(m_pending).substr(begin, end - begin));
        begin = end + 1;
    }
    m_pending.erase(0, begin);
}

void PacketTimeCollector::TakeLine(std::string_view line) {
    line = Trim(line);
    const size_t comma = line.find(',');
    const std::string_view time = line.substr(0, comma);
    const std::string_view flags = comma == std::string_view::npos ? std::string_view() : line.substr(comma + 1);
    if (flags.find('D') != std::string_view::npos) return;
    double t = 0;
    const auto [end, error] = std::from_chars(time.data(), time.data() + time.size(), t);
    if (time.empty() || error != std::errc() || end != time.data() + time.size() || !std::isfinite(t)) return;
    m_raw.push_back(t);
}

void PacketTimeCollector::Finish(std::vector<std::string>& texts, std::vector<double>& times, double origin) {
    TakeLine(m_pending);
    m_pending.clear();
    std::sort(m_raw.begin(), m_raw.end());
    texts.clear();
    times.clear();
    texts.reserve(m_raw.size());
    times.reserve(m_raw.size());
    for (const double t : m_raw) AppendListedTime(texts, times, t - m_raw.front() + origin);
}

std::string PtsText(double seconds) {
    // to_chars rounds like printf's "%.6f" but never takes a decimal comma from the user's locale.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) return "0.000000";
    return std::string(buffer, result.ptr);
}

void AppendListedTime(std::vector<std::string>& texts, std::vector<double>& times, double seconds) {
    std::string text = PtsText(seconds);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    texts.push_back(std::move(text));
    times.push_back(value);
}

void ExtendPtsList(std::vector<std::string>& texts, std::vector<double>& times, int frameCount,
                   double fallbackInterval) {
    if (times.empty() || texts.size() != times.size()) return;
    const double interval = times.size() >= 2 ? times[1] - times[0] : fallbackInterval;
    // Without a forward step the list could never reach its length.
    if (!(interval > 0) || !std::isfinite(interval)) return;
    while (frameCount >= 0 && times.size() <= static_cast<size_t>(frameCount)) {
        AppendListedTime(texts, times, times.back() + interval);
    }
}

PtsIntervalStats ComputePtsIntervalStats(const std::vector<double>& times) {
    PtsIntervalStats stats;
    if (times.size() < 2) return stats;
    stats.count = times.size() - 1;
    double sum = 0;
    double smallest = times[1] - times[0];
    double largest = smallest;
    for (size_t i = 1; i < times.size(); ++i) {
        const double d = times[i] - times[i - 1];
        sum += d;
        smallest = std::min(smallest, d);
        largest = std::max(largest, d);
    }
    stats.mean = sum / static_cast<double>(stats.count);
    double squares = 0;
    for (size_t i = 1; i < times.size(); ++i) {
        const double deviation = (times[i] - times[i - 1]) - stats.mean;
        squares += deviation * deviation;
    }
    stats.stddev = std::sqrt(squares / static_cast<double>(stats.count));
    stats.range = largest - smallest;
    return stats;
}

bool IsConstantFrameRate(const PtsIntervalStats& stats, double fps) {
    if (stats.count < 2 || !(fps > 0)) return false;
    return stats.stddev < 0.00001 && stats.range < 0.00001 && std::fabs(stats.mean - 1.0 / fps) < 0.0001;
}

bool IsSteadyFrameRate(const std::vector<double>& times, double fps) {
    if (times.size() < 2 || !(fps > 0)) return false;
    constexpr double kContainerRounding = 0.001;
    for (size_t i = 1; i < times.size(); ++i) {
        if (std::fabs(times[i] - times[i - 1] - 1 / fps) > kContainerRounding) return false;
    }
    return true;
}

bool IsWholeFileConstantRate(const VideoInfo& info) {
    const double rate = info.nominal_fps > 0 ? info.nominal_fps : info.fps;
    if (!(rate > 0) || !(info.duration > 0) || info.frame_num <= 0) return false;
    // One frame more or less than the base rate gives over the stream's length is a change of rate.
    return std::fabs(info.frame_num / rate - info.duration) < 0.5 / rate;
}

bool IsConstantFrameRate(const std::vector<double>& times, double fps, PtsIntervalStats* stats) {
    const PtsIntervalStats computed = ComputePtsIntervalStats(times);
    if (stats) *stats = computed;
    return times.size() > 2 && IsConstantFrameRate(computed, fps);
}
