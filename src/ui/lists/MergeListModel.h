#pragma once

#include <vector>

#include "ui/lists/EntryListModel.h"

// The video list of the merge tab (control 1031) over the project's scenes: nine columns, a check box in
// column 0 that is the video's enable flag, greyed rows for disabled videos. A video not analysed yet shows
// "未解析" ("Unanalyzed" in any other display language) in every value column. Durations and output starts
// are of the converted frames at the output rate the page chooses.
class MergeListModel : public EntryListModel {
    Q_OBJECT
public:
    enum Column {
        kColEnable,  // row number "%03d" and the check box
        kColFile,
        kColResolution,
        kColFrameRate,
        kColSourceFrames,
        kColConvertedFrames,
        kColDuration,
        kColOutputStart,
        kColOutputTime,
        kColumnCount
    };
    // Header string ids and widths in pixels, by column.
    static int HeaderId(int column);
    static int ColumnWidth(int column);
    // The text of a value that is not known before the analysis.
    static QString UnanalyzedText(bool japanese);
    // What the resolution column of such a video shows while the list is being analysed.
    static QString AnalysingText(bool japanese);

    explicit MergeListModel(CTarneloData* data, QObject* parent = nullptr);

    // The output rate as numerator / denominator; a rate that is not positive means the project's rate.
    // Shown from the next RefreshNumbering or Fill on, as the page refreshes after a choice changes.
    void SetOutputRate(int num, int den);
    double OutputFps() const;
    // The display language of the "Unanalyzed" texts; repaints when it changes.
    void SetJapanese(bool japanese);
    // While an analysis runs, the videos it has not reached yet say so in their resolution column.
    void SetAnalysing(bool analysing);
    // A row for the entry the project gained at its end (a dropped file); selecting it is the page's.
    void AppendRow();

    int WidthOf(int column) const override { return ColumnWidth(column); }

protected:
    int Columns() const override { return kColumnCount; }
    int HeaderIdOf(int column) const override { return HeaderId(column); }
    QString CellText(int row, int column) const override;
    Qt::Alignment AlignmentOf(int column) const override;
    std::vector<int> RowOutputStarts() const override;

private:
    int m_rateNum = 0;
    int m_rateDen = 1;
    bool m_japanese = true;
    bool m_analysing = false;
};
