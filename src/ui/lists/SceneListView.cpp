#include "ui/lists/SceneListView.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QDrag>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "app/AppEdit.h"
#include "ui/lists/SceneListModel.h"

namespace {

// The drag carries no data for other programs; this type only tells our own drag from a foreign one.
const QString kRowDragType = QStringLiteral("application/x-tarnelo-list-row");

}  // namespace

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
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setAutoScroll(false);  // the drag scrolls one line per move itself
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) {
        connect(bar, &QScrollBar::actionTriggered, this, [this] { emit EditEndRequested(); });
    }
    m_dragPoll = new QTimer(this);
    m_dragPoll->setInterval(50);
    connect(m_dragPoll, &QTimer::timeout, this, &SceneListView::PollDragPointer);
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
    SelectRowInPlace(row);
    scrollTo(model()->index(row, 0));
}

void SceneListView::SelectRowInPlace(int row) {
    const QModelIndex index = model()->index(row, 0);
    m_selecting = true;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_selecting = false;
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

void SceneListView::wheelEvent(QWheelEvent* event) {
    emit EditEndRequested();
    QTableView::wheelEvent(event);
}

CAppEdit* SceneListView::OpenCellEditor(int row, int column, const QString& text, MessageSink* owner) {
    if (!model() || row < 0 || row >= model()->rowCount() || column < 0 || column >= model()->columnCount()) {
        return nullptr;
    }
    const QModelIndex index = model()->index(row, column);
    scrollTo(index);
    auto* edit = new CAppEdit(viewport(), owner);
    edit->setObjectName(QStringLiteral("cellEdit"));
    edit->setAccessibleName(model()->headerData(column, Qt::Horizontal).toString());
    edit->setAlignment(Qt::AlignCenter);
    edit->setFont(font());
    edit->setGeometry(visualRect(index).adjusted(1, -1, 1, 1));
    edit->setText(text);
    edit->selectAll();
    edit->show();
    edit->setFocus(Qt::MouseFocusReason);
    return edit;
}

QPixmap SceneListView::DragImage(const QString& text) {
    QFont font(QStringLiteral("Yu Gothic UI"));
    font.setPointSize(9);
    const QFontMetrics metrics(font);
    const QSize size(std::max(1, metrics.horizontalAdvance(text)), std::max(1, metrics.height()));
    QPixmap image(size);
    image.fill(QColor(255, 255, 0));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignLeft | Qt::AlignVCenter, text);
    return image;
}

void SceneListView::BeginDrag(int row) {
    if (!model() || row < 0 || row >= model()->rowCount()) return;
    m_dragRow = row;
    SelectRow(row);
    setFocus();
}

void SceneListView::DragMoveTo(const QPoint& viewportPos) {
    if (m_dragRow < 0 || !model() || model()->rowCount() == 0) return;
    const int last = model()->rowCount() - 1;
    int target = -1;
    if (viewportPos.y() < 0) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        target = rowAt(0);
    } else if (viewportPos.y() >= viewport()->height()) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        target = rowAt(viewport()->height() - 1);
        if (target < 0) target = last;
    } else {
        target = rowAt(viewportPos.y());
    }
    if (target < 0 || target > last || target == m_dragRow) return;
    if (!m_dragSwap || !m_dragSwap(m_dragRow, target)) return;
    m_dragRow = target;
    // The list scrolls only by the line of a move above or below it.
    SelectRowInPlace(target);
}

void SceneListView::EndDrag() {
    if (m_dragRow < 0) return;
    m_dragRow = -1;
    m_dragPoll->stop();
    emit DragFinished();
}

void SceneListView::startDrag(Qt::DropActions supportedActions) {
    (void)supportedActions;
    const int row = CurrentRow();
    if (row < 0 || (m_blocked && m_blocked())) return;
    emit EditEndRequested();
    BeginDrag(row);
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(kRowDragType, QByteArray::number(row));
    drag->setMimeData(mime);
    const QPixmap image = DragImage(m_dragText ? m_dragText(row) : QString::number(row + 1));
    drag->setPixmap(image);
    drag->setHotSpot(QPoint(0, image.height() / 2));
    m_lastPolled = QCursor::pos();
    m_dragPoll->start();
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    EndDrag();
}

void SceneListView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this && event->mimeData()->hasFormat(kRowDragType)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void SceneListView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() != this || !event->mimeData()->hasFormat(kRowDragType)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (m_blocked && m_blocked()) return;
    m_lastPolled = QCursor::pos();
    DragMoveTo(event->position().toPoint());
}

void SceneListView::dropEvent(QDropEvent* event) {
    // The rows have already moved while the pointer travelled; the drop only ends the drag.
    if (event->source() == this) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void SceneListView::PollDragPointer() {
    if (m_dragRow < 0) {
        m_dragPoll->stop();
        return;
    }
    // Over the rows the drag's own move events follow the pointer; above or below them only this sees it.
    const QPoint global = QCursor::pos();
    if (global == m_lastPolled) return;
    m_lastPolled = global;
    const QPoint local = viewport()->mapFromGlobal(global);
    if (local.y() >= 0 && local.y() < viewport()->height()) return;
    if (m_blocked && m_blocked()) return;
    DragMoveTo(local);
}
