#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "ui/common/TabPage.h"
#include "ui/merge/MergePage.h"
#include "ui/preview/PlayerControl.h"

class CFilesPanel;
class CJobStatus;
class CMergeJobPanel;
class CMergeSettingsPanel;
class CPreviewPanel;
class MergeListEditor;
class MergeListModel;
class SceneListView;
class QMenu;
struct FrameRate;
struct FrameSize;
struct MergeClash;
struct SceneControlStates;

// The merge tab (page 2016): several videos converted to one frame size and rate and joined into one file.
// Its project is never written to a project file. The page places its panels, adds the videos dropped or
// chosen, runs its jobs and keeps every control's enabling consistent with the job that runs; its files and
// list editing are in MergeFiles.cpp, its player in MergePlayer.cpp.
class CTarneloTabMerge : public CTabPage, private MergePage, private PlayerPage {
    Q_OBJECT
public:
    CTarneloTabMerge(TabHost* host, bool cudaPresent, QWidget* parent);
    ~CTarneloTabMerge() override;

    // The new-project command while this tab is active: stop the job, reset the data keeping nothing.
    void NewProject() override;
    // Dropped videos are added in order (ignored while a job runs); a file ffprobe rejects is skipped.
    void DropFiles(const QStringList& files) override;
    // The "add files" button: an open dialog that takes several videos, added as a drop adds them.
    void ChooseFiles();
    // Adds the videos; returns how many were added. A video whose converted file would be another one's,
    // or which is the output or a converted file, is refused with a message.
    int AddVideos(const QStringList& files);

    // --- jobs ---
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
    int SizeIndex() const { return m_sizeIndex; }
    int RateIndex() const { return m_rateIndex; }
    FrameSize Size() const override;
    FrameRate Rate() const override;

    MergeListModel* ListModel() const { return m_listModel; }
    SceneListView* ListView() const { return m_listView; }
    CPreviewPanel* Preview() const { return m_preview; }
    CPlayerControl* Player() const { return m_player; }
    // The editing of the list.
    MergeListEditor& Lists() const { return *m_lists; }

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
    // MergePage: what the parts ask of the page.
    CTabPage& Page() override { return *this; }
    void DisableAll() override;
    void RefreshMergeInfo() override;
    void StopPlayer() override;
    void ClearList() override;
    bool PlayerRuns() const;

    // Commands.
    void OnChoiceChanged(int sizeIndex, int rateIndex);
    void OnTransition();
    void OnResetSettings();
    void OnClearList();
    // 3140 and 3142: the converted files of the current choice are made afresh.
    void OnConvert(int job);
    void OnJoin();
    void OnRowClicked(int row, int column);

    // Files (MergeFiles.cpp).
    void ChooseOutputFolder();
    void ChooseOutputFile();
    void DeleteOutputFolder();
    void ChangeOutputFolder(const QString& folder);
    void ChangeOutputName(const QString& name);
    // Deletes every converted file of the current choice in the output folder.
    void DeleteConvertedFiles();
    // The message for a video that is not added, and false; true when it may be added.
    bool AcceptVideo(const std::string& path);
    // Before a job writes: false, with the message, when a file it writes is a video of the list.
    bool AcceptJob();
    void ShowClash(const MergeClash& clash);

    // PlayerPage (MergePlayer.cpp).
    void ConnectPlayer();
    void StartPlayback(int job) override;
    void StopPlayback() override;
    int SelectedSceneStart() const override;
    bool SelectedSceneIsLast() const override;
    std::vector<int> OutputStarts() const override;
    bool SceneJobRunning() const override;
    bool ListHasFocus() const override;
    void PlayerChanged() override;
    void PlayerSettingsChanged() override {}
    MediaInfoSource& ReportSource() override;
    const char* CaptureLogTag() const override { return "CTarneloTabMerge::CaptureFfplayWindow"; }

    CFilesPanel* m_files;
    CMergeSettingsPanel* m_settings;
    CMergeJobPanel* m_jobs;
    MergeListModel* m_listModel;
    SceneListView* m_listView;
    CPreviewPanel* m_preview;
    CPlayerControl* m_player;
    CJobStatus* m_jobStatus;

    int m_sizeIndex;
    int m_rateIndex;
    std::unique_ptr<MergeListEditor> m_lists;
};
