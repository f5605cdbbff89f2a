#include "ui/scene/SceneListEditor.h"

#include <QMenu>
#include <cstdio>
#include <optional>

#include "app/AppEdit.h"
#include "engine/jobs/JobTables.h"
#include "ui/common/TabPage.h"
#include "ui/lists/ListContextMenu.h"
#include "ui/lists/ListRows.h"
#include "ui/lists/SceneEditRules.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/scene/CaptionPanel.h"
#include "ui/scene/ScenePage.h"

namespace {

std::string Trimmed(const char* text) {
    return text != nullptr ? QString::fromUtf8(text).trimmed().toStdString() : std::string();
}

}  // namespace

SceneListEditor::SceneListEditor(ScenePage& page, const ScenePanels& panels)
    : ListEditorBase(page.Page().Data(), std::make_unique<ListRows>(panels.listView, panels.listModel)),
      m_page(page),
      m_panels(panels) {
    static_cast<ListRows&>(Rows()).Attach(*this);
    connect(m_panels.listView, &SceneListView::RowClicked, this, &SceneListEditor::OnRowClicked);
    connect(m_panels.listView, &SceneListView::EditEndRequested, this, &SceneListEditor::FinishCellEdit);
}

void SceneListEditor::SetPeakCommand(std::function<void(QMenu&, int)> add, std::function<void(int)> show) {
    m_addPeak = std::move(add);
    m_showPeak = std::move(show);
}

bool SceneListEditor::EditBlocked() const {
    // The wait cursor also covers a background cut: it writes its row's range back when it ends.
    const CTabPage& page = m_page.Page();
    return page.IsBusy() || page.WaitCursorShown() || !ListSettled();
}

int SceneListEditor::MinSceneLength() const {
    return MinSceneFrames(m_data.m_sourceInfo.fps, m_data.valid_min_unit.value);
}

void SceneListEditor::FillList(int select) {
    WhileRebuilding([&] {
        m_panels.listModel->Fill();
        m_panels.listView->SelectRow(select);
    });
}

// --- a click on a row ---

void SceneListEditor::OnRowClicked(int row, int column) {
    CTabPage& page = m_page.Page();
    if (page.IsBusy() || !ListSettled()) return;
    const std::optional<SceneEntry> listed = m_data.Scenes().At(row);
    if (!listed) return;
    const SceneEntry& scene = *listed;
    const bool changed = row != m_data.list_idx || scene.fileName != page.Engine().CurrentPreviewFile();
    m_data.list_idx = row;
    m_data.list_col = column;
    if (changed) m_panels.captions->Load();
    const bool dragging = m_panels.listView->Dragging();
    if (!dragging && scene.enable && IsFrameColumn(column)) {
        m_page.StopPlayer();
        // The queue's worker cuts the segment when it is missing or stale and shows it; the window waits
        // for neither.
        if (changed) page.Engine().QueueSegment(row, true);
        m_panels.listView->SelectRow(row);
        page.UpdateControlStates(true);
        OpenCellEdit(row, column);
        return;
    }
    if (!dragging && !changed && page.CurrentJob() != 0) {
        // A second click on the row that plays stops it.
        m_page.StopRunning();
    } else if (!dragging || changed) {
        m_page.StopPlayer();
        page.Engine().QueueSegment(row, true);
    }
    page.UpdateControlStates(true);
}

// --- in-place edit ---

void SceneListEditor::OpenCellEdit(int row, int column) {
    FrameEditRange range;
    if (!SceneEditRange(m_data.Scenes().Snapshot(), row, column, MinSceneLength(), m_data.m_sourceInfo.frame_num,
                        range)) {
        return;
    }
    CloseCellEdit();
    m_editValue.Set(range.current, range.minimum, range.maximum, 1, 1);
    m_editRow = row;
    m_editColumn = column;
    m_cellEdit =
        m_panels.listView->OpenCellEditor(row, column, QString::fromStdString(m_editValue.text), &m_page.Page());
}

void SceneListEditor::CloseCellEdit() {
    if (!m_cellEdit) return;
    CAppEdit* edit = m_cellEdit;
    m_cellEdit = nullptr;
    // Its focus leaving while it goes must not report the text a second time.
    edit->SetOwner(nullptr);
    edit->hide();
    edit->deleteLater();
}

void SceneListEditor::DropCellEdit() {
    CloseCellEdit();
    m_editValue = NumericSetting();
}

void SceneListEditor::FinishCellEdit() {
    if (!m_cellEdit) return;
    const std::string text = m_cellEdit->text().toStdString();
    OnEditDone(EditDoneMsg{text.c_str()});
    m_panels.listView->setFocus();
}

void SceneListEditor::OnEditDone(const EditDoneMsg& msg) {
    if (!m_cellEdit) return;
    CloseCellEdit();
    const std::string text = Trimmed(msg.text);
    if (text == m_editValue.text || !IsFrameColumn(m_editColumn)) return;
    if (EditBlocked()) {
        // A cut of this list is under way; the value is applied as soon as it has ended.
        m_pendingEdit = text;
        m_hasPendingEdit = true;
        return;
    }
    ApplyCellEdit(text);
}

void SceneListEditor::ApplyPendingEdit() {
    if (!m_hasPendingEdit || EditBlocked()) return;
    m_hasPendingEdit = false;
    ApplyCellEdit(m_pendingEdit);
}

