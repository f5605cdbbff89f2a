#pragma once

#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "project/ProjectSession.h"
#include "ui/common/TabPage.h"
#include "ui/preview/PlayerControl.h"
#include "ui/scene/ScenePage.h"

class CAppEdit;
class CAppHelpDialog;
class CCaptionPanel;
class CEffectsPanel;
class CExtractionPanel;
class CJobStatus;
class CMotionTimeline;
class CPreviewPanel;
class CFilesPanel;
class CSceneJobPanel;
class SceneListEditor;
class SceneListModel;
class SceneMotionTuner;
class SceneListView;
class QMenu;
struct SceneControlStates;

// The scene tab (page 2015): one input video turned into scene files and a merged output. The page places
// its panels, routes the engine's messages to them, runs the commands and keeps every control's enabling
// consistent with the job that runs. Its file and project operations are in SceneFiles.cpp.
class CTarneloTabScene : public CTabPage, private ScenePage, private ProjectSessionListener, private PlayerPage {
    Q_OBJECT
public:
    CTarneloTabScene(TabHost* host, bool cudaPresent, QWidget* parent);
    ~CTarneloTabScene() override;

    // --- files and projects ---
    void NewProject() override;
    // Opens a project file: -1 when it does not exist, 0 when it could not be read, 1 when opened. With
    // automatic save on and force off, asking for the open project again does nothing.
    int LoadProjectFile(const QString& path, bool force) override;
    // Opens a video as the new input: probes it, starts a new project that keeps the project file, the
    // output folder and name, the title and the watermark, and prepares the input (job 1101) while the
    // window stays responsive. A second video asked for meanwhile stops the first and opens after it.
    void OpenInputVideo(const QString& path);
    // Writes the project when automatic save is on or force is set; a failed write is reported (once per
    // file until a write succeeds) and leaves the file on disk as it was.
    void AutoSave(bool force) override;
    void SaveProject() override;
    void OpenProject() override;
    void SaveProjectAs() override;
    void DropFiles(const QStringList& files) override;
    // Empties the scene list (rebuild: the default one-scene list) and deletes the segment files.
    void ResetSceneList(bool rebuild) override;
    // After an analysis: keeps the selection (or builds the default list), then refills the list.
    void PrepareSceneList(bool keep);

    // The information commands: kind 2..5 titled by a string id; an open information window closes first.
    void OpenInformation(int kind, int titleId) override;
    CAppHelpDialog* InformationWindow() const { return m_infoWindow; }

    // --- jobs ---
    // Starts a job (its id is the control that starts it); a call while one is being started is refused.
    void StartProcess(int job) { StartPageJob(job, "CTarneloTabScene::StartProcess"); }
    // The stop button: stops a running job or the input preparation.
    void StopRunning() override;
    // Enables every control as the tab's state asks; settled after a job ended.
    void UpdateControlStates(bool settled) override;
    // New effects show at once: a new still of the selected scene.
    void RefreshPreview() override;

    void RefreshTexts() override;
    void UpdateData(bool toControls) override;

    // TabWindow: the engine redraws the list after preparing the input (from its worker thread).
    void RefreshList(bool keepSelection) override;

    static QString ProjectFilter() { return QStringLiteral("Project Files (*.kpproj)|*.kpproj||"); }

    SceneListModel* ListModel() const { return m_listModel; }
    SceneListView* ListView() const { return m_listView; }
    CPreviewPanel* Preview() const { return m_preview; }
    CPlayerControl* Player() const { return m_player; }
    CMotionTimeline* Timeline() const { return m_timeline; }
    CExtractionPanel* ExtractionSettings() const { return m_extraction; }

    // The editing of the list.
    SceneListEditor& Lists() const { return *m_lists; }

