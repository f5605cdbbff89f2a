#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/tools/ToolErrors.h"
#include "log/AppLog.h"
#include "project/TarneloData.h"

JobContext::JobContext(MainWindowLink* mainWindow, CTarneloData* data, bool japanese)
    : m_mainWindow(mainWindow), m_data(data), m_japanese(japanese) {
    // A job's new scenes and replaced lists reach the window as WM_APP_LIST_CHANGED; the window's own edits
    // it shows itself.
    m_data->diff_list.SetListener([this](const SceneEdit& edit) {
        if (edit.by != SceneEditBy::kJob) return;
        if (std::holds_alternative<scene_edit::Append>(edit.action)) {
            Post(WM_APP_LIST_CHANGED, static_cast<WParam>(m_data->diff_list.Size() - 1), 0);
        } else if (const auto* assign = std::get_if<scene_edit::Assign>(&edit.action)) {
            Post(WM_APP_LIST_CHANGED, static_cast<WParam>(assign->current), 0);
        }
    });
}

JobContext::~JobContext() {
    m_data->diff_list.SetListener(nullptr);
    // The owning tab cancels first; a job still running here is asked to stop
    // so that joining cannot hang on a child that never ends.
    if (bThreadRunning.load()) m_cancelRequest = 1;
    JoinJobThread();
    // The worker may start a render thread, so it stops before the preview is waited for.
    StopBackgroundQueue();
    WaitPreviewIdle();
    if (m_previewThread.joinable()) m_previewThread.join();
}

bool JobContext::IsProgressJob() const { return IsProgressJobId(nProcessID.load()); }

const char* JobContext::KindName(int kind) const { return JobKindName(kind, m_japanese); }

void JobContext::JoinJobThread() {
    if (m_jobThread.joinable()) m_jobThread.join();
}

bool JobContext::StartJob(int id) {
    if (bThreadRunning.load()) return false;
    const JobRow* row = FindJobRow(id, m_options.mode);
    if (row == nullptr || row->step == nullptr) {
        AppLog().Log("%s(%d) Job(%d) is not available\n", "CTarneloProcess::StartJob", __LINE__, id);
        return false;
    }
    JoinJobThread();
    ForgetToolFailures();
    nProcessID = id;
    if ((m_lastPreviewKind != 0 && m_lastPreviewKind != id) || row->takesPreview) SetCurrentPlay(0, "0");
    bThreadRunning = true;
    try {
        m_jobThread = std::thread(&JobContext::JobThreadProc, this, row);
    } catch (const std::system_error& e) {
        AppLog().Log("%s(%d) thread start failed (%s)\n", "CTarneloProcess::StartJob", __LINE__, e.what());
        nProcessID = 0;
        bThreadRunning = false;
        return false;
    }
    return true;
}

void JobContext::JobThreadProc(const JobRow* row) {
    m_jobResult = 0;
    if (row->kind == JobClass::Playback) {
        m_lastPreviewKind = row->id;
        m_jobResult = row->step(*this);
    } else {
        // Foreground segment work keeps the background queue out until it is done.
        std::lock_guard<std::mutex> busy(m_busyMutex);
        m_jobResult = row->step(*this);
    }
    const int finishedId = nProcessID.exchange(0);
    Send(WM_APP_PROCESS_FINISHED, static_cast<WParam>(finishedId), m_jobResult);
    bThreadRunning = false;
}

LParam JobContext::Send(unsigned message, WParam wParam, LParam lParam) {
    return SendToActiveTab(m_mainWindow, message, wParam, lParam);
}

void JobContext::SendBusy(bool begins) {
    const WParam w = begins ? 0 : 1;
    if (m_ownWindow != nullptr) {
        m_ownWindow->Send(WM_APP_BUSY, w, 0);
    } else {
        Send(WM_APP_BUSY, w, 0);
    }
}

void JobContext::Post(unsigned message, WParam wParam, LParam lParam) {
    PostToActiveTab(m_mainWindow, message, wParam, lParam);
}

void JobContext::SendState(int state, const std::string& text) {
    Send(WM_APP_JOB_STATE, static_cast<WParam>(state), text.empty() ? 0 : reinterpret_cast<LParam>(text.c_str()));
}

void JobContext::SendResultState(int result) {
    if (result == 0) {
        SendState(kJobStateDone);
    } else if (result == -2) {
        SendState(kJobStateStopped);
    } else {
        const std::string why = ToolFailureReason(result, {});
        SendState(kJobStateFailed, FormatC("ExitCode(%d)", result) + (why.empty() ? "" : ": " + why));
    }
}

void JobContext::SendJobStart(int kind, int total) {
    Send(WM_APP_JOB_START, reinterpret_cast<WParam>(KindName(kind)), total);
}

void JobContext::SendJobName(const std::string& name) {
    Send(WM_APP_JOB_NAME, reinterpret_cast<WParam>(name.c_str()), 0);
}

std::string JobContext::CurrentPlayTime() const {
    std::lock_guard<std::mutex> lock(m_playTimeMutex);
    return m_currentPlayTime;
}

void JobContext::SetCurrentPlay(int frame, const std::string& timeText) {
    std::lock_guard<std::mutex> lock(m_playTimeMutex);
    m_currentPlayFrame = frame;
    m_currentPlayTime = timeText;
}
