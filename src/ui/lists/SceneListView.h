#pragma once

#include <QTableView>
#include <functional>

class SceneListModel;

// The view of the scene list: full-row selection of one row, grid lines, centred columns of fixed widths.
// It only forwards what the user does; while the page says that a scene job runs, every mouse press on it
// is swallowed.
class SceneListView : public QTableView {
    Q_OBJECT
public:
    explicit SceneListView(QWidget* parent = nullptr);

    void SetListModel(SceneListModel* model);
    // Asked on each mouse press; true swallows it.
    void SetBlockedWhile(std::function<bool()> blocked) { m_blocked = std::move(blocked); }
    // Selects and focuses row (when >= 0) and scrolls it into view, without reporting a click.
    void SelectRow(int row);
    int CurrentRow() const;

signals:
    // The user selected a row by mouse or keyboard; column is the cell clicked (-1 from the keyboard).
    void RowClicked(int row, int column);
    // A right click over a row.
    void ContextMenuAt(int row, int column, const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Also swallows the releases and moves that follow a swallowed press, which would otherwise toggle a
    // check box or drag the selection.
    bool viewportEvent(QEvent* event) override;

private:
    std::function<bool()> m_blocked;
    bool m_selecting = false;
};