    // The motion record's re-tune and timeline.
    SceneMotionTuner& Motion() const { return *m_motion; }

protected:
    void BeforeSceneJob() override { AutoSave(false); }
    void OnBusy(const BusyMsg& msg) override;
    void OnProcessFinished(const ProcessFinishedMsg& msg) override;
    void OnListChanged(const ListChangedMsg& msg) override;
    void OnPreviewImage(const PreviewImageMsg& msg) override;
    void OnSelectScene(const SelectSceneMsg& msg) override;
    void OnMediaOpened(const MediaOpenedMsg& msg) override;
    void OnEditDone(const EditDoneMsg& msg) override;

private:
    void BuildLayout();
    void Connect();
    void ConnectFiles();
    void ApplyStates(const SceneControlStates& states);
    // Every control off except the stop button, and the tab buttons of the main window.
    void DisableAll() override;
    void RefreshMergeInfo() override;
    void ReloadCaptions();

    // Commands.
    void OnExtract(int job);
    void OnMerge();
    void OnSegmentOutput();
    void OnClearList();
    void OnResetExtraction();
    void OnResetEffects();
    void OnAutoCorrect();
    void OnTransition();
    // Captions: the list's caption columns, the fill button, the preview and the project follow a change.
    void AfterCaptionChange(bool allRows);
    void OnResetCaptions();
    void OnFillCaptions();
    void QueueMissingSegments();

    // Files (SceneFiles.cpp).
    void ChooseInputFile();
    void ChooseOutputFolder();
    void ChooseOutputFile();
    void DeleteOutputFolder();
    void ChangeOutputFolder(const QString& folder);
    void ChangeOutputName(const QString& name);
    // Opens a video; newProject starts from an empty project once the file has proved to be a video;
    // report tells the user when it is not one.
    void OpenVideo(const std::string& path, bool newProject, bool report);
    void OpenPendingInput();
    // After the output folder or name changed: save, then read the project again (or prepare the input
    // again when nothing was saved).
    void ReloadAfterOutputChange();
    // Marks input preparation (job 1101) as running: busy cursor, controls off but the stop button.
    void BeginPreparing();
    void EndPreparing();
    // Probes and prepares the open project's input (after a project was read).
    bool PrepareProjectInput();
    std::string SegmentName() const;

    // PlayerPage: what the player controls ask of this tab (ScenePlayer.cpp).
    void ConnectPlayer();
    void StartPlayback(int job) override;
    void StopPlayback() override;
    int SelectedSceneStart() const override;
    bool SelectedSceneIsLast() const override;
    std::vector<int> OutputStarts() const override;
    bool SceneJobRunning() const override;
    bool ListHasFocus() const override;
    void PlayerChanged() override;
    void PlayerSettingsChanged() override;
    MediaInfoSource& ReportSource() override;
    const char* CaptureLogTag() const override { return "CTarneloTabScene::CaptureFfplayWindow"; }
    // ScenePage: what the parts ask of the page.
    CTabPage& Page() override { return *this; }
    void StopPlayer() override;

    // ProjectSessionListener: the window's part of opening a project.
    void LoadStarting() override;
    void ProjectOpened(const std::string& path) override;
    void LoadFinished(bool loaded) override;

    ProjectSession m_session;
    QPointer<CAppHelpDialog> m_infoWindow;

    CFilesPanel* m_files;
    CExtractionPanel* m_extraction;
    CEffectsPanel* m_effects;
    CCaptionPanel* m_captions;
    CSceneJobPanel* m_jobs;
    SceneListModel* m_listModel;
    SceneListView* m_listView;
    CPreviewPanel* m_preview;
    CPlayerControl* m_player;
    CJobStatus* m_jobStatus;
    CMotionTimeline* m_timeline;

    bool m_loadingProject = false;
    std::string m_pendingInput;  // a video asked for while another was being prepared
    bool m_pendingNewProject = false;
    std::string m_failedSave;  // the project file whose last save failed (reported once)
    std::unique_ptr<SceneListEditor> m_lists;
    std::unique_ptr<SceneMotionTuner> m_motion;
};
