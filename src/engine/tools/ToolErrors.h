#pragma once

#include <string>
#include <string_view>

// What a failed tool said about the file it could not write. ffmpeg ends with the system's own text for a
// failed write ("No space left on device", "File too large"), which tells a full disk from a bad input far
// better than its exit code does.

// The end of a tool's output, limited so that an hour of progress lines costs nothing.
class OutputTail {
public:
    void Add(std::string_view chunk);
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

// The system's text for a failed write that text names, the last one when it names several; empty when it
// names none.
std::string WriteErrorIn(std::string_view text);

// Why a tool failed, in words a user can act on: the write error its output names, else what ffmpeg's exit
// code 69 means (too many frames could not be decoded), else the first line of its output that reports an
// error (shortened); empty when neither says anything.
std::string ToolFailureReason(int exitCode, std::string_view text);

// The output time of ffmpeg's last status line in text ("time=00:16:53.11"), or -1 when there is none.
double LastStatusSeconds(std::string_view text);

// True when an encode of `expectedSeconds` of video has written far more than that: a damaged header (an audio
// rate of 1 Hz, a stream that claims hours) would otherwise keep it busy for hours on a file of seconds.
bool RunsFarPastItsVideo(double outputSeconds, double expectedSeconds);

// True when ffmpeg's output says, at the start of a line, that it could not finish writing its output file.
// ffmpeg 5 then still exits with 0, leaving a file without its index under the final name.
bool ReportsUnfinishedOutput(std::string_view text);
