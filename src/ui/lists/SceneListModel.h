#pragma once

#include <QAbstractTableModel>
#include <mutex>
#include <vector>

#include "project/TarneloData.h"

// The scene list of the scene tab (control 1031) over the project's diff_list: ten columns, a check box in
// column 0 that is the scene's enable flag, greyed rows for disabled scenes, and the output starts of the
// enabled rows. The rows are a copy taken under the engine's list lock when the list is filled, so a job
// that appends scenes meanwhile never changes what the view is reading.
class SceneListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        kColEnable,  // row number "%03d" and the check box
        kColStart,
        kColEnd,
        kColLength,
        kColDuration,
        kColCaption,
        kColCaptionStart,
        kColCaptionLength,
        kColOutputStart,
        kColOutputTime,
        kColumnCount
    };
    // Header string ids and widths in pixels, by column.
    static int HeaderId(int column);
    static int ColumnWidth(int column);

    // listMutex may be nullptr where no engine runs (tests).
    SceneListModel(CTarneloData* data, std::mutex* listMutex, QObject* parent = nullptr);

    // Rebuilds every row from the project.
    void Fill();
    // Rewrites row i (check box, columns 1-7) and the numbering.
    void UpdateRow(int row);
    // The project gained an entry at row (a copy or a split) or lost the one there.
    void InsertRow(int row);
    void RemoveRow(int row);
    // Rewrites column 0 of every row and the output columns; rebuilds the output starts.
    void RefreshNumbering();
    // Rewrites the caption columns of one row, or of all rows when row < 0.
    void UpdateCaptions(int row = -1);
    // Header texts from the current library (language switch).
    void RefreshHeaders();
    // While locked (a scene job runs) the check boxes can not be changed nor rows dragged.
    void SetLocked(bool locked) { m_locked = locked; }

    // Ascending output start frames of the enabled rows (the "<<1Scn"/"1Scn>>" buttons use them).
    const std::vector<int>& OutputStarts() const { return m_outputStarts; }
    // The output start of row (-1 for a disabled row or a row out of range).
    int OutputStartOf(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Column 0's check state: writes the scene's enable flag into the project and refreshes the numbering.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // A check box changed a scene's enable flag (the page rebuilds its merge information and saves).
    void EnableChanged(int row);

private:
    void TakeRows();
    void RebuildOutputStarts();
    double Fps() const;

    CTarneloData* m_data;
    std::mutex* m_listMutex;
    std::vector<SceneEntry> m_rows;
    std::vector<int> m_rowStarts;     // by row, -1 when disabled
    std::vector<int> m_outputStarts;  // ascending, enabled rows only
    bool m_locked = false;
};
