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
    // Where a sink that writes nothing itself hands on what matters: each file of a batch reports to the
    // batch, which draws one line for all. Called on the thread that sent, without the sink's lock.
    struct Relay {
        // The command's own lines (PrintLine): results, warnings, failures.
        std::function<void(const std::string& line)> line;
        // Progress in whole percent of the current step, its JobKind (0 when unknown) and counts.
        std::function<void(int kind, long long total, long long done)> progress;
    };

    // fd: where the texts go (stderr); a terminal there gets the bar drawn in place.
    explicit CliSink(bool japanese, int fd = 2);
    // Writes nothing: the steps' lines are dropped, the rest goes to relay.
    CliSink(bool japanese, Relay relay);

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
    // Ends a bar or status line drawn in place with a line feed.
    void EndBar();
    // A status line of the program's own (a batch's progress): on a terminal redrawn in place, where the next
    // PrintLine takes its place and the next status draws it again below; otherwise a line of its own.
    void ShowStatus(const std::string& text);
    // The terminal's width in columns; 0 when the texts do not go to a terminal.
    size_t Columns() const;

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
    // Needs m_mutex held; true when a relayed sink has progress to hand on.
    bool ShowProgress(long long total, long long current);
    // Both need m_mutex held.
    void WriteLine(const std::string& text);
    void WriteRaw(const std::string& text);

    const bool m_japanese;
    const int m_fd;  // -1: relayed
    const bool m_inPlace;
    const Relay m_relay;

    mutable std::mutex m_mutex;
    std::string m_jobName;
    int m_jobKind = 0;
    ProgressMeter m_meter;
    bool m_playPositions = false;
    bool m_barShown = false;     // a bar drawn in place waits for its line feed
    bool m_statusShown = false;  // a status line drawn in place is replaced by the next line
    std::string m_lastLine;      // an identical line right after it (two steps announcing one job) is dropped
    bool m_finished = false;
    int m_result = 0;
    int m_lastState = 0;
    std::string m_lastFailure;
    std::function<void()> m_pumpHook;
    std::function<void()> m_finishHook;
};

}  // namespace cli
