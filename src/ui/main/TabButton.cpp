#include "ui/main/TabButton.h"

#include <QPainter>

void CTabButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    QColor background = pal.color(QPalette::Button);
    QColor foreground = pal.color(QPalette::ButtonText);
    if (m_active) {
        background = pal.color(QPalette::Highlight);
        foreground = pal.color(QPalette::HighlightedText);
    } else if (!isEnabled()) {
        foreground = pal.color(QPalette::Disabled, QPalette::WindowText);
    }
    painter.fillRect(rect(), background);
    painter.setPen(foreground);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    painter.setPen(pal.color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
