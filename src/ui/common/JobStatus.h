#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include "engine/jobs/AppMessages.h"

class QProgressBar;
class QTimer;
class TabHost;

// "%d/%d (%.2f%%)" of done and total.
QString ProgressPaneText(long long done, long long total, double percent);
// Elapsed seconds as the status bar shows them: the time text with hundredths.
QString ElapsedPaneText(double seconds);

// The status-bar side of a tab's jobs: pane 0 job name, 1 job state, 2 elapsed time, 3 progress; the job's
// progress bar, which only moves forward outside playback; and the elapsed-time timer of the scene jobs,
// ticking every 10 ms.
class CJobStatus : public QObject {
    Q_OBJECT
public:
    CJobStatus(TabHost* host, QProgressBar* bar, QObject* parent);

    // The engine's job messages. job is the job the tab runs now (0 when none).
    void JobStart(const JobStartMsg& msg, int job);
    void JobProgress(const JobProgressMsg& msg, int job);
    void JobState(const JobStateMsg& msg);
    void JobName(const JobNameMsg& msg);

    // Start clears pane 2 and counts from now (nothing when the timer runs already); Stop writes the final
    // time into pane 2.
    void StartTimer();
    void StopTimer();
    bool TimerRunning() const;
    // The percent the bar shows last.
    double ShownPercent() const { return m_shownPercent; }

signals:
    // A playback job started: the page puts its seek slider back to the start.
    void PlaybackStarted();

private:
    void Tick();

    TabHost* m_host;
    QProgressBar* m_bar;
    QTimer* m_timer;
    QElapsedTimer m_clock;
    double m_shownPercent = 0;
};