void SceneListEditor::ApplyCellEdit(const std::string& text) {
    const int row = m_editRow;
    std::string old;
    // The range again from the list as it is now: the neighbours may have changed meanwhile. The list is
    // edited only here while no cut runs (EditBlocked), so the scene read is the scene replaced.
    const std::vector<SceneEntry> scenes = m_data.Scenes().Snapshot();
    FrameEditRange range;
    if (!SceneEditRange(scenes, row, m_editColumn, MinSceneLength(), m_data.m_sourceInfo.frame_num, range)) {
        return;
    }
    const int value = ParseFrameValue(text, range);
    m_editValue.Set(value, range.minimum, range.maximum, 1, 1);
    SceneEntry scene = scenes[static_cast<size_t>(row)];
    ApplyFrameValue(scene, m_editColumn, value, m_data.SourceClock(m_data.m_sourceInfo.fps));
    // The segment's name carries its range; the background cut writes the file of the new one.
    const std::string name = SceneSegmentName(m_data, scene.framNo_first, scene.framNo_second);
    if (name != scene.fileName) {
        old = scene.fileName;
        scene.fileName = name;
    }
    {
        SceneList::Step step(m_data.Scenes());
        m_data.Scenes().Replace(row, std::move(scene));
    }
    const bool shared = m_data.Scenes().FileSharedWithOther(row, old);
    m_page.StopPlayer();
    if (!old.empty() && !shared) std::remove(old.c_str());
    m_panels.captions->Load();
    FillList(m_data.list_idx);
    CTabPage& page = m_page.Page();
    page.UpdateData(true);
    m_page.RefreshMergeInfo();
    page.Engine().QueueSegment(row, true);
    m_page.AutoSave(false);
    page.UpdateControlStates(true);
}

// --- the row menu ---

std::unique_ptr<QMenu> SceneListEditor::ContextMenu(int row, int column) {
    if (EditBlocked() || IsFrameColumn(column)) return nullptr;
    const std::optional<SceneEntry> scene = m_data.Scenes().At(row);
    if (!scene) return nullptr;
    const bool split = CanSplit(*scene, MinSceneLength());
    // The menu's commands work on the selected row: the one under the pointer becomes it.
    if (row != m_data.list_idx) {
        m_data.list_idx = row;
        m_panels.captions->Load();
    }
    m_panels.listView->SelectRow(row);
    std::unique_ptr<QMenu> menu = CreateListContextMenu(&m_page.Page(), true, split);
    if (m_addPeak) m_addPeak(*menu, row);
    return menu;
}

bool SceneListEditor::BeforeCommand(int id, int row) {
    CloseCellEdit();
    if (id != kShowPeakCommand) return true;
    if (m_showPeak) m_showPeak(row);
    return false;
}

void SceneListEditor::RunCommand(int id, int row) {
    switch (id) {
        case kListCopy:
            CopyRow(row);
            break;
        case kListSplit:
            SplitScene(row);
            break;
        case kListDelete:
            DeleteScene(row);
            break;
        default:
            break;
    }
}

void SceneListEditor::AfterCommand() {
    m_page.RefreshMergeInfo();
    m_page.AutoSave(false);
    m_page.Page().UpdateControlStates(true);
}

void SceneListEditor::SplitScene(int row) {
    const int m = MinSceneLength();
    const std::optional<SceneEntry> scene = m_data.Scenes().At(row);
    if (!scene || !CanSplit(*scene, m)) return;
    CTarneloProcess& engine = m_page.Page().Engine();
    // The player's frame counts within this scene only when it shows this scene's segment.
    const int frame = scene->fileName == engine.CurrentPreviewFile() ? engine.CurrentPlayFrame() : 0;
    const std::string old = SplitSceneRow(m_data, row, SplitFrame(*scene, frame, m));
    if (old.empty()) return;
    const bool shared = m_data.Scenes().FileSharedWithOther(-1, old);
    m_page.StopPlayer();
    if (!shared) std::remove(old.c_str());
    m_panels.listModel->InsertRow(row);
    m_panels.listModel->UpdateRow(row + 1);
    engine.QueueSegment(row, true);
    m_data.list_idx = row + 1;
    engine.QueueSegment(row + 1, true);
    m_panels.listView->SelectRow(m_data.list_idx);
    m_panels.captions->Load();
}

void SceneListEditor::DeleteScene(int row) {
    if (m_data.Scenes().Size() < 2) {
        m_page.ResetSceneList(true);
        return;
    }
    m_page.StopPlayer();
    const std::string old = m_data.Scenes().Delete(row);
    const bool shared = m_data.Scenes().FileSharedWithOther(-1, old);
    const int count = m_data.Scenes().Size();
    if (m_data.list_idx >= count) m_data.list_idx = count - 1;
    const int length = m_data.Scenes().At(m_data.list_idx).value_or(SceneEntry()).FrameCount();
    if (!shared) std::remove(old.c_str());
    m_panels.listModel->RemoveRow(row);
    m_panels.listView->SelectRow(m_data.list_idx);
    m_panels.preview->SetPositionText(CPreviewPanel::PositionText(0, length, m_data.m_sourceInfo.fps));
    m_panels.captions->Load();
    m_page.Page().Engine().QueueSegment(m_data.list_idx, true);
}

// --- reordering by drag ---

void SceneListEditor::AfterSwap() { m_page.RefreshMergeInfo(); }

void SceneListEditor::DragFinished() {
    m_page.AutoSave(false);
    m_page.Page().UpdateControlStates(true);
}
