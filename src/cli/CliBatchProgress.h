#pragma once

// The outcome of each video of an extract batch, the batch's progress by bytes, and the texts made of them.
// Plain values and texts, so the unit tests check them without a video.

#include <cstddef>
#include <string>
#include <vector>

#include "cli/CliBatchInputs.h"

namespace cli {

enum class FileStatus { kPending, kDone, kSkipped, kFailed, kStopped };
// "done", "skipped", "failed", "stopped" ("pending" for a file not reached).
const char* FileStatusText(FileStatus status);

struct FileOutcome {
    FileStatus status = FileStatus::kPending;
    std::string reason;
    int scenes = -1;     // -1: unknown (no project was made or read)
    double seconds = 0;  // of motion: the scenes' lengths added up
};

// Progress by bytes. A video's bytes count as read in the share its scan has decoded; a video that ends drops
// what it did not read (one skipped reads nothing), so the rate so far, bytes read per second, gives the time
// left for the bytes still to read, however many videos run at once.
class BatchProgress {
public:
    explicit BatchProgress(std::vector<long long> bytes);

    void Start(size_t file);
    // share of the file decoded, 0..1; it only grows.
    void Decoded(size_t file, double share);
    void Finish(size_t file);

    size_t Files() const { return m_files.size(); }
    size_t FilesDone() const;
    // The files started and not finished, in order.
    std::vector<size_t> Running() const;
    double BytesRead() const;
    double BytesLeft() const;
    // Whole percent of the bytes to read that are read.
    int Percent() const;
    // At the rate so far; negative while too little is known to tell, and when nothing is left to read.
    double SecondsLeft(double elapsedSeconds) const;

private:
    struct File {
        double bytes = 0;
        double share = 0;
        bool started = false;
        bool finished = false;
    };
    std::vector<File> m_files;
};

// "~40s left", "~2m05s left", "~1h10m left"; empty when unknown.
std::string TimeLeftText(double seconds);
// "  3/12 files  41%  ~2m05s left  a.mp4, b.mp4", cut to width columns (0: no limit).
std::string FormatBatchLine(const BatchProgress& progress, const std::vector<std::string>& running,
                            double elapsedSeconds, size_t width);
// "[4/12] done     cam/a.mp4: 3 scenes, 12.30 s of motion" as a video ends.
std::string FormatFileEnd(size_t index, size_t total, const std::string& shown, const FileOutcome& outcome);
// The table of every video: file, scenes, seconds of motion, status and reason, then the totals.
std::string FormatBatchSummary(const std::vector<BatchInput>& inputs, const std::vector<FileOutcome>& outcomes);

}  // namespace cli
