// The scene tab's editing of its list: a click on a row, the in-place edit of a frame cell, the row menu
// (copy, split, delete) and reordering by drag. Every change is one edit of the project's scene list; the
// segment of a changed scene is cut again by the background queue, and the project is saved.
#include <QMenu>
#include <cstdio>
#include <optional>

#include "app/AppEdit.h"
#include "engine/jobs/JobTables.h"
#include "project/FileHelpers.h"
#include "ui/lists/ListContextMenu.h"
#include "ui/lists/SceneEditRules.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/scene/TarneloTabScene.h"

namespace {

std::string Trimmed(const char* text) {
    return text != nullptr ? QString::fromUtf8(text).trimmed().toStdString() : std::string();
}

}  // namespace

void CTarneloTabScene::ConnectListEditing() {
    connect(m_listView, &SceneListView::ContextMenuAt, this, &CTarneloTabScene::OnListContextMenu);
    m_listView->SetDragSwap([this](int from, int to) { return OnDragSwap(from, to); });
    connect(m_listView, &SceneListView::DragFinished, this, [this] {
        AutoSave(false);
        UpdateControlStates(true);
    });
    connect(m_listView, &SceneListView::EditEndRequested, this, &CTarneloTabScene::FinishCellEdit);
    m_listView->SetDragTextOf([this](int row) {
        const std::optional<SceneEntry> scene = m_data.Scenes().At(row);
        return scene ? QString::fromStdString(FileNamePart(scene->fileName)) : QString();
    });
}

CAppEdit* CTarneloTabScene::CellEdit() const { return m_cellEdit.data(); }

bool CTarneloTabScene::ListEditBlocked() const {
    // m_waitCursor also covers a background cut: it writes its row's range back when it ends.
    return IsBusy() || m_waitCursor || !m_listRefresh;
}

int CTarneloTabScene::MinSceneLength() const {
    return MinSceneFrames(m_data.m_sourceInfo.fps, m_data.valid_min_unit.value);
}

void CTarneloTabScene::StopPlayer() {
    if (IsPreviewJobId(CurrentJob())) StopPlayback();
}

// --- a click on a row ---

void CTarneloTabScene::OnRowClicked(int row, int column) {
    if (IsBusy() || !m_listRefresh) return;
    const std::optional<SceneEntry> listed = m_data.Scenes().At(row);
    if (!listed) return;
    const SceneEntry& scene = *listed;
    const bool changed = row != m_data.list_idx || scene.fileName != m_engine->CurrentPreviewFile();
    m_data.list_idx = row;
    m_data.list_col = column;
    if (changed) ReloadCaptions();
    const bool dragging = m_listView->Dragging();
    if (!dragging && scene.enable && IsFrameColumn(column)) {
        StopPlayer();
        // The queue's worker cuts the segment when it is missing or stale and shows it; the window waits
        // for neither.
        if (changed) m_engine->QueueSegment(row, true);
        m_listView->SelectRow(row);
        UpdateControlStates(true);
        OpenCellEdit(row, column);
        return;
    }
    if (!dragging && !changed && CurrentJob() != 0) {
        // A second click on the row that plays stops it.
        StopRunning();
    } else if (!dragging || changed) {
        StopPlayer();
        m_engine->QueueSegment(row, true);
    }
    UpdateControlStates(true);
}

// --- in-place edit ---

void CTarneloTabScene::OpenCellEdit(int row, int column) {
    FrameEditRange range;
    if (!SceneEditRange(m_data.Scenes().Snapshot(), row, column, MinSceneLength(), m_data.m_sourceInfo.frame_num,
                        range)) {
        return;
    }
    CloseCellEdit();
    m_editValue.Set(range.current, range.minimum, range.maximum, 1, 1);
    m_editRow = row;
    m_editColumn = column;
    m_cellEdit = m_listView->OpenCellEditor(row, column, QString::fromStdString(m_editValue.text), this);
}

void CTarneloTabScene::CloseCellEdit() {
    if (!m_cellEdit) return;
    CAppEdit* edit = m_cellEdit;
    m_cellEdit = nullptr;
    // Its focus leaving while it goes must not report the text a second time.
    edit->SetOwner(nullptr);
    edit->hide();
    edit->deleteLater();
}

void CTarneloTabScene::FinishCellEdit() {
    if (!m_cellEdit) return;
    const std::string text = m_cellEdit->text().toStdString();
    OnEditDone(EditDoneMsg{text.c_str()});
    m_listView->setFocus();
}

void CTarneloTabScene::OnEditDone(const EditDoneMsg& msg) {
    if (!m_cellEdit) return;
    CloseCellEdit();
    const std::string text = Trimmed(msg.text);
    if (text == m_editValue.text || !IsFrameColumn(m_editColumn)) return;
    if (ListEditBlocked()) {
        // A cut of this list is under way; the value is applied as soon as it has ended.
        m_pendingEdit = text;
        m_hasPendingEdit = true;
        return;
    }
    ApplyCellEdit(text);
}

void CTarneloTabScene::ApplyPendingListEdit() {
    if (!m_hasPendingEdit || ListEditBlocked()) return;
    m_hasPendingEdit = false;
    ApplyCellEdit(m_pendingEdit);
}

