#include "app/LineBGRichEdit.h"

#include <QPainter>
#include <QScrollBar>

std::vector<int> RuledLinePositions(int lineHeight, int scroll, int height) {
    std::vector<int> ys;
    if (lineHeight <= 0) return ys;
    for (int y = lineHeight - 1 - scroll; y < height; y += lineHeight) {
        if (y > 0) ys.push_back(y);
    }
    return ys;
}

CLineBGRichEdit::CLineBGRichEdit(QWidget* parent) : QTextEdit(parent) {
    setObjectName(QStringLiteral("helpText"));
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    // Lines start at the top edge so that the rules fall exactly under each text line.
    document()->setDocumentMargin(0);
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xFF));
    setPalette(p);
    setTabStopDistance(fontMetrics().averageCharWidth());
}

void CLineBGRichEdit::paintEvent(QPaintEvent* event) {
    QTextEdit::paintEvent(event);
    QPainter painter(viewport());
    painter.setPen(QPen(QColor(230, 230, 230), 1));
    const QRect r = viewport()->rect();
    for (int y : RuledLinePositions(fontMetrics().lineSpacing(), verticalScrollBar()->value(), r.height())) {
        painter.drawLine(r.left() + 1, y, r.right() - 1, y);
    }
}
