#pragma once

#include <QTextEdit>
#include <vector>

// The text control of the manual viewer: ruled lines under every text line that scroll with the text.
class CLineBGRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit CLineBGRichEdit(QWidget* parent = nullptr);

    // The bottom of every laid-out text line in document pixels, top to bottom.
    std::vector<double> LineBottoms() const;
    // The control width that shows lines of the given number of columns without wrapping.
    int WidthForColumns(int columns) const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The y positions of the ruled lines in a view of the given height scrolled down by scroll pixels: one
// pixel above the bottom of each text line, and below the last text line on at the last line's height to
// the bottom edge (every h pixels from the top when there is no text). Lines at or above the top edge are
// left out. With lines of equal height h this is h − 1 − scroll + k·h.
std::vector<int> RuledLinePositions(const std::vector<double>& lineBottoms, double lineHeight, int scroll, int height);
