#include "ui/common/TabPage.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>

#include "app/Language.h"

CTabPage::CTabPage(TabHost* host, bool cudaPresent, QWidget* parent)
    : QWidget(parent), m_host(host), m_data(cudaPresent) {
    m_engine = std::make_unique<CTarneloProcess>(host, &m_data, host->Japanese());
}

CTabPage::~CTabPage() {
    // A job still running is stopped before the window it reports to goes away.
    StopJob();
}

int CTabPage::CurrentJob() const {
    if (m_preparingInput) return kJobPrepareInput;
    return m_engine->bThreadRunning.load() ? m_engine->nProcessID.load() : 0;
}

bool CTabPage::IsSceneJob(int id) {
    return id == kJobMerge || id == kJobSegmentOutput || id == kJobSceneExtract || id == kJobExtractMerge ||
           id == kJobPrepareInput;
}

void CTabPage::SetPreparingInput(bool on) {
    m_preparingInput = on;
    m_host->UpdateTabButtons();
}

void CTabPage::StopJob() {
    if (m_engine->bThreadRunning.load()) m_engine->CancelProcess();
    m_engine->JoinJobThread();
}

LParam CTabPage::Send(unsigned message, WParam wParam, LParam lParam) {
    if (QThread::currentThread() == thread()) return OnAppMessage(message, wParam, lParam);
    LParam result = 0;
    QMetaObject::invokeMethod(
        this, [&] { result = OnAppMessage(message, wParam, lParam); }, Qt::BlockingQueuedConnection);
    return result;
}

void CTabPage::Post(unsigned message, WParam wParam, LParam lParam) {
    QMetaObject::invokeMethod(
        this, [this, message, wParam, lParam] { OnAppMessage(message, wParam, lParam); }, Qt::QueuedConnection);
}

LParam CTabPage::OnAppMessage(unsigned message, WParam wParam, LParam lParam) {
    switch (message) {
        case WM_APP_STATUS_TEXT:
            if (lParam != 0) {
                m_host->SetStatusText(static_cast<int>(wParam),
                                      QString::fromUtf8(reinterpret_cast<const char*>(lParam)));
            }
            return 0;
        case WM_APP_JOB_START:
        case WM_APP_JOB_NAME:
            if (wParam != 0) m_host->SetStatusText(0, QString::fromUtf8(reinterpret_cast<const char*>(wParam)));
            return 0;
        case WM_APP_JOB_STATE:
            m_host->SetStatusText(1, QString::fromUtf8(JobStateName(static_cast<int>(wParam), m_host->Japanese())));
            if (lParam != 0) m_host->SetStatusText(3, QString::fromUtf8(reinterpret_cast<const char*>(lParam)));
            return 0;
        case WM_APP_BUSY:
            if (wParam == 0) {
                QApplication::setOverrideCursor(Qt::WaitCursor);
            } else {
                QApplication::restoreOverrideCursor();
            }
            return 0;
        case WM_APP_PROCESS_FINISHED:
            m_host->UpdateTabButtons();
            return 0;
        default:
            return 0;
    }
}

QString CTabPage::CurrentMediaPath() const { return QString::fromStdString(m_data.input_file); }

bool CTabPage::MediaReport(const QString& path, int kind, QString& text) {
    std::string report;
    if (m_engine->GetFfprobeReport(path.toStdString(), report, kind)) return false;  // true means it failed
    text = QString::fromStdString(report);
    return true;
}
