#pragma once

#include <QTextEdit>
#include <vector>

// The text control of the manual viewer: ruled lines under every text line that scroll with the text.
class CLineBGRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit CLineBGRichEdit(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The y positions of the ruled lines for a line height, the vertical scroll offset and the visible height:
// h − 1 − scroll + k·h while above the bottom edge, lines at or above the top edge left out.
std::vector<int> RuledLinePositions(int lineHeight, int scroll, int height);
