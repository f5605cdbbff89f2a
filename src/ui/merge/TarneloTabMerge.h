#pragma once

#include <QString>
#include <memory>
#include <string>

#include "ui/common/TabPage.h"
#include "ui/merge/MergePage.h"

class MergeFileActions;
class MergeListEditor;
class MergePlayerHooks;
struct SceneControlStates;

// The merge tab (page 2016): several videos converted to one frame size and rate and joined into one file.
// Its project is never written to a project file. The page builds and connects its panels, starts the jobs
// and handles their ends, and keeps every control's enabling consistent with the job that runs; its parts edit
// the list, run the file actions and answer the player.
class CTarneloTabMerge : public CTabPage, private MergePage {
    Q_OBJECT
public:
    CTarneloTabMerge(TabHost* host, bool cudaPresent, QWidget* parent);
    ~CTarneloTabMerge() override;

    // Starts a job (its id is the control that starts it); a call while one is being started is refused.
    void StartProcess(int job);
    // The stop button.
    void StopRunning();
    // Enables every control as the tab's state asks; settled after a job ended.
    void UpdateControlStates(bool settled) override;
    void RefreshTexts() override;
    void UpdateData(bool toControls) override;
    // TabWindow: the engine redraws the list during the analysis (from its worker thread).
    void RefreshList(bool keepSelection) override;

    // The two choices, as indexes into the engine's lists of frame sizes and rates.
    int SizeIndex() const override { return m_sizeIndex; }
    int RateIndex() const override { return m_rateIndex; }
    FrameSize Size() const override;
    FrameRate Rate() const override;

    const MergeTabPanels& Panels() const { return m_panels; }
    MergeListEditor& Lists() const { return *m_lists; }
    MergeFileActions& Files() const { return *m_fileParts; }

protected:
    // The choices go to the engine, which reads them while no job runs.
    void BeforeSceneJob() override;
    void OnBusy(const BusyMsg& msg) override;
    void OnProcessFinished(const ProcessFinishedMsg& msg) override;
    void OnListChanged(const ListChangedMsg& msg) override;
    void OnPreviewImage(const PreviewImageMsg& msg) override;
    void OnSelectScene(const SelectSceneMsg& msg) override;
    void OnMediaOpened(const MediaOpenedMsg& msg) override;

private:
    void BuildLayout();
    void Connect();
    void ApplyStates(const SceneControlStates& states);

    // Commands.
    void OnChoiceChanged(int sizeIndex, int rateIndex);
    void OnTransition();
    void OnResetSettings();
    void OnClearList();
    // 3140 and 3142: the converted files of the current choice are made afresh.
    void OnConvert(int job);
    void OnJoin();

    // MergePage: what the parts ask of the page.
    CTabPage& Page() override { return *this; }
    void StopPlayer() override;
    void RefreshMergeInfo() override;
    // Every control off except the stop button, and the tab buttons of the main window.
    void DisableAll() override;
    void ClearList() override;

    MergeTabPanels m_panels;
    std::unique_ptr<MergeListEditor> m_lists;
    std::unique_ptr<MergeFileActions> m_fileParts;
    std::unique_ptr<MergePlayerHooks> m_playerHooks;
    int m_sizeIndex;
    int m_rateIndex;
};
