#include "engine/tools/ToolErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Enough for ffmpeg's closing lines, which follow the last progress line.
constexpr size_t kTailLimit = 4096;
// ffmpeg's exit code when more of the frames failed to decode than its error rate allows.
constexpr int kTooManyDecodeErrors = 69;
constexpr size_t kReasonLimit = 160;

bool ReportsError(std::string_view line) {
    // Its closing words repeat that it failed, not why.
    if (line == "Conversion failed!") return false;
    for (const std::string_view word : {"rror", "nvalid", "annot ", "not found", "No such", "ould not", "failed"}) {
        if (line.find(word) != std::string_view::npos) return true;
    }
    // An output it cannot open is told by the system's words after the name ("a.mp4: Is a directory").
    for (const int code : {EISDIR, ENOTDIR}) {
        if (line.find(std::strerror(code)) != std::string_view::npos) return true;
    }
    return false;
}

}  // namespace

void OutputTail::Add(std::string_view chunk) {
    if (chunk.size() >= kTailLimit) {
        m_text.assign(chunk.substr(chunk.size() - kTailLimit));
        return;
    }
    m_text.append(chunk);
    if (m_text.size() > kTailLimit) m_text.erase(0, m_text.size() - kTailLimit);
}

bool ReportsUnfinishedOutput(std::string_view text) {
    for (const std::string_view phrase : {"Error writing trailer of ", "Error closing file "}) {
        // Only at the start of a line, where ffmpeg puts its own words: the same words in a file's tags
        // (indented in its stream dump, quoted in a report) must not fail a run.
        for (size_t at = text.find(phrase); at != std::string_view::npos; at = text.find(phrase, at + 1)) {
            if (at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r') return true;
        }
    }
    return false;
}

std::string WriteErrorIn(std::string_view text) {
    std::string found;
    size_t foundAt = 0;
    for (const int code : {ENOSPC, EFBIG, EDQUOT, EROFS, EACCES, EIO}) {
        const std::string_view name = std::strerror(code);
        const size_t at = text.rfind(name);
        if (at != std::string_view::npos && (found.empty() || at > foundAt)) {
            found = name;
            foundAt = at;
        }
    }
    return found;
}

std::string ToolFailureReason(int exitCode, std::string_view text) {
    if (std::string written = WriteErrorIn(text); !written.empty()) return written;
    if (exitCode == kTooManyDecodeErrors) return "too many of its frames could not be decoded (the file is damaged)";
    // A full tail starts inside a line.
    if (text.size() >= kTailLimit) text.remove_prefix(std::min(text.size(), text.find('\n') + 1));
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        // A line's "[decoder @ 0x...] " prefix names the part of ffmpeg, not the problem.
        if (!line.empty() && line.front() == '[' && line.find("] ") != std::string_view::npos) {
            line.remove_prefix(line.find("] ") + 2);
        }
        if (ReportsError(line)) return std::string(line.substr(0, kReasonLimit));
    }
    return {};
}

double LastStatusSeconds(std::string_view text) {
    const size_t at = text.rfind("time=");
    if (at == std::string_view::npos) return -1;
    int hours = 0;
    int minutes = 0;
    double seconds = 0;
    const std::string field(text.substr(at + 5, 24));
    if (std::sscanf(field.c_str(), "%d:%d:%lf", &hours, &minutes, &seconds) != 3 || hours < 0) return -1;
    return hours * 3600.0 + minutes * 60.0 + seconds;
}

bool RunsFarPastItsVideo(double outputSeconds, double expectedSeconds) {
    // Wide enough for every change of rate and padding a job makes; a runaway passes it in seconds.
    return expectedSeconds > 0 && outputSeconds > 10 * expectedSeconds + 300;
}
