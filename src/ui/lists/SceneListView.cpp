#include "ui/lists/SceneListView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QMouseEvent>

#include "ui/lists/SceneListModel.h"

SceneListView::SceneListView(QWidget* parent) : QTableView(parent) {
    setObjectName(QStringLiteral("sceneList"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    QHeaderView* header = horizontalHeader();
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
}

void SceneListView::SetListModel(SceneListModel* model) {
    if (QItemSelectionModel* old = selectionModel()) old->disconnect(this);
    setModel(model);
    if (!model) return;
    for (int c = 0; c < SceneListModel::kColumnCount; ++c) setColumnWidth(c, SceneListModel::ColumnWidth(c));
    // Mouse presses report their own cell and SelectRow reports nothing, so a row that becomes selected
    // here was chosen with the keyboard. Focus alone only moves the current cell and reports nothing.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) {
                if (m_selecting || selected.isEmpty()) return;
                const QModelIndexList rows = selected.indexes();
                if (!rows.isEmpty()) emit RowClicked(rows.first().row(), -1);
            });
}

void SceneListView::SelectRow(int row) {
    if (!model() || row < 0 || row >= model()->rowCount()) return;
    const QModelIndex index = model()->index(row, 0);
    m_selecting = true;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_selecting = false;
    scrollTo(index);
}

int SceneListView::CurrentRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void SceneListView::mousePressEvent(QMouseEvent* event) {
    if (m_blocked && m_blocked()) {
        event->accept();
        return;
    }
    m_selecting = true;
    QTableView::mousePressEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    // A press on a check box goes to the check box alone; the row it belongs to is still the one clicked.
    if (index.isValid() && !selectionModel()->isRowSelected(index.row(), QModelIndex())) {
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    m_selecting = false;
    if (index.isValid()) emit RowClicked(index.row(), index.column());
}

void SceneListView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (m_blocked && m_blocked()) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void SceneListView::contextMenuEvent(QContextMenuEvent* event) {
    if (m_blocked && m_blocked()) {
        event->accept();
        return;
    }
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) return;
    event->accept();
    emit ContextMenuAt(index.row(), index.column(), event->globalPos());
}

bool SceneListView::viewportEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonRelease || type == QEvent::MouseMove) && m_blocked && m_blocked()) {
        event->accept();
        return true;
    }
    return QTableView::viewportEvent(event);
}
