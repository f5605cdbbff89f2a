#include "ui/scene/SceneUndo.h"

#include <algorithm>
#include <optional>

#include "engine/TarneloProcess.h"
#include "ui/common/TabPage.h"
#include "ui/scene/CaptionPanel.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/ScenePage.h"

SceneUndo::SceneUndo(ScenePage& page, const ScenePanels& panels, SceneListEditor& lists)
    : m_page(page), m_panels(panels), m_lists(lists) {
    m_page.Page().Data().Scenes().KeepHistory(kSteps);
}

bool SceneUndo::Blocked() const { return m_lists.EditBlocked() || m_page.Page().Engine().Status().running; }

bool SceneUndo::CanUndo() const { return !Blocked() && m_page.Page().Data().Scenes().CanUndo(); }

bool SceneUndo::CanRedo() const { return !Blocked() && m_page.Page().Data().Scenes().CanRedo(); }

void SceneUndo::Replay(bool undo) {
    if (Blocked()) return;
    CTabPage& page = m_page.Page();
    CTarneloData& data = page.Data();
    m_lists.DropCellEdit();
    m_page.StopPlayer();
    const std::optional<int> row = undo ? data.Scenes().Undo() : data.Scenes().Redo();
    if (!row) return;
    const int count = data.Scenes().Size();
    data.list_idx = count == 0 ? -1 : std::clamp(*row >= 0 ? *row : data.list_idx, 0, count - 1);
    m_lists.FillList(data.list_idx);
    m_panels.captions->Load();
    // A re-tune's settings and the title's captions come back with the list.
    page.UpdateData(true);
    m_page.RefreshMergeInfo();
    m_page.RefreshPreview();
    m_page.QueueMissingSegments();
    m_page.AutoSave(false);
    page.UpdateControlStates(true);
}
