#include "ui/lists/ListRows.h"

#include "ui/lists/EntryListModel.h"
#include "ui/lists/SceneListView.h"

ListRows::ListRows(SceneListView* view, EntryListModel* model) : m_view(view), m_model(model) {}

ListRows::~ListRows() {
    // The view may outlive the editor its drags call.
    if (!m_view) return;
    m_view->SetDragSwap(nullptr);
    m_view->SetDragTextOf(nullptr);
}

void ListRows::Attach(ListEditorBase& editor) {
    QObject::connect(
        m_view, &SceneListView::ContextMenuAt, &editor,
        [&editor](int row, int column, const QPoint& globalPos) { editor.ShowContextMenu(row, column, globalPos); });
    m_view->SetDragSwap([&editor](int from, int to) { return editor.DragSwap(from, to); });
    QObject::connect(m_view, &SceneListView::DragFinished, &editor, [&editor] { editor.EndDrag(); });
    m_view->SetDragTextOf([&editor](int row) { return editor.DragText(row); });
}

int ListRows::CurrentRow() const { return m_view->CurrentRow(); }
void ListRows::SelectRow(int row) { m_view->SelectRow(row); }
void ListRows::SetRowsEnabled(bool enabled) { m_view->setEnabled(enabled); }
bool ListRows::CopyRow(int row) { return m_model->CopyEntry(row); }
bool ListRows::SwapRows(int from, int to) { return m_model->SwapEntries(from, to); }
