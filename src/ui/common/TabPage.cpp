#include "ui/common/TabPage.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/AppMsgDlg.h"
#include "app/Language.h"
#include "engine/jobs/JobTables.h"
#include "engine/tools/PumpWait.h"
#include "log/AppLog.h"
#include "ui/common/JobStatus.h"

CTabPage::CTabPage(TabHost* host, bool cudaPresent, QWidget* parent)
    : QWidget(parent), m_host(host), m_data(cudaPresent) {
    m_engine = std::make_unique<CTarneloProcess>(host, &m_data, host->Japanese());
    m_engine->SetOwnWindow(this);
}

CTabPage::~CTabPage() {
    // A job still running is stopped before the window it reports to goes away.
    StopJob();
}

int CTabPage::CurrentJob() const {
    if (m_localJob != 0) return m_localJob;
    const JobStatus status = m_engine->Status();
    return status.running ? status.jobId : 0;
}

void CTabPage::SetLocalJob(int id) {
    m_localJob = id;
    m_host->UpdateTabButtons();
}

void CTabPage::NewProject() {
    if (m_fileActions) {
        m_fileActions->NewProject();
    } else {
        m_data.ResetAll(false);
    }
}

int CTabPage::LoadProjectFile(const QString& path, bool force) {
    return m_fileActions ? m_fileActions->LoadProjectFile(path, force) : -1;
}

void CTabPage::OpenProject() {
    if (m_fileActions) m_fileActions->OpenProject();
}

void CTabPage::SaveProject() {
    if (m_fileActions) m_fileActions->SaveProject();
}

void CTabPage::SaveProjectAs() {
    if (m_fileActions) m_fileActions->SaveProjectAs();
}

void CTabPage::DropFiles(const QStringList& files) {
    if (m_fileActions) m_fileActions->DropFiles(files);
}

void CTabPage::StopJob() {
    if (m_localJob != 0) m_engine->RequestCancel(true);
    if (m_engine->Status().running) m_engine->CancelProcess();
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
            OnStatusText(StatusTextMsg::Decode(wParam, lParam));
            break;
        case WM_APP_JOB_START:
            OnJobStart(JobStartMsg::Decode(wParam, lParam));
            break;
        case WM_APP_JOB_NAME:
            OnJobName(JobNameMsg::Decode(wParam, lParam));
            break;
        case WM_APP_JOB_PROGRESS:
            OnJobProgress(JobProgressMsg::Decode(wParam, lParam));
            break;
        case WM_APP_JOB_STATE:
            OnJobState(JobStateMsg::Decode(wParam, lParam));
            break;
        case WM_APP_BUSY: {
            const BusyMsg busy = BusyMsg::Decode(wParam, lParam);
            // Known before the handler runs, so the tab buttons it updates see it.
            m_backgroundBusy = busy.begins;
            OnBusy(busy);
            break;
        }
        case WM_APP_PROCESS_FINISHED:
            OnProcessFinished(ProcessFinishedMsg::Decode(wParam, lParam));
            break;
        case WM_APP_LIST_CHANGED:
            OnListChanged(ListChangedMsg::Decode(wParam, lParam));
            break;
        case WM_APP_PLAY_POSITION:
            OnPlayPosition(PlayPositionMsg::Decode(wParam, lParam));
            break;
        case WM_APP_PREVIEW_IMAGE:
            OnPreviewImage(PreviewImageMsg::Decode(wParam, lParam));
            break;
        case WM_APP_SELECT_SCENE:
            OnSelectScene(SelectSceneMsg::Decode(wParam, lParam));
            break;
        case WM_APP_MEDIA_OPENED:
            OnMediaOpened(MediaOpenedMsg::Decode(wParam, lParam));
            break;
        case WM_APP_FIND_PLAYER:
            OnFindPlayer(FindPlayerMsg::Decode(wParam, lParam));
            break;
        case WM_APP_EDIT_DONE:
            OnEditDone(EditDoneMsg::Decode(wParam, lParam));
            break;
        default:
            break;
    }
    return 0;
}

void CTabPage::OnStatusText(const StatusTextMsg& msg) {
    if (msg.text != nullptr) m_host->SetStatusText(msg.pane, QString::fromUtf8(msg.text));
}

void CTabPage::OnJobStart(const JobStartMsg& msg) {
    if (m_jobStatus) {
        m_jobStatus->JobStart(msg, CurrentJob());
    } else if (msg.kind != nullptr) {
        m_host->SetStatusText(0, QString::fromUtf8(msg.kind));
    }
}

void CTabPage::OnJobName(const JobNameMsg& msg) {
    if (m_jobStatus) {
        m_jobStatus->JobName(msg);
    } else if (msg.name != nullptr) {
        m_host->SetStatusText(0, QString::fromUtf8(msg.name));
    }
}

void CTabPage::OnJobProgress(const JobProgressMsg& msg) {
    if (m_jobStatus) m_jobStatus->JobProgress(msg, CurrentJob());
}

