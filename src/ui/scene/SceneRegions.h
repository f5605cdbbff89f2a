#pragma once

#include <QObject>

#include "ui/scene/ScenePanels.h"

class SceneMotionTuner;
class ScenePage;

// The scene tab's areas of the picture to watch: the row under the preview and the editor over its pane,
// bound to the project's areas. Each change is saved; when the motion record was made over other areas the
// status bar says a new extraction is needed, since a re-tune cannot give the scenes of these. Edits are
// refused while a job runs (an extraction reads the areas when it starts) and while no video is open.
class SceneRegions : public QObject {
public:
    SceneRegions(ScenePage& page, const ScenePanels& panels, SceneMotionTuner& motion);

    // The project's areas over its video (a project or a video was opened, a new project).
    void ShowData();
    // The page's enabling: false while a job or the page's own work runs. The mode stays chosen and comes back.
    void SetEditable(bool editable);
    void RefreshTexts();

private:
    bool CanEdit() const;
    void OnEdited();
    void OnModeToggled(bool on);
    void OnClear();
    void RefreshControls();

    ScenePage& m_page;
    ScenePanels m_panels;
    SceneMotionTuner& m_motion;
    bool m_editable = false;
    bool m_toldNewScan = false;  // the status bar says the record's areas differ
};
