#pragma once

#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "ui/common/TabPage.h"
#include "ui/scene/ScenePage.h"
#include "ui/scene/ScenePanels.h"

class CAppHelpDialog;
class SceneFileActions;
class SceneListEditor;
class SceneMotionTuner;
class SceneRegions;
class ScenePlayerHooks;
class SceneSettingsActions;
class SceneUndo;
struct SceneControlStates;

// The scene tab (page 2015): one input video turned into scene files and a merged output. The page builds and
// connects its panels, starts the jobs and handles their ends, routes the engine's messages and keeps every
// control's enabling consistent with the job that runs. Its parts edit the list, use the motion record, run the
// file and project actions, change the settings and answer the player.
class CTarneloTabScene : public CTabPage, private ScenePage {
    Q_OBJECT
public:
    CTarneloTabScene(TabHost* host, bool cudaPresent, QWidget* parent);
    ~CTarneloTabScene() override;

    // The information commands: kind 2..5 titled by a string id; an open information window closes first.
    void OpenInformation(int kind, int titleId) override;

    // Starts a job (its id is the control that starts it); a call while one is being started is refused.
    void StartProcess(int job) { StartPageJob(job, "CTarneloTabScene::StartProcess"); }
    // Enables every control as the tab's state asks; settled after a job ended.
    void UpdateControlStates(bool settled) override;
    void RefreshTexts() override;
    void UpdateData(bool toControls) override;
    // TabWindow: the engine redraws the list after preparing the input (from its worker thread).
    void RefreshList(bool keepSelection) override;

    const ScenePanels& Panels() const { return m_panels; }
    SceneListEditor& Lists() const { return *m_lists; }
    SceneMotionTuner& Motion() const { return *m_motion; }
    SceneFileActions& Files() const { return *m_fileParts; }
    SceneUndo& History() const { return *m_undo; }
    // The scene list's column of clock times, hidden unless the user shows it.
    void ShowClockColumn(bool shown);

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
    void ApplyStates(const SceneControlStates& states);

    // Commands.
    void OnExtract(int job);
    void OnMerge();
    void OnSegmentOutput();
    void OnAutoCorrect();

    // ScenePage: what the parts ask of the page.
    CTabPage& Page() override { return *this; }
    void StopRunning() override;
    void StopPlayer() override;
    // New effects show at once: a new still of the selected scene.
    void RefreshPreview() override;
    void RefreshMergeInfo() override;
    void QueueMissingSegments() override;
    // Every control off except the stop button, and the tab buttons of the main window.
    void DisableAll() override;
    void AutoSave(bool force) override;
    void ResetSceneList(bool rebuild) override;

    QPointer<CAppHelpDialog> m_infoWindow;
    ScenePanels m_panels;
    std::unique_ptr<SceneListEditor> m_lists;
    std::unique_ptr<SceneMotionTuner> m_motion;
    std::unique_ptr<SceneFileActions> m_fileParts;
    std::unique_ptr<ScenePlayerHooks> m_playerHooks;
    std::unique_ptr<SceneSettingsActions> m_settings;
    std::unique_ptr<SceneUndo> m_undo;
    std::unique_ptr<SceneRegions> m_regions;
};
