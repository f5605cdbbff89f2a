#include "app/LineBGRichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <cmath>

std::vector<int> RuledLinePositions(const std::vector<double>& lineBottoms, double lineHeight, int scroll, int height) {
    std::vector<int> ys;
    auto add = [&](double bottom) {
        const int y = int(std::floor(bottom)) - 1 - scroll;
        if (y > 0 && y < height) ys.push_back(y);
        return y < height;
    };
    double last = 0;
    for (double bottom : lineBottoms) {
        if (!add(bottom)) return ys;
        last = bottom;
    }
    if (lineHeight <= 0) return ys;
    // Below the text the rules go on at the same pitch, so an empty page is ruled too.
    for (int k = 1;; ++k) {
        if (!add(last + k * lineHeight)) break;
    }
    return ys;
}

CLineBGRichEdit::CLineBGRichEdit(QWidget* parent) : QTextEdit(parent) {
    setObjectName(QStringLiteral("helpText"));
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    // Lines start at the top edge so that the rules fall exactly under each text line.
    document()->setDocumentMargin(0);
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xFF));
    setPalette(p);
    // The manuals lay out their tables with spaces, and ffprobe reports are column text: a fixed pitch
    // keeps both aligned.
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setTabStopDistance(fontMetrics().averageCharWidth());
}

std::vector<double> CLineBGRichEdit::LineBottoms() const {
    // Taken from the layout rather than from the font: a line with Japanese text may be set in a
    // fallback font of another height.
    std::vector<double> bottoms;
    const QAbstractTextDocumentLayout* layout = document()->documentLayout();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* lines = block.layout();
        if (lines == nullptr) continue;
        const double top = layout->blockBoundingRect(block).top();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            bottoms.push_back(top + line.y() + line.height());
        }
    }
    return bottoms;
}

void CLineBGRichEdit::paintEvent(QPaintEvent* event) {
    QTextEdit::paintEvent(event);
    QPainter painter(viewport());
    painter.setPen(QPen(QColor(230, 230, 230), 1));
    const QRect r = viewport()->rect();
    const std::vector<double> bottoms = LineBottoms();
    const double pitch = bottoms.size() >= 2   ? bottoms.back() - bottoms[bottoms.size() - 2]
                         : bottoms.size() == 1 ? bottoms.front()
                                               : QFontMetricsF(font()).height();
    for (int y : RuledLinePositions(bottoms, pitch, verticalScrollBar()->value(), r.height())) {
        painter.drawLine(r.left() + 1, y, r.right() - 1, y);
    }
}

int CLineBGRichEdit::WidthForColumns(int columns) const {
    const int text = QFontMetrics(font()).horizontalAdvance(QString(columns, QLatin1Char('0')));
    return text + 2 * frameWidth() + verticalScrollBar()->sizeHint().width() + 2;
}
