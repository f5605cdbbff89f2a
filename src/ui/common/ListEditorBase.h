#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class CTarneloData;
class QMenu;
class QPoint;

// The rows of a page's list as the shared row editing moves them: the view's selection and the model's copy
// and swap, which change the project's list and the rows shown together.
class EditableRows {
public:
    virtual ~EditableRows() = default;
    virtual int CurrentRow() const = 0;
    virtual void SelectRow(int row) = 0;
    virtual void SetRowsEnabled(bool enabled) = 0;
    // False, changing nothing, for rows out of range.
    virtual bool CopyRow(int row) = 0;
    virtual bool SwapRows(int from, int to) = 0;
};

// The row editing both tabs share: the row menu's commands on the selected row, a copy, reordering by drag and
// the dragged row's picture text. Each tab adds its own menu and commands. Connections made for an editor use it
// as their context, so none outlives it.
class ListEditorBase : public QObject {
public:
    ListEditorBase(CTarneloData& data, std::unique_ptr<EditableRows> rows);
    ~ListEditorBase() override;

    // False while the page rebuilds the list: clicks, edits and drags wait for the rows it is writing.
    bool ListSettled() const { return m_settled; }
    void SetListSettled(bool settled) { m_settled = settled; }
    // Runs work with the list marked as being rebuilt; the mark is then as it was before.
    void WhileRebuilding(const std::function<void()>& work);

    // Rows are not changed while this holds.
    virtual bool EditBlocked() const = 0;
    // The row menu for a right click on (row, column), which selects the row; nullptr where none is offered.
    virtual std::unique_ptr<QMenu> ContextMenu(int row, int column) = 0;
    // Shows that menu at globalPos and runs the command chosen.
    void ShowContextMenu(int row, int column, const QPoint& globalPos);
    // The row menu's command on the selected row (the current row, else the project's selection).
    void OnListCommand(int id);
    // A drag lets two rows trade places; false leaves the dragged row where it is.
    bool DragSwap(int from, int to);
    // The drag ended: the next drag is a step of its own.
    void EndDrag();
    // The text of the dragged row's picture: its file's name.
    QString DragText(int row) const;

protected:
    // Before a command on row changes anything; false when it is done with it.
    virtual bool BeforeCommand(int id, int row) {
        (void)id;
        (void)row;
        return true;
    }
    virtual void RunCommand(int id, int row) = 0;
    // After a command or a swap changed the rows.
    virtual void AfterCommand() = 0;
    virtual void AfterSwap() = 0;
    virtual void DragFinished() = 0;
    // A copy of row inserted below it; the selection stays on the entry copied, now one row lower.
    void CopyRow(int row);
    EditableRows& Rows() const { return *m_rows; }

    CTarneloData& m_data;

private:
    std::unique_ptr<EditableRows> m_rows;
    bool m_settled = true;
};
