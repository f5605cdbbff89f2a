#pragma once

class CFilesPanel;
class CJobStatus;
class CMergeJobPanel;
class CMergeSettingsPanel;
class CPlayerControl;
class CPreviewPanel;
class CTabPage;
class MergeListModel;
class SceneListView;
struct FrameRate;
struct FrameSize;

// The controls of the merge tab, built and laid out by the page; its parts act on them.
struct MergeTabPanels {
    CFilesPanel* files = nullptr;
    CMergeSettingsPanel* settings = nullptr;
    CMergeJobPanel* jobs = nullptr;
    MergeListModel* listModel = nullptr;
    SceneListView* listView = nullptr;
    CPreviewPanel* preview = nullptr;
    CPlayerControl* player = nullptr;
};

// What the parts of the merge tab ask of the page that holds them, beyond what every tab page offers.
class MergePage {
public:
    virtual ~MergePage() = default;

    virtual CTabPage& Page() = 0;
    // The current choice, as indexes into the engine's lists of frame sizes and rates, and what they are.
    virtual int SizeIndex() const = 0;
    virtual int RateIndex() const = 0;
    virtual FrameSize Size() const = 0;
    virtual FrameRate Rate() const = 0;
    // Stops a playing preview, nothing else.
    virtual void StopPlayer() = 0;
    virtual void RefreshMergeInfo() = 0;
    // Every control off but the stop button, while the page's own work runs.
    virtual void DisableAll() = 0;
    // Empties the list and deletes the converted files of the current choice.
    virtual void ClearList() = 0;
};
