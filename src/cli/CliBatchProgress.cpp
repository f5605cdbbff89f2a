#include "cli/CliBatchProgress.h"

#include <algorithm>
#include <cmath>

#include "project/TimeText.h"

namespace cli {
namespace {

// text cut to at most width bytes, "..." marking the cut, never inside a UTF-8 character.
std::string CutTo(const std::string& text, size_t width) {
    if (width == 0 || text.size() <= width) return text;
    if (width <= 3) return text.substr(0, width);
    size_t end = width - 3;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + "...";
}

std::string WithoutTrailingSpaces(std::string line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

std::string ScenesText(const FileOutcome& outcome) { return outcome.scenes < 0 ? "-" : std::to_string(outcome.scenes); }

std::string SecondsText(const FileOutcome& outcome) {
    return outcome.scenes < 0 ? "-" : FormatC("%.2f", outcome.seconds);
}

}  // namespace

const char* FileStatusText(FileStatus status) {
    switch (status) {
        case FileStatus::kDone:
            return "done";
        case FileStatus::kSkipped:
            return "skipped";
        case FileStatus::kFailed:
            return "failed";
        case FileStatus::kStopped:
            return "stopped";
        case FileStatus::kPending:
            break;
    }
    return "pending";
}

BatchProgress::BatchProgress(std::vector<long long> bytes) {
    for (const long long size : bytes) m_files.push_back({static_cast<double>(std::max(0LL, size))});
}

void BatchProgress::Start(size_t file) {
    if (file < m_files.size()) m_files[file].started = true;
}

void BatchProgress::Decoded(size_t file, double share) {
    if (file >= m_files.size() || m_files[file].finished || !(share >= 0)) return;
    m_files[file].share = std::max(m_files[file].share, std::min(share, 1.0));
}

void BatchProgress::Finish(size_t file) {
    if (file < m_files.size()) m_files[file].finished = m_files[file].started = true;
}

size_t BatchProgress::FilesDone() const {
    return static_cast<size_t>(std::count_if(m_files.begin(), m_files.end(), [](const File& f) { return f.finished; }));
}

std::vector<size_t> BatchProgress::Running() const {
    std::vector<size_t> running;
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (m_files[i].started && !m_files[i].finished) running.push_back(i);
    }
    return running;
}

double BatchProgress::BytesRead() const {
    double read = 0;
    for (const File& f : m_files) read += f.bytes * f.share;
    return read;
}

double BatchProgress::BytesLeft() const {
    double left = 0;
    for (const File& f : m_files) {
        if (!f.finished) left += f.bytes * (1 - f.share);
    }
    return left;
}

int BatchProgress::Percent() const {
    const double read = BytesRead();
    const double all = read + BytesLeft();
    if (all <= 0) return m_files.empty() || FilesDone() == m_files.size() ? 100 : 0;
    return static_cast<int>(std::floor(read * 100 / all));
}

double BatchProgress::SecondsLeft(double elapsedSeconds) const {
    // The first second's rate says little: a scan starts with probing and preparing.
    const double read = BytesRead();
    if (elapsedSeconds < 1 || read <= 0 || BytesLeft() <= 0) return -1;
    return BytesLeft() * elapsedSeconds / read;
}

std::string TimeLeftText(double seconds) {
    if (!(seconds >= 0)) return {};
    const long long s = std::llround(seconds);
    if (s < 60) return FormatC("~%llds left", s);
    if (s < 3600) return FormatC("~%lldm%02llds left", s / 60, s % 60);
    return FormatC("~%lldh%02lldm left", s / 3600, s / 60 % 60);
}

std::string FormatBatchLine(const BatchProgress& progress, const std::vector<std::string>& running,
                            double elapsedSeconds, size_t width) {
    std::string line = FormatC("  %zu/%zu files  %3d%%", progress.FilesDone(), progress.Files(), progress.Percent());
    if (const std::string left = TimeLeftText(progress.SecondsLeft(elapsedSeconds)); !left.empty()) {
        line += "  " + left;
    }
    std::string names;
    for (const std::string& name : running) names += (names.empty() ? "" : ", ") + name;
    if (!names.empty()) line += "  " + names;
    return CutTo(line, width);
}

std::string FormatFileEnd(size_t index, size_t total, const std::string& shown, const FileOutcome& outcome) {
    std::string line = FormatC("[%zu/%zu] %-8s %s", index + 1, total, FileStatusText(outcome.status), shown.c_str());
    std::string detail;
    if (outcome.scenes >= 0 && outcome.status != FileStatus::kFailed) {
        detail =
            FormatC("%d scene%s, %.2f s of motion", outcome.scenes, outcome.scenes == 1 ? "" : "s", outcome.seconds);
    }
    if (!outcome.reason.empty()) detail += (detail.empty() ? "" : "; ") + outcome.reason;
    return detail.empty() ? line : line + ": " + detail;
}

std::string FormatBatchSummary(const std::vector<BatchInput>& inputs, const std::vector<FileOutcome>& outcomes) {
    size_t fileWidth = 4;
    for (const BatchInput& input : inputs) fileWidth = std::max(fileWidth, input.shown.size());
    const int w = static_cast<int>(fileWidth);
    std::string text =
        WithoutTrailingSpaces(FormatC("%-*s  %6s  %8s  %-7s  %s", w, "file", "scenes", "seconds", "status", "reason")) +
        "\n";
    int counts[5] = {};
    int scenes = 0;
    double seconds = 0;
    for (size_t i = 0; i < inputs.size() && i < outcomes.size(); ++i) {
        const FileOutcome& o = outcomes[i];
        ++counts[static_cast<int>(o.status)];
        if (o.scenes > 0) {
            scenes += o.scenes;
            seconds += o.seconds;
        }
        text +=
            WithoutTrailingSpaces(FormatC("%-*s  %6s  %8s  %-7s  %s", w, inputs[i].shown.c_str(), ScenesText(o).c_str(),
                                          SecondsText(o).c_str(), FileStatusText(o.status), o.reason.c_str())) +
            "\n";
    }
    std::string tally;
    for (const FileStatus status :
         {FileStatus::kDone, FileStatus::kSkipped, FileStatus::kFailed, FileStatus::kStopped, FileStatus::kPending}) {
        const int n = counts[static_cast<int>(status)];
        if (n > 0) tally += FormatC("%s%d %s", tally.empty() ? "" : ", ", n, FileStatusText(status));
    }
    text += FormatC("%zu file%s: %s; %d scene%s, %.2f seconds of motion\n", inputs.size(),
                    inputs.size() == 1 ? "" : "s", tally.c_str(), scenes, scenes == 1 ? "" : "s", seconds);
    return text;
}

}  // namespace cli