void CTabPage::OnJobState(const JobStateMsg& msg) {
    if (m_jobStatus) {
        m_jobStatus->JobState(msg);
        return;
    }
    m_host->SetStatusText(1, QString::fromUtf8(JobStateName(msg.state, m_host->Japanese())));
    if (msg.text != nullptr) m_host->SetStatusText(3, QString::fromUtf8(msg.text));
}

void CTabPage::GetPlayerPosition(int& x, int& y) const {
    if (m_player) {
        m_player->GetPlayerPosition(x, y);
    } else {
        x = y = 0;
    }
}

SceneTabState CTabPage::PageState(bool settled) const {
    SceneTabState state = SceneStateOf(m_data);
    const int job = CurrentJob();
    state.sceneJob = IsBusy();
    state.playbackJob = IsPreviewJobId(job);
    state.anyJob = job != 0;
    state.settled = settled;
    return state;
}

bool CTabPage::StartPageJob(int job, const char* logTag) {
    if (m_processing) {
        AppLog().Log("%s(%d) bProcessing(%d)\n", logTag, __LINE__, 1);
        return false;
    }
    m_processing = true;
    AppLog().Log("%s(%d) nProcessID(%d)\n", logTag, __LINE__, job);
    // A job thread that has reported its end but not yet returned is waited for, so the start is not refused.
    if (m_engine->Status().running && CurrentJob() == 0) m_engine->JoinJobThread();
    if (IsSceneJob(job)) {
        BeforeSceneJob();
        if (m_jobStatus) m_jobStatus->StartTimer();
    } else {
        m_host->SetStatusText(2, QString());
    }
    const bool playback = IsPreviewJobId(job) && m_player != nullptr;
    if (playback) m_player->BeforePlaybackStart();
    const bool started = m_engine->StartJob(job);
    if (!started && m_jobStatus) m_jobStatus->StopTimer();
    UpdateControlStates(false);
    if (playback && started) m_player->WaitForPlayer();
    m_processing = false;
    return started;
}

void CTabPage::SetWaitCursor(bool on) {
    if (on == m_waitCursor) return;
    m_waitCursor = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

bool CTabPage::Confirm(int stringId) {
    CAppMsgDlg dialog(ResText(stringId), this);
    return dialog.DoModal() == CAppMsgDlg::kYes;
}

void CTabPage::TellFailedWrite() {
    const std::string why = m_engine->LastWriteError();
    if (why.empty()) return;
    // A scan whose cuts failed ends "Done"; the bar says otherwise, with the reason where a failure's goes.
    m_host->SetStatusText(1, QString::fromUtf8(JobStateName(kJobStateFailed, m_host->Japanese())));
    m_host->SetStatusText(3, QString::fromStdString(why));
    m_host->ShowMessage(ResText(3187) + QLatin1Char('\n') + QString::fromStdString(why) + QLatin1Char('\n') +
                        QString::fromStdString(m_data.output_folder));
}

void CTabPage::OnBusy(const BusyMsg& msg) { SetWaitCursor(msg.begins); }

void CTabPage::OnProcessFinished(const ProcessFinishedMsg& msg) {
    (void)msg;
    m_host->UpdateTabButtons();
}

QString CTabPage::CurrentMediaPath() const { return QString::fromStdString(m_data.input_file); }

bool CTabPage::MediaReport(const QString& path, int kind, QString& text) {
    std::string report;
    if (m_engine->GetFfprobeReport(path.toStdString(), report, kind)) return false;  // true means it failed
    text = QString::fromStdString(report);
    return true;
}

QString CTabPage::VideoFilter() {
    return QStringLiteral(
        "Video Files "
        "(*.mp4;*.mov;*.mkv;*.avi;*.wmv;*.flv;*.webm;*.ts;*.m2ts;*.m2t;*.mpg;*.mpeg;*.asf;*.dat;*.3gp;*.ogv)|*.mp4;*."
        "mov;*.mkv;*.avi;*.wmv;*.flv;*.webm;*.ts;*.m2ts;*.m2t;*.mpg;*.mpeg;*.asf;*.dat;*.3gp;*.ogv|MP4 Files "
        "(*.mp4)|*.mp4|MOV Files (*.mov)|*.mov|MKV Files (*.mkv)|*.mkv|AVI Files (*.avi)|*.avi|WMV Files "
        "(*.wmv)|*.wmv|FLV Files (*.flv)|*.flv|WebM Files (*.webm)|*.webm|TS Files (*.ts;*.m2ts;*.m2t)|*.ts;*.m2ts;*."
        "m2t|MPEG Files (*.mpg;*.mpeg)|*.mpg;*.mpeg|ASF Files (*.asf)|*.asf|DAT Files (*.dat)|*.dat|3GP Files "
        "(*.3gp)|*.3gp|OGV Files (*.ogv)|*.ogv|All Files (*.*)|*.*||");
}

// --- waiting without freezing ---

void CTabPage::RunServingWindow(const std::function<void()>& work) {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    std::thread worker([&] {
        work();
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        changed.notify_all();
    });
    PumpUntil(Host(), mutex, changed, [&done] { return done; });
    worker.join();
}