void CTarneloTabScene::ApplyCellEdit(const std::string& text) {
    const int row = m_editRow;
    std::string old;
    // The range again from the list as it is now: the neighbours may have changed meanwhile. The list is
    // edited only here while no cut runs (ListEditBlocked), so the scene read is the scene replaced.
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
    m_data.Scenes().Replace(row, std::move(scene));
    const bool shared = m_data.Scenes().FileSharedWithOther(row, old);
    StopPlayer();
    if (!old.empty() && !shared) std::remove(old.c_str());
    ReloadCaptions();
    FillList(m_data.list_idx);
    UpdateData(true);
    RefreshMergeInfo();
    m_engine->QueueSegment(row, true);
    AutoSave(false);
    UpdateControlStates(true);
}

// --- the row menu ---

std::unique_ptr<QMenu> CTarneloTabScene::ListContextMenu(int row, int column) {
    if (ListEditBlocked() || IsFrameColumn(column)) return nullptr;
    const std::optional<SceneEntry> scene = m_data.Scenes().At(row);
    if (!scene) return nullptr;
    const bool split = CanSplit(*scene, MinSceneLength());
    // The menu's commands work on the selected row: the one under the pointer becomes it.
    if (row != m_data.list_idx) {
        m_data.list_idx = row;
        ReloadCaptions();
    }
    m_listView->SelectRow(row);
    std::unique_ptr<QMenu> menu = CreateListContextMenu(this, true, split);
    AddPeakCommand(*menu, row);
    return menu;
}

void CTarneloTabScene::OnListContextMenu(int row, int column, const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu = ListContextMenu(row, column);
    if (!menu) return;
    const QAction* chosen = menu->exec(globalPos);
    if (chosen != nullptr) OnListCommand(chosen->data().toInt());
}

void CTarneloTabScene::OnListCommand(int id) {
    if (ListEditBlocked()) return;
    const int row = m_listView->CurrentRow() >= 0 ? m_listView->CurrentRow() : m_data.list_idx;
    if (!m_data.Scenes().At(row)) return;
    CloseCellEdit();
    if (id == kShowPeakCommand) {
        ShowPeakFrame(row);
        return;
    }
    m_data.list_idx = row;
    const bool refresh = m_listRefresh;
    m_listRefresh = false;
    m_listView->setEnabled(false);
    switch (id) {
        case kListCopy:
            CopyScene(row);
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
    m_listView->setEnabled(true);
    m_listRefresh = refresh;
    RefreshMergeInfo();
    AutoSave(false);
    UpdateControlStates(true);
}

void CTarneloTabScene::CopyScene(int row) {
    if (!m_listModel->CopyEntry(row)) return;
    // The selection stays on the scene that was copied, now one row lower.
    m_data.list_idx = row + 1;
    m_listView->SelectRow(m_data.list_idx);
}

void CTarneloTabScene::SplitScene(int row) {
    const int m = MinSceneLength();
    const std::optional<SceneEntry> scene = m_data.Scenes().At(row);
    if (!scene || !CanSplit(*scene, m)) return;
    // The player's frame counts within this scene only when it shows this scene's segment.
    const int frame = scene->fileName == m_engine->CurrentPreviewFile() ? m_engine->CurrentPlayFrame() : 0;
    const std::string old = SplitSceneRow(m_data, row, SplitFrame(*scene, frame, m));
    if (old.empty()) return;
    const bool shared = m_data.Scenes().FileSharedWithOther(-1, old);
    StopPlayer();
    if (!shared) std::remove(old.c_str());
    m_listModel->InsertRow(row);
    m_listModel->UpdateRow(row + 1);
    m_engine->QueueSegment(row, true);
    m_data.list_idx = row + 1;
    m_engine->QueueSegment(row + 1, true);
    m_listView->SelectRow(m_data.list_idx);
    ReloadCaptions();
}

void CTarneloTabScene::DeleteScene(int row) {
    if (m_data.Scenes().Size() < 2) {
        ResetSceneList(true);
        return;
    }
    StopPlayer();
    const std::string old = m_data.Scenes().Delete(row);
    const bool shared = m_data.Scenes().FileSharedWithOther(-1, old);
    const int count = m_data.Scenes().Size();
    if (m_data.list_idx >= count) m_data.list_idx = count - 1;
    const int length = m_data.Scenes().At(m_data.list_idx).value_or(SceneEntry()).FrameCount();
    if (!shared) std::remove(old.c_str());
    m_listModel->RemoveRow(row);
    m_listView->SelectRow(m_data.list_idx);
    m_preview->SetPositionText(CPreviewPanel::PositionText(0, length, m_data.m_sourceInfo.fps));
    ReloadCaptions();
    m_engine->QueueSegment(m_data.list_idx, true);
}

// --- reordering by drag ---

bool CTarneloTabScene::OnDragSwap(int from, int to) {
    if (ListEditBlocked()) return false;
    const bool refresh = m_listRefresh;
    m_listRefresh = false;
    const bool swapped = m_listModel->SwapEntries(from, to);
    m_listRefresh = refresh;
    if (!swapped) return false;
    m_data.list_idx = to;
    RefreshMergeInfo();
    return true;
}
