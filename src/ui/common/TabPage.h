#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/AppHelpDialog.h"
#include "engine/AppMessages.h"
#include "engine/MessageSink.h"
#include "engine/TarneloProcess.h"
#include "project/TarneloData.h"
#include "ui/common/TabHost.h"

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
    // A scene job runs (the job table's kind: 1006, 1052, 1053, 1057 or 1101) or the automatic correction.
    bool IsBusy() const { return IsSceneJob(CurrentJob()) || m_localJob == kJobAutoCorrect; }
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

    virtual void NewProject() { m_data.ResetAll(false); }
    // Reloads the page's texts from the current library.
    virtual void RefreshTexts() {}
    // Moves data to the controls (true) or back (false).
    virtual void UpdateData(bool toControls) { (void)toControls; }
    virtual void DropFiles(const QStringList& files) { (void)files; }

    // The project commands of the main window; a page without project files ignores them. LoadProjectFile
    // returns -1 when the file does not exist, 0 when it could not be read, 1 when opened.
    virtual int LoadProjectFile(const QString& path, bool force) {
        (void)path;
        (void)force;
        return -1;
    }
    virtual void OpenProject() {}
    virtual void SaveProject() {}
    virtual void SaveProjectAs() {}
    // The information commands: kind 2..5 titled by a string id.
    virtual void OpenInformation(int kind, int titleId) {
        (void)kind;
        (void)titleId;
    }

    LParam Send(unsigned message, WParam wParam, LParam lParam) override;
    void Post(unsigned message, WParam wParam, LParam lParam) override;

    // The open dialog's filter of the video files the pages take.
    static QString VideoFilter();

    QString CurrentMediaPath() const override;
    bool MediaReport(const QString& path, int kind, QString& text) override;

protected:
    // Handles one engine message on the UI thread: decodes it and calls its handler below.
    virtual LParam OnAppMessage(unsigned message, WParam wParam, LParam lParam);

    // The handlers, on the UI thread. Texts are the sender's, valid during the call. The defaults keep the
    // status bar, the wait cursor and the tab buttons current; the rest is the pages' own.
    virtual void OnStatusText(const StatusTextMsg& msg);
    virtual void OnJobStart(const JobStartMsg& msg);
    virtual void OnJobName(const JobNameMsg& msg);
    virtual void OnJobProgress(const JobProgressMsg& msg) { (void)msg; }
    virtual void OnJobState(const JobStateMsg& msg);
    virtual void OnBusy(const BusyMsg& msg);
    virtual void OnProcessFinished(const ProcessFinishedMsg& msg);
    virtual void OnListChanged(const ListChangedMsg& msg) { (void)msg; }
    virtual void OnPlayPosition(const PlayPositionMsg& msg) { (void)msg; }
    virtual void OnPreviewImage(const PreviewImageMsg& msg) { (void)msg; }
    virtual void OnSelectScene(const SelectSceneMsg& msg) { (void)msg; }
    virtual void OnMediaOpened(const MediaOpenedMsg& msg) { (void)msg; }
    virtual void OnFindPlayer(const FindPlayerMsg& msg) { (void)msg; }
    virtual void OnEditDone(const EditDoneMsg& msg) { (void)msg; }
    TabHost* Host() const { return m_host; }
    // Runs work on a worker thread while this thread keeps serving the window.
    void RunServingWindow(const std::function<void()>& work);

    TabHost* m_host;
    CTarneloData m_data;
    std::unique_ptr<CTarneloProcess> m_engine;
    int m_localJob = 0;
};
