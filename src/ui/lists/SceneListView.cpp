#include "ui/lists/SceneListView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <algorithm>

#include "app/AppEdit.h"
#include "ui/lists/EntryListModel.h"

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
    // A row is dragged with the mouse held on the list rather than through the platform's drag and drop: the
    // rows trade places while the pointer moves, nothing is dropped anywhere else.
    setDragEnabled(false);
    setAutoScroll(false);  // the drag scrolls one line per move itself
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) {
        connect(bar, &QScrollBar::actionTriggered, this, [this] { emit EditEndRequested(); });
    }
}

void SceneListView::SetListModel(EntryListModel* model) {
    if (QItemSelectionModel* old = selectionModel()) old->disconnect(this);
    setModel(model);
    if (!model) return;
    for (int c = 0; c < model->columnCount(); ++c) {
        setColumnWidth(c, model->WidthOf(c));
        setColumnHidden(c, model->HiddenAtFirst(c));
    }
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
    const QModelIndex index = indexAt(event->position().toPoint());
    m_selecting = true;
    QTableView::mousePressEvent(event);
    m_selecting = false;
    if (event->button() == Qt::LeftButton && OnCheckBox(index, event->position().toPoint())) {
        // Ticking a row is not choosing it: a click on a row stops a playing preview and shows its scene.
        m_pressRow = -1;
        return;
    }
    if (index.isValid() && !selectionModel()->isRowSelected(index.row(), QModelIndex())) {
        m_selecting = true;
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_selecting = false;
    }
    m_pressRow = event->button() == Qt::LeftButton && index.isValid() ? index.row() : -1;
    m_pressPos = event->position().toPoint();
    if (index.isValid()) emit RowClicked(index.row(), index.column());
}

bool SceneListView::OnCheckBox(const QModelIndex& index, const QPoint& pos) const {
    if (!index.isValid() || !(index.flags() & Qt::ItemIsUserCheckable)) return false;
    // Where the item delegate draws the box and takes its clicks.
    struct OptionOf : QStyledItemDelegate {
        using QStyledItemDelegate::initStyleOption;
    } delegate;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    delegate.initStyleOption(&option, index);
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this).contains(pos);
}

void SceneListView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (Dragging()) {
        MoveDragImage(event->globalPosition().toPoint());
        if (!(m_blocked && m_blocked())) DragMoveTo(pos);
        event->accept();
        return;
    }
    if (m_pressRow >= 0 && (event->buttons() & Qt::LeftButton)) {
        // Held on a row: past the drag distance the row goes with the pointer; before it nothing moves.
        if ((pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            StartPointerDrag(m_pressRow, event->globalPosition().toPoint());
        }
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void SceneListView::mouseReleaseEvent(QMouseEvent* event) {
    m_pressRow = -1;
    if (Dragging() && event->button() == Qt::LeftButton) {
        EndDrag();
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void SceneListView::StartPointerDrag(int row, const QPoint& globalPos) {
    m_pressRow = -1;
    if (m_blocked && m_blocked()) return;
    emit EditEndRequested();
    BeginDrag(row);
    if (!Dragging()) return;
    if (m_dragImage == nullptr) {
        m_dragImage = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint);
        m_dragImage->setObjectName(QStringLiteral("dragImage"));
        m_dragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_dragImage->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    const QString text = m_dragText ? m_dragText(row) : QString::number(row + 1);
    const QPixmap image = DragImage(text);
    m_dragImage->setPixmap(image);
    m_dragImage->setAccessibleName(text);
    m_dragImage->resize(image.size());
    MoveDragImage(globalPos);
    m_dragImage->show();
}

void SceneListView::MoveDragImage(const QPoint& globalPos) {
    if (m_dragImage != nullptr) m_dragImage->move(globalPos + QPoint(8, -m_dragImage->height() / 2));
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
    if (!m_cellEditing || !model() || row < 0 || row >= model()->rowCount() || column < 0 ||
        column >= model()->columnCount()) {
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
    if (m_dragImage != nullptr) m_dragImage->hide();
    emit DragFinished();
}
