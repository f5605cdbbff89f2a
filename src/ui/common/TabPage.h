#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/AppHelpDialog.h"
#include "engine/TarneloProcess.h"
#include "engine/jobs/AppMessages.h"
#include "engine/jobs/JobTables.h"
#include "engine/jobs/MessageSink.h"
#include "project/TarneloData.h"
#include "ui/common/SceneControlRules.h"
#include "ui/common/TabHost.h"

class CJobStatus;

// The player of a page as the page's shared parts use it: around the start of a playback job, and the
// engine's player hooks and messages.
class PagePlayer {
public:
    virtual ~PagePlayer() = default;
    // Before a playback job starts, and after it started: the window is served until the player is in the
    // pane or its search gave up.
    virtual void BeforePlaybackStart() = 0;
    virtual void WaitForPlayer() = 0;
    virtual bool IsPositionSliderHeld() const = 0;
    virtual void SetPlaybackEnded(bool ended) = 0;
    virtual void CaptureFfplayWindow() = 0;
    virtual void GetPlayerPosition(int& x, int& y) const = 0;
    virtual void OnPlayPosition(const PlayPositionMsg& msg) = 0;
    virtual void OnFindPlayer(const FindPlayerMsg& msg) = 0;
};

// The main window's project commands and dropped files, as a page hands them on to its file actions.
class ProjectCommands {
public:
    virtual ~ProjectCommands() = default;
    virtual void NewProject() = 0;
    // -1 when the file does not exist, 0 when it could not be read, 1 when opened.
    virtual int LoadProjectFile(const QString& path, bool force) = 0;
    virtual void OpenProject() = 0;
    virtual void SaveProject() = 0;
    virtual void SaveProjectAs() = 0;
    virtual void DropFiles(const QStringList& files) = 0;
};

// A tab page of the main dialog: owns the project data and the engine of its workflow and receives the
// engine's window messages. Send from a worker thread blocks until the UI thread has handled the message;
// from the UI thread it is a direct call. Post is queued.
class CTabPage : public QWidget, public TabWindow, public MediaInfoSource {
    Q_OBJECT
public:
    CTabPage(TabHost* host, bool cudaPresent, QWidget* parent);
    ~CTabPage() override;

    CTarneloData& Data() { return m_data; }
    const CTarneloData& Data() const { return m_data; }
    CTarneloProcess& Engine() { return *m_engine; }

    // The automatic correction, run by the page itself while the window waits for it.
    static constexpr int kJobAutoCorrect = 3090;

    // The job the engine runs (0 when idle); the page's own work (1101 while the input is being prepared,
    // 3090 during the automatic correction) while that runs.
    int CurrentJob() const;
    // A scene job runs (the job table's kind: 1006, 1052, 1053, 1057 or 1101), the automatic correction, or
    // the engine's background work between its two busy messages.
    bool IsBusy() const { return IsSceneJob(CurrentJob()) || m_localJob == kJobAutoCorrect || m_backgroundBusy; }
    static bool IsSceneJob(int id) { return IsSceneJobId(id); }
    // Marks work that does not go through the engine's job start as the running job (0: none).
    void SetLocalJob(int id);
    int LocalJob() const { return m_localJob; }
    void SetPreparingInput(bool on) { SetLocalJob(on ? kJobPrepareInput : 0); }
    // Stops a running job and waits for it, serving messages meanwhile. The page's own work is asked to stop
    // and ends in the loop that waits for it.
    void StopJob();
    // Stops everything the page runs (its job and its background work) before the window goes.
    virtual void Shutdown() {
        StopJob();
        m_engine->StopBackgroundQueue();
        m_engine->WaitPreviewIdle();
    }

    // Reloads the page's texts from the current library.
    virtual void RefreshTexts() {}
    // Moves data to the controls (true) or back (false).
    virtual void UpdateData(bool toControls) { (void)toControls; }
    // Enables every control as the page's state asks; settled after a job ended.
    virtual void UpdateControlStates(bool settled) { (void)settled; }
    // What the enabling rule reads of the page now: the project's files and list, and what runs.
    SceneTabState PageState(bool settled) const;

    // The main window's project commands and dropped files, handed to the page's file actions; a page without
    // them ignores all but the new project, which resets the data. LoadProjectFile returns -1 when the file
    // does not exist, 0 when it could not be read, 1 when opened.
    void NewProject();
    int LoadProjectFile(const QString& path, bool force);
    void OpenProject();
    void SaveProject();
    void SaveProjectAs();
    void DropFiles(const QStringList& files);
    // The information commands: kind 2..5 titled by a string id.
    virtual void OpenInformation(int kind, int titleId) {
        (void)kind;
        (void)titleId;
    }

