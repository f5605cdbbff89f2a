#pragma once

#include <QObject>

#include "ui/scene/ScenePanels.h"

class SceneListEditor;
class ScenePage;

// The scene tab's undo and redo of its list. A step puts the list back as it was (ranges, order, switches,
// captions, file names), cuts again only the scene files that no longer exist, and is saved as any edit is.
// Nothing is undone while a job or a cut runs or the list is being rebuilt.
class SceneUndo : public QObject {
public:
    // The steps a project keeps.
    static constexpr size_t kSteps = 200;

    SceneUndo(ScenePage& page, const ScenePanels& panels, SceneListEditor& lists);

    bool CanUndo() const;
    bool CanRedo() const;
    void Undo() { Replay(true); }
    void Redo() { Replay(false); }

private:
    bool Blocked() const;
    void Replay(bool undo);

    ScenePage& m_page;
    ScenePanels m_panels;
    SceneListEditor& m_lists;
};
