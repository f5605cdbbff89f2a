#pragma once

#include <string>
#include <string_view>
#include <vector>

struct VideoInfo;

// The pure half of media probing: command texts, reading ffprobe's JSON report, splitting the frame-time
// listing and judging frame intervals. Nothing here starts a process, so tests feed canned text.

// Report kinds of GetFfprobeReport: 1 and 2 format and streams, 3 format, 4 video streams, 5 audio
// streams, any other the first video stream. Kind 1 is also the report GetVideoInfoFfprobe reads.
constexpr int kVideoInfoReportKind = 1;

// The ffprobe command of a report kind, the path escaped for the quotes around it.
std::string ProbeCommand(int kind, const std::string& path);
// Lists the presentation time of every frame of the first video stream, one per line.
std::string PtsListCommand(const std::string& path);
// Lists the presentation time and flags of every packet of the first video stream, one per line, without
// decoding: the whole-file listing, as fast as reading the file.
std::string PacketTimesCommand(const std::string& path);
// Decodes to grey frames of width x height on the pipe; prefix is FfmpegPrefix().
std::string NbFrameCommand(const std::string& prefix, const std::string& path, int width, int height);

// The size GetNbFrame decodes at: one hundredth of each side, rounded half away from zero.
int NbFrameScaledSide(int side);

// Fills info from a "-show_format -show_streams" JSON report. info is reset to its defaults first and
// keeps them on failure. Returns 0, or -1 when the text is not a JSON object, has no non-empty "streams"
// array or no video stream. frameCountMissing is set when the video stream has no "nb_frames" key, or one the
// file cannot hold (more frames than bytes, or far more than its duration at its rate), so the caller can
// count frames another way; the frame rate is left unsnapped.
int ParseVideoInfoJson(const std::string& text, VideoInfo& info, bool& frameCountMissing);

// Turns ffprobe's pts listing, arriving in arbitrary chunks, into times relative to the first frame:
// texts "%.6f" of t - t0 and their numeric values (so the first entry is 0.000000). Lines are trimmed
// of " ,\r\n"; empty lines and lines that are not a number (diagnostics share the pipe) are skipped.
class PtsLineSplitter {
public:
    // With limit > 0, Feed stops splitting as soon as more than limit values have been taken; the
    // unsplit text is kept, so a later chunk continues exactly where this one stopped. origin is the time given
    // to the first value (a video stream that starts after the container's start).
    PtsLineSplitter(std::vector<std::string>& texts, std::vector<double>& times, size_t limit = 0, double origin = 0);

    // Splits the kept text plus chunk at "\n". Returns true when the value limit has been passed.
    bool Feed(std::string_view chunk);
    // End of output: converts a last line without "\n". Returns true when it gave a value.
    bool Finish();

    size_t Count() const { return m_times.size(); }
    const std::string& Pending() const { return m_pending; }

private:
    bool TakeLine(std::string_view line);
    bool LimitPassed() const { return m_limit > 0 && m_times.size() > m_limit; }

    std::vector<std::string>& m_texts;
    std::vector<double>& m_times;
    size_t m_limit;
    std::string m_pending;
    double m_origin = 0;
    bool m_haveBase = false;
    double m_base = 0;
};

// Collects the shown frames' times from the packet listing ("pts_time,flags" lines in arbitrary chunks). A
// packet flagged D (a frame an edit list skips) or without a time shows no frame. Packets arrive in decoding
// order, so the times are sorted at the end.
class PacketTimeCollector {
public:
    void Feed(std::string_view chunk);
    size_t Count() const { return m_raw.size(); }
    // End of output: a last line without "\n" is taken, then the times in presentation order, relative to the
    // first and moved to origin, as texts "%.6f" and their values (the frame listing's form).
    void Finish(std::vector<std::string>& texts, std::vector<double>& times, double origin);

private:
    void TakeLine(std::string_view line);

    std::string m_pending;
    std::vector<double> m_raw;
};

// Formats a time as the listing does ("%.6f").
std::string PtsText(double seconds);
// Appends seconds as the listing keeps a time: its "%.6f" text, and the value of that text, so both agree.
void AppendListedTime(std::vector<std::string>& texts, std::vector<double>& times, double seconds);

// Extends the lists to frameCount + 1 entries, each the previous one plus the first interval (entry 1
// minus entry 0). A list of one entry uses fallbackInterval instead; an empty list, or no positive
// interval to use, leaves the lists as they are.
void ExtendPtsList(std::vector<std::string>& texts, std::vector<double>& times, int frameCount,
                   double fallbackInterval);

// Statistics of the intervals between consecutive times: mean, population standard deviation and
// the spread between the largest and the smallest interval.
struct PtsIntervalStats {
    size_t count = 0;  // number of intervals
    double mean = 0;
    double stddev = 0;
    double range = 0;
};
PtsIntervalStats ComputePtsIntervalStats(const std::vector<double>& times);

// True when the intervals are constant and equal to one frame at fps. Needs more than 2 times.
bool IsConstantFrameRate(const PtsIntervalStats& stats, double fps);
bool IsConstantFrameRate(const std::vector<double>& times, double fps, PtsIntervalStats* stats = nullptr);

// True when every interval between the sorted times is one frame at fps, give or take the millisecond to which
// some containers round their times. Needs 2 times or more.
bool IsSteadyFrameRate(const std::vector<double>& times, double fps);

// True when the stream's frame count, base rate and length agree to within half a frame: the first frames'
// rate then holds to the end. Without a stated length nothing is proven.
bool IsWholeFileConstantRate(const VideoInfo& info);
