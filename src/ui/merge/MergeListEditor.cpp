#include "ui/merge/MergeListEditor.h"

#include <QMenu>

#include "engine/merge/ConvertMerge.h"
#include "ui/common/TabPage.h"
#include "ui/lists/ListContextMenu.h"
#include "ui/lists/ListRows.h"
#include "ui/lists/MergeListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/merge/MergePage.h"
#include "ui/preview/PreviewPanel.h"

MergeListEditor::MergeListEditor(MergePage& page, SceneListView* view, MergeListModel* model, CPreviewPanel* preview)
    : ListEditorBase(page.Page().Data(), std::make_unique<ListRows>(view, model)),
      m_page(page),
      m_view(view),
      m_model(model),
      m_preview(preview) {
    static_cast<ListRows&>(Rows()).Attach(*this);
}

bool MergeListEditor::EditBlocked() const { return m_page.Page().IsBusy() || !ListSettled(); }

void MergeListEditor::FillList(int select) {
    WhileRebuilding([&] {
        const FrameRate rate = m_page.Rate();
        m_model->SetOutputRate(rate.num, rate.den);
        m_model->Fill();
        m_view->SelectRow(select);
    });
}

std::unique_ptr<QMenu> MergeListEditor::ContextMenu(int row, int column) {
    (void)column;
    if (EditBlocked() || row < 0 || row >= m_model->rowCount()) return nullptr;
    m_view->SelectRow(row);
    return CreateListContextMenu(&m_page.Page(), false, false);
}

void MergeListEditor::RunCommand(int id, int row) {
    if (id == kListCopy) CopyRow(row);
    if (id == kListDelete) DeleteVideo(row);
}

void MergeListEditor::AfterCommand() {
    m_page.RefreshMergeInfo();
    m_page.Page().UpdateControlStates(true);
}

void MergeListEditor::DeleteVideo(int row) {
    if (m_data.Scenes().Size() < 2) {
        m_page.ClearList();
        return;
    }
    m_page.StopPlayer();
    // The converted file stays: a copy of the video in the list may still use it.
    m_data.Scenes().Delete(row);
    const int count = m_data.Scenes().Size();
    if (m_data.list_idx >= count) m_data.list_idx = count - 1;
    const int frames = m_data.Scenes().At(m_data.list_idx).value_or(SceneEntry()).m_convertedInfo.frame_num;
    m_model->RemoveRow(row);
    m_view->SelectRow(m_data.list_idx);
    m_preview->SetPositionText(CPreviewPanel::PositionText(0, frames, FrameRateValue(m_page.Rate())));
}

void MergeListEditor::AfterSwap() { m_page.RefreshMergeInfo(); }

void MergeListEditor::DragFinished() { m_page.Page().UpdateControlStates(true); }
