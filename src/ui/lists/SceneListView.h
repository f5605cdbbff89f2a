#pragma once

#include <QPixmap>
#include <QTableView>
#include <functional>

class CAppEdit;
class MessageSink;
class QLabel;
class EntryListModel;

// The view of the scene list and of the merge list: full-row selection of one row, grid lines, columns of
// the widths the model gives. It only forwards what the user does; while the page says that a scene job runs, every
// mouse press on it is swallowed. It places the in-place editor of a cell and moves a dragged row under the pointer;
// what the edit and the moves change is the page's.
class SceneListView : public QTableView {
    Q_OBJECT
public:
    explicit SceneListView(QWidget* parent = nullptr);

    void SetListModel(EntryListModel* model);
    // The merge list edits no cell in place: OpenCellEditor then opens nothing.
    void SetCellEditing(bool allowed) { m_cellEditing = allowed; }
    bool CellEditing() const { return m_cellEditing; }
    // Asked on each mouse press; true swallows it.
    void SetBlockedWhile(std::function<bool()> blocked) { m_blocked = std::move(blocked); }
    // Selects and focuses row (when >= 0) and scrolls it into view, without reporting a click.
    void SelectRow(int row);
    int CurrentRow() const;

    // The in-place editor over the cell (row, column), holding text and focused; it reports to owner.
    // nullptr when the cell is out of range or the list edits no cell.
    CAppEdit* OpenCellEditor(int row, int column, const QString& text, MessageSink* owner);

    // Dragging a row: BeginDrag remembers it, DragMoveTo (viewport coordinates) scrolls one line when the
    // point is above or below the rows and lets the dragged row trade places with the row under the point,
    // EndDrag forgets it. A press on a row and a move past the drag distance run these for the mouse.
    void BeginDrag(int row);
    void DragMoveTo(const QPoint& viewportPos);
    void EndDrag();
    bool Dragging() const { return m_dragRow >= 0; }
    int DragRow() const { return m_dragRow; }
    // The picture that follows the pointer: the text in a 9-point font on yellow, as large as the text.
    static QPixmap DragImage(const QString& text);
    // The text of the dragged row's picture (the page gives the segment file name).
    void SetDragTextOf(std::function<QString(int)> text) { m_dragText = std::move(text); }
    // Trades the places of two rows in the page's data and the model; false leaves the dragged row where it is.
    void SetDragSwap(std::function<bool(int from, int to)> swap) { m_dragSwap = std::move(swap); }

signals:
    // The user selected a row by mouse or keyboard; column is the cell clicked (-1 from the keyboard).
    void RowClicked(int row, int column);
    // A right click over a row.
    void ContextMenuAt(int row, int column, const QPoint& globalPos);
    void DragFinished();
    // The user scrolls: an open in-place edit ends first.
    void EditEndRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Also swallows the releases and moves that follow a swallowed press, which would otherwise toggle a
    // check box or drag the selection.
    bool viewportEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void StartPointerDrag(int row, const QPoint& globalPos);
    void MoveDragImage(const QPoint& globalPos);
    void SelectRowInPlace(int row);
    // True when pos (viewport coordinates) is on the check box of index.
    bool OnCheckBox(const QModelIndex& index, const QPoint& pos) const;

    std::function<bool()> m_blocked;
    std::function<QString(int)> m_dragText;
    std::function<bool(int, int)> m_dragSwap;
    bool m_cellEditing = true;
    bool m_selecting = false;
    int m_dragRow = -1;
    int m_pressRow = -1;  // the row the left button went down on, until it is released or dragged
    QPoint m_pressPos;
    QLabel* m_dragImage = nullptr;  // the picture that follows the pointer during a drag
};
