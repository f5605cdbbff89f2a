// extract over several videos and folders: up to --jobs videos at once, each on a thread of its own that plays
// the part of the UI thread for its own engine, one progress line for all, and a table of every video.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "cli/CliBatch.h"
#include "cli/CliCommands.h"
#include "cli/CliRegions.h"
#include "cli/CliRunner.h"
#include "project/FileHelpers.h"
#include "project/TarneloData.h"

namespace cli {
namespace {

// What the batch knows of its videos, shared by the workers and the main thread, which draws it.
class BatchBoard {
public:
    BatchBoard(const std::vector<BatchInput>& videos, CliSink& sink)
        : m_videos(videos),
          m_sink(sink),
          m_progress(Sizes(videos)),
          m_outcomes(videos.size()),
          m_start(std::chrono::steady_clock::now()) {}

    void Start(size_t file) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_progress.Start(file);
    }
    void Decoded(size_t file, double share) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_progress.Decoded(file, share);
    }
    void Finish(size_t file, FileOutcome outcome) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_progress.Finish(file);
        m_sink.PrintLine(FormatFileEnd(file, m_videos.size(), m_videos[file].shown, outcome));
        m_outcomes[file] = std::move(outcome);
    }
    // The same warning (a setting clamped) would come from every video: it is told once.
    void Warn(const std::string& text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_warned.insert(text).second) cli::Warn(m_sink, text);
    }

    // On a terminal the line is redrawn when it changed; otherwise a line goes out per whole percent.
    void Draw() {
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool inPlace = m_sink.InPlace();
        if (!inPlace && m_progress.Percent() <= m_lastPercent) return;
        std::vector<std::string> running;
        for (const size_t file : m_progress.Running()) running.push_back(FileNamePart(m_videos[file].path));
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        // One column short of the width, so the terminal never wraps the line.
        const size_t width = inPlace ? m_sink.Columns() - 1 : 0;
        std::string line = FormatBatchLine(m_progress, running, elapsed, width);
        if (inPlace && line == m_lastLine) return;
        m_lastPercent = m_progress.Percent();
        m_lastLine = line;
        m_sink.ShowStatus(line);
    }

    std::vector<FileOutcome> Outcomes() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_outcomes;
    }

private:
    static std::vector<long long> Sizes(const std::vector<BatchInput>& videos) {
        std::vector<long long> sizes;
        for (const BatchInput& video : videos) sizes.push_back(video.bytes);
        return sizes;
    }

    const std::vector<BatchInput>& m_videos;
    CliSink& m_sink;
    mutable std::mutex m_mutex;
    BatchProgress m_progress;
    std::vector<FileOutcome> m_outcomes;
    std::set<std::string> m_warned;
    const std::chrono::steady_clock::time_point m_start;
    int m_lastPercent = -1;
    std::string m_lastLine;
};

std::string QuotedList(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + Quoted(name);
    return text;
}

}  // namespace

int RunExtractBatch(const Options& o, CliSink& sink, bool japanese) {
    // The areas are the same for every video: read, and written with --save-regions, once.
    Options each = o;
    {
        CTarneloData scratch(false);
        if (const int status = ApplyRegionOptions(scratch, o, sink); status >= 0) return status;
        if (!o.regionsFrom.empty() || !o.regions.empty()) each.regions = scratch.regions;
        each.regionsFrom.clear();
        each.saveRegions.clear();
    }

    const BatchInputs found = CollectBatchInputs(o.files, o.recursive);
    const std::string leftOut =
        found.leftOut.empty() ? "" : "; left out for their extension: " + LeftOutText(found.leftOut);
    if (found.videos.empty()) {
        return Fail(sink, "no video found in " + QuotedList(o.files) + leftOut +
                              (o.recursive ? "" : "; --recursive looks in subfolders too"));
    }
    const size_t total = found.videos.size();
    const size_t jobs = std::min(static_cast<size_t>(o.jobs.value_or(1)), total);
    sink.PrintLine(FormatC("Batch: %zu video%s, %zu at a time", total, total == 1 ? "" : "s", jobs) + leftOut);

    BatchBoard board(found.videos, sink);
    std::atomic<size_t> next{0};
    std::atomic<size_t> working{jobs};
    std::vector<std::thread> workers;
    for (size_t j = 0; j < jobs; ++j) {
        workers.emplace_back([&] {
            for (size_t file; (file = next++) < total;) {
                if (StopRequested()) {
                    board.Finish(file, {FileStatus::kStopped, "not started"});
                    continue;
                }
                board.Start(file);
                BatchVideoHooks hooks;
                hooks.warn = [&board](const std::string& text) { board.Warn(text); };
                hooks.decoded = [&board, file](double share) { board.Decoded(file, share); };
                board.Finish(file, ScanBatchVideo(found.videos[file], each, japanese, hooks));
            }
            --working;
            WakeMainThread();
        });
    }
    while (working.load() > 0) {
        board.Draw();
        WaitForWake(kWaitSliceMs);
    }
    for (std::thread& worker : workers) worker.join();
    board.Draw();
    sink.EndBar();

    const std::vector<FileOutcome> outcomes = board.Outcomes();
    WriteStdout(FormatBatchSummary(found.videos, outcomes));
    const auto failed = std::count_if(outcomes.begin(), outcomes.end(),
                                      [](const FileOutcome& outcome) { return outcome.status == FileStatus::kFailed; });
    if (StopRequested()) {
        return Stopped(sink,
                       "the videos finished are kept; those under way saved what they had, and the next run "
                       "goes on with them");
    }
    if (failed > 0) return Fail(sink, FormatC("%ld of %zu videos failed", static_cast<long>(failed), total));
    return kExitSuccess;
}

}  // namespace cli
