#include "ui/common/JobStatus.h"

#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "engine/jobs/JobTables.h"
#include "project/TimeText.h"
#include "ui/common/TabHost.h"

namespace {

enum Pane { kNamePane = 0, kStatePane = 1, kTimePane = 2, kProgressPane = 3 };

QString Text(const char* text) { return text != nullptr ? QString::fromUtf8(text) : QString(); }

}  // namespace

QString ProgressPaneText(long long done, long long total, double percent) {
    return QString::fromStdString(FormatC("%lld/%lld (%.2f%%)", done, total, percent));
}

QString ElapsedPaneText(double seconds) { return QString::fromStdString(FormatTimeText(seconds, false)); }

CJobStatus::CJobStatus(TabHost* host, QProgressBar* bar, QObject* parent)
    : QObject(parent), m_host(host), m_bar(bar), m_timer(new QTimer(this)) {
    m_timer->setInterval(10);
    connect(m_timer, &QTimer::timeout, this, &CJobStatus::Tick);
}

void CJobStatus::JobStart(const JobStartMsg& msg, int job) {
    const bool playback = IsPreviewJobId(job);
    const bool sceneJob = IsSceneJobId(job);
    m_shownPercent = 0;
    const QString name = Text(msg.kind);
    if (!name.isEmpty()) {
        m_host->SetStatusText(kNamePane, name);
        if (m_bar != nullptr) {
            m_bar->setValue(0);
        }
        if (playback) {
            emit PlaybackStarted();
        }
        if (!sceneJob) {
            m_host->SetStatusText(kProgressPane, QString());
        }
    }
    m_host->SetStatusText(kStatePane,
                          Text(JobStateName(playback ? kJobStatePlaying : kJobStateProcessing, m_host->Japanese())));
    if (msg.total < 0) {
        m_host->SetStatusText(kProgressPane, QString());
    } else if (!sceneJob) {
        m_clock.start();
        m_host->SetStatusText(kTimePane, QString());
    } else {
        m_host->SetStatusText(kProgressPane, ProgressPaneText(0, msg.total, 0.0));
    }
}

void CJobStatus::JobProgress(const JobProgressMsg& msg, int job) {
    if (msg.total < 0) {
        return;
    }
    const long long done = std::min(msg.done, msg.total);
    const double percent = msg.total == 0 ? 0.0 : static_cast<double>(done) * 100.0 / static_cast<double>(msg.total);
    // Parallel workers report out of order; the bar never runs back while a job works.
    if (!IsPreviewJobId(job) && std::floor(percent) > std::floor(m_shownPercent)) {
        m_shownPercent = std::min(percent, 100.0);
        if (m_bar != nullptr) {
            m_bar->setValue(static_cast<int>(m_shownPercent));
        }
    }
    m_host->SetStatusText(kProgressPane, ProgressPaneText(done, msg.total, percent));
}

void CJobStatus::JobState(const JobStateMsg& msg) {
    const QString name = Text(JobStateName(msg.state, m_host->Japanese()));
    if (!name.isEmpty()) m_host->SetStatusText(kStatePane, name);
    // A failure's detail ("ExitCode(1)") is shown beside its state name, not dropped for it.
    if (const QString detail = Text(msg.text); !detail.isEmpty()) m_host->SetStatusText(kProgressPane, detail);
}

void CJobStatus::JobName(const JobNameMsg& msg) {
    if (const QString name = Text(msg.name); !name.isEmpty()) {
        m_host->SetStatusText(kNamePane, name);
    }
}

void CJobStatus::StartTimer() {
    if (m_timer->isActive()) {
        return;
    }
    m_host->SetStatusText(kTimePane, QString());
    m_clock.start();
    m_timer->start();
}

void CJobStatus::StopTimer() {
    if (!m_timer->isActive()) {
        return;
    }
    m_timer->stop();
    Tick();
}

bool CJobStatus::TimerRunning() const { return m_timer->isActive(); }

void CJobStatus::Tick() {
    const double seconds = m_clock.isValid() ? static_cast<double>(m_clock.elapsed()) / 1000.0 : 0.0;
    m_host->SetStatusText(kTimePane, ElapsedPaneText(seconds));
}
