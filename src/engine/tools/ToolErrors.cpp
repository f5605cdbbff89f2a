#include "engine/tools/ToolErrors.h"

#include <cerrno>
#include <cstring>

namespace {

// Enough for ffmpeg's closing lines, which follow the last progress line.
constexpr size_t kTailLimit = 4096;

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
