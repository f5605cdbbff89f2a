#include "ui/common/SectionHeading.h"

#include <QKeyEvent>
#include <QMouseEvent>

CSectionHeading::CSectionHeading(QWidget* parent, bool clickable) : QLabel(parent), m_clickable(clickable) {
    // A transparent border keeps the text still when the focus frame of a clickable heading appears.
    setStyleSheet(
        QStringLiteral("QLabel { color: white; background-color: rgb(80, 80, 80); padding: 1px 4px;"
                       " border: 1px solid transparent; }"
                       "QLabel:focus { border: 1px dotted white; }"));
    if (m_clickable) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }
}

void CSectionHeading::mousePressEvent(QMouseEvent* event) {
    if (m_clickable && event->button() == Qt::LeftButton) {
        emit Clicked();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CSectionHeading::mouseDoubleClickEvent(QMouseEvent* event) {
    // A quick second click is one more step through the headings, not a different command.
    if (m_clickable && event->button() == Qt::LeftButton) {
        emit Clicked();
        event->accept();
        return;
    }
    QLabel::mouseDoubleClickEvent(event);
}

void CSectionHeading::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (m_clickable && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        emit Clicked();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}
