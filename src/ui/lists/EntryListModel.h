#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "project/TarneloData.h"

// What the scene list and the merge list share: the rows are a copy of the project's scenes, so a job that changes the
// list meanwhile never changes what the view is reading; column 0 holds the row number and a check box that is the
// entry's enable flag; disabled rows are grey; the output starts of the merged rows are rebuilt with every change. The
// lists differ only in their columns, their cell texts and how long a row is in the output.
class EntryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit EntryListModel(CTarneloData* data, QObject* parent = nullptr);

    // Rebuilds every row from the project.
    void Fill();
    // Rewrites row i and the numbering.
    void UpdateRow(int row);
    // The project gained an entry at row (a copy, a split or an added file) or lost the one there.
    void InsertRow(int row);
    void RemoveRow(int row);
    // The row menu's copy and a drag's swap, in the project and in the rows: a copy of
    // row inserted before it, and two rows trading places. False, changing nothing, for rows out of range.
    bool CopyEntry(int row);
    bool SwapEntries(int a, int b);
    // Rewrites column 0 of every row and the output columns; rebuilds the output starts.
    void RefreshNumbering();
    // Header texts from the current library (language switch).
    void RefreshHeaders();
    // While locked (a scene job runs) the check boxes can not be changed nor rows dragged.
    void SetLocked(bool locked) { m_locked = locked; }

    // Ascending output start frames of the merged rows (the "<<1Scn"/"1Scn>>" buttons use them).
    const std::vector<int>& OutputStarts() const { return m_outputStarts; }
    // The output start of row (-1 for a row left out of the output or out of range).
    int OutputStartOf(int row) const;
    // Width in pixels of a column, for the view.
    virtual int WidthOf(int column) const = 0;
    // A column the view shows only when asked to.
    virtual bool HiddenAtFirst(int /*column*/) const { return false; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Column 0's check state: writes the entry's enable flag into the project and refreshes the numbering.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // A check box changed an entry's enable flag (the page rebuilds its merge information and saves).
    void EnableChanged(int row);

protected:
    virtual int Columns() const = 0;
    virtual int HeaderIdOf(int column) const = 0;
    virtual QString CellText(int row, int column) const = 0;
    virtual Qt::Alignment AlignmentOf(int /*column*/) const { return Qt::AlignCenter; }
    // The output start of every row (-1 when left out), from m_rows.
    virtual std::vector<int> RowOutputStarts() const = 0;

    // The value of a column in a table of one value per column (0 outside it).
    template <size_t N>
    static int ByColumn(const std::array<int, N>& table, int column) {
        return column >= 0 && static_cast<size_t>(column) < N ? table[static_cast<size_t>(column)] : 0;
    }
    static QString Text(const std::string& text) { return QString::fromStdString(text); }

    const SceneEntry& Row(int row) const { return m_rows[static_cast<size_t>(row)]; }
    // Row's output start frame "%d", or its time at fps; empty for a row left out of the output.
    QString OutputStartText(int row, bool asTime, double fps) const;
    // Entries in the project now, which may differ from the rows shown.
    size_t ProjectSize() const;
    // Repaints every cell: the enable flags change the grey of whole rows.
    void RepaintAll();

    CTarneloData* m_data;
    std::vector<SceneEntry> m_rows;

private:
    void TakeRows();
    void RebuildOutputStarts();

    std::vector<int> m_rowStarts;     // by row, -1 when left out
    std::vector<int> m_outputStarts;  // ascending, merged rows only
    bool m_locked = false;
};
