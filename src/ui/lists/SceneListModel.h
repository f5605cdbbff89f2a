#pragma once

#include <vector>

#include "ui/lists/EntryListModel.h"

// The scene list of the scene tab (control 1031) over the project's scenes: ten columns, a check box in
// column 0 that is the scene's enable flag, greyed rows for disabled scenes, and the output starts of the
// enabled rows.
class SceneListModel : public EntryListModel {
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
        kColClock,  // the scene's start by the clock; hidden unless the user shows it
        kColumnCount
    };
    // Header string ids and widths in pixels, by column.
    static int HeaderId(int column);
    static int ColumnWidth(int column);

    explicit SceneListModel(CTarneloData* data, QObject* parent = nullptr);

    // Rewrites the caption columns of one row, or of all rows when row < 0.
    void UpdateCaptions(int row = -1);

    int WidthOf(int column) const override { return ColumnWidth(column); }
    bool HiddenAtFirst(int column) const override { return column == kColClock; }

    // Looks again which rows have no segment file yet: they are shown in italics with a note (a re-tuned list
    // is cut later). Rows added or removed are looked at by the model itself.
    void RefreshCutMarks();
    bool RowCut(int row) const;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

protected:
    int Columns() const override { return kColumnCount; }
    int HeaderIdOf(int column) const override { return HeaderId(column); }
    QString CellText(int row, int column) const override;
    std::vector<int> RowOutputStarts() const override;

private:
    double Fps() const;
    // The row's start and end by the clock, for its tool tip; empty without a clock time.
    QString ClockSpanText(int row) const;

    std::vector<char> m_uncut;  // by row: the segment file did not exist when last looked
};
