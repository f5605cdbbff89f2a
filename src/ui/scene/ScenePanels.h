#pragma once

class CCaptionPanel;
class CEffectsPanel;
class CExtractionPanel;
class CFilesPanel;
class CMotionTimeline;
class CPlayerControl;
class CPreviewPanel;
class CRegionEditor;
class CRegionPanel;
class CSceneJobPanel;
class SceneListModel;
class SceneListView;

// The controls of the scene tab, built and laid out by the page; its parts act on them. A part's test builds
// only the ones that part uses.
struct ScenePanels {
    CFilesPanel* files = nullptr;
    CExtractionPanel* extraction = nullptr;
    CEffectsPanel* effects = nullptr;
    CCaptionPanel* captions = nullptr;
    CSceneJobPanel* jobs = nullptr;
    SceneListModel* listModel = nullptr;
    SceneListView* listView = nullptr;
    CMotionTimeline* timeline = nullptr;
    CPreviewPanel* preview = nullptr;
    CPlayerControl* player = nullptr;
    CRegionPanel* regions = nullptr;        // the row of the areas under the preview
    CRegionEditor* regionEditor = nullptr;  // the areas over the preview pane
};
