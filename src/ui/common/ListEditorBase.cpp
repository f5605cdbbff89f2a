#include "ui/common/ListEditorBase.h"

#include <QAction>
#include <QMenu>
#include <optional>

#include "project/FileHelpers.h"
#include "project/TarneloData.h"

ListEditorBase::ListEditorBase(CTarneloData& data, std::unique_ptr<EditableRows> rows)
    : m_data(data), m_rows(std::move(rows)) {}

ListEditorBase::~ListEditorBase() = default;

void ListEditorBase::WhileRebuilding(const std::function<void()>& work) {
    const bool settled = m_settled;
    m_settled = false;
    work();
    m_settled = settled;
}

void ListEditorBase::ShowContextMenu(int row, int column, const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu = ContextMenu(row, column);
    if (!menu) return;
    const QAction* chosen = menu->exec(globalPos);
    if (chosen != nullptr) OnListCommand(chosen->data().toInt());
}

void ListEditorBase::OnListCommand(int id) {
    if (EditBlocked()) return;
    const int row = m_rows->CurrentRow() >= 0 ? m_rows->CurrentRow() : m_data.list_idx;
    if (!m_data.Scenes().At(row)) return;
    if (!BeforeCommand(id, row)) return;
    m_data.list_idx = row;
    WhileRebuilding([&] {
        m_rows->SetRowsEnabled(false);
        SceneList::Step step(m_data.Scenes());
        RunCommand(id, row);
        m_rows->SetRowsEnabled(true);
    });
    AfterCommand();
}

void ListEditorBase::CopyRow(int row) {
    if (!m_rows->CopyRow(row)) return;
    m_data.list_idx = row + 1;
    m_rows->SelectRow(m_data.list_idx);
}

bool ListEditorBase::DragSwap(int from, int to) {
    if (EditBlocked()) return false;
    bool swapped = false;
    WhileRebuilding([&] {
        // The swaps of one drag are one step to undo.
        SceneList::Step step(m_data.Scenes(), step_key::kRowDrag);
        swapped = m_rows->SwapRows(from, to);
    });
    if (!swapped) return false;
    m_data.list_idx = to;
    AfterSwap();
    return true;
}

void ListEditorBase::EndDrag() {
    m_data.Scenes().SealHistory();
    DragFinished();
}

QString ListEditorBase::DragText(int row) const {
    const std::optional<SceneEntry> entry = m_data.Scenes().At(row);
    return entry ? QString::fromStdString(FileNamePart(entry->fileName)) : QString();
}