    // TabWindow: the player hooks the engine calls while a preview plays, answered by the page's player.
    bool IsPositionSliderHeld() const override { return m_player != nullptr && m_player->IsPositionSliderHeld(); }
    void SetPlaybackEnded(bool ended) override {
        if (m_player) m_player->SetPlaybackEnded(ended);
    }
    void CaptureFfplayWindow() override {
        if (m_player) m_player->CaptureFfplayWindow();
    }
    void GetPlayerPosition(int& x, int& y) const override;

    LParam Send(unsigned message, WParam wParam, LParam lParam) override;
    void Post(unsigned message, WParam wParam, LParam lParam) override;

    // The open dialog's filter of the video files the pages take.
    static QString VideoFilter();

    // The services a page's parts use as the page does.
    TabHost* Host() const { return m_host; }
    // The hourglass while long work runs; nested calls keep one cursor.
    void SetWaitCursor(bool on);
    // A yes/no question from the string table; true for yes.
    bool Confirm(int stringId);
    // After a job: a full disk fails a job, or only its segment cuts, with nothing but an exit code on the
    // status bar, so the system's reason is told in a message.
    void TellFailedWrite();
    // Runs work on a worker thread while this thread keeps serving the window.
    void RunServingWindow(const std::function<void()>& work);
    bool WaitCursorShown() const { return m_waitCursor; }

    QString CurrentMediaPath() const override;
    bool MediaReport(const QString& path, int kind, QString& text) override;

protected:
    // Handles one engine message on the UI thread: decodes it and calls its handler below.
    virtual LParam OnAppMessage(unsigned message, WParam wParam, LParam lParam);

    // The handlers, on the UI thread. Texts are the sender's, valid during the call. The defaults keep the
    // status bar (through the page's job status once it has one), the wait cursor and the tab buttons
    // current, and hand the player's messages to its player; the rest is the pages' own.
    virtual void OnStatusText(const StatusTextMsg& msg);
    virtual void OnJobStart(const JobStartMsg& msg);
    virtual void OnJobName(const JobNameMsg& msg);
    virtual void OnJobProgress(const JobProgressMsg& msg);
    virtual void OnJobState(const JobStateMsg& msg);
    virtual void OnBusy(const BusyMsg& msg);
    virtual void OnProcessFinished(const ProcessFinishedMsg& msg);
    virtual void OnListChanged(const ListChangedMsg& msg) { (void)msg; }
    virtual void OnPlayPosition(const PlayPositionMsg& msg) {
        if (m_player) m_player->OnPlayPosition(msg);
    }
    virtual void OnPreviewImage(const PreviewImageMsg& msg) { (void)msg; }
    virtual void OnSelectScene(const SelectSceneMsg& msg) { (void)msg; }
    virtual void OnMediaOpened(const MediaOpenedMsg& msg) { (void)msg; }
    virtual void OnFindPlayer(const FindPlayerMsg& msg) {
        if (m_player) m_player->OnFindPlayer(msg);
    }
    virtual void OnEditDone(const EditDoneMsg& msg) { (void)msg; }
    void AttachFileActions(ProjectCommands* files) { m_fileActions = files; }
    // The page's player and the status-bar side of its jobs, which the shared handlers use.
    void AttachJobDisplay(PagePlayer* player, CJobStatus* status) {
        m_player = player;
        m_jobStatus = status;
    }
    // Starts a job (its id is the control that starts it) as both pages do: a call while one is being
    // started is refused; a scene job first runs BeforeSceneJob and starts the elapsed timer; a playback
    // takes the player's window into the pane before anything else may start or stop it. True when the
    // engine took the job.
    bool StartPageJob(int job, const char* logTag);
    virtual void BeforeSceneJob() {}

    TabHost* m_host;
    CTarneloData m_data;
    std::unique_ptr<CTarneloProcess> m_engine;
    int m_localJob = 0;
    PagePlayer* m_player = nullptr;
    ProjectCommands* m_fileActions = nullptr;
    CJobStatus* m_jobStatus = nullptr;
    bool m_processing = false;      // StartPageJob is under way
    bool m_waitCursor = false;      // between the two busy messages
    bool m_backgroundBusy = false;  // between the engine's two busy messages
};
