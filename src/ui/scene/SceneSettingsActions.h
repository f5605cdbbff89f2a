#pragma once

#include <QObject>
#include <functional>

#include "ui/scene/ScenePanels.h"

class CTarneloData;
class SceneListEditor;
class SceneMotionTuner;
class ScenePage;

// The scene tab's settings: a change or a reset of the extraction, effect and caption settings, filling or
// clearing the scenes' captions, the transition, the list's check boxes, the loop checks and the list's
// reset. Each shows at once, re-tunes the scenes or makes a new still as it needs, and is saved.
class SceneSettingsActions : public QObject {
public:
    SceneSettingsActions(ScenePage& page, const ScenePanels& panels, SceneListEditor& lists, SceneMotionTuner& motion);

    void OnClearList();
    void OnResetExtraction();
    void OnResetEffects();
    void OnResetCaptions();
    // 1031: fills every scene's caption, or after a yes clears them when any scene has one.
    void OnFillCaptions();
    void OnTransition();

private:
    void Connect();
    // The list's caption columns, the fill button, the preview and the project follow a change.
    void AfterCaptionChange(bool allRows);
    // Runs change on every caption as one step to undo, the title's and the watermark's with the scenes'.
    void ChangeAllCaptions(const std::function<void(CTarneloData&)>& change);

    ScenePage& m_page;
    ScenePanels m_panels;
    SceneListEditor& m_lists;
    SceneMotionTuner& m_motion;
};
