#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "cli/CliProject.h"
#include "engine/jobs/MessageSink.h"

namespace cli {

// The engine's window for tarnelo-cli: job names, states and a progress bar on stderr. Send and Post are
// both handled at once on the caller's thread (job thread, pooled tasks or the main thread), so every write
// holds one mutex. On a terminal the bar is redrawn in place; otherwise it becomes at most one line per
// whole percent, which keeps logs small.
class CliSink : public TabWindow, public MainWindowLink {
public:
    // fd: where the texts go (stderr); a terminal there gets the bar drawn in place.
    explicit CliSink(bool japanese, int fd = 2);

    LParam Send(unsigned message, WParam wParam, LParam lParam) override;
    void Post(unsigned message, WParam wParam, LParam lParam) override;
    TabWindow* ActiveTab() override { return this; }
    // The engine calls this on the main thread while it waits there (input preparation, a cancel).
    void PumpMessages() override;

    // Run by PumpMessages; the command serves the stop request through it while the input is prepared.
    void SetPumpHook(std::function<void()> hook);
    // Run (on the job thread) after WM_APP_PROCESS_FINISHED was recorded.
    void SetFinishHook(std::function<void()> hook);

    // With on, playback positions are shown as the job's progress (play); off, they are ignored: the jobs
    // that only open a file send them too.
    void ShowPlayPositions(bool on);

    // A line of the program's own, kept apart from a bar drawn in place.
    void PrintLine(const std::string& text);
    // Ends a bar drawn in place with a line feed.
    void EndBar();

    // Forgets the last job's outcome before the next StartJob.
    void ResetJob();
    bool JobFinished() const;
    int JobResult() const;
    // The text of the last Failed state (e.g. "ExitCode(1)"); empty when none carried a text.
    std::string LastFailure() const;
    // The last state index received (JobState).
    int LastState() const;

    bool InPlace() const { return m_inPlace; }

private:
    void Handle(unsigned message, WParam wParam, LParam lParam);
    // Needs m_mutex held.
    void ShowProgress(long long total, long long current);
    // Both need m_mutex held.
    void WriteLine(const std::string& text);
    void WriteRaw(const std::string& text);

    const bool m_japanese;
    const int m_fd;
    const bool m_inPlace;

    mutable std::mutex m_mutex;
    std::string m_jobName;
    ProgressMeter m_meter;
    bool m_playPositions = false;
    bool m_barShown = false;  // a bar drawn in place waits for its line feed
    std::string m_lastLine;   // an identical line right after it (two steps announcing one job) is dropped
    bool m_finished = false;
    int m_result = 0;
    int m_lastState = 0;
    std::string m_lastFailure;
    std::function<void()> m_pumpHook;
    std::function<void()> m_finishHook;
};

}  // namespace cli
