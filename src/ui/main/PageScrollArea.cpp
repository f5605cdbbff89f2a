#include "ui/main/PageScrollArea.h"

#include <QApplication>
#include <QEvent>
#include <QScrollBar>

PageScrollArea::PageScrollArea(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("pageScrollArea"));
    setFrameShape(QFrame::NoFrame);  // the dialog's page frame stays the only border
    // No tab stop of its own, so the keyboard goes from control to control as before.
    setFocusPolicy(Qt::NoFocus);
    horizontalScrollBar()->setFocusPolicy(Qt::NoFocus);
    verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    // The host has no layout of its own: a page's wrapping texts would otherwise make the area ask for the
    // height the page prefers instead of the one it is laid out at, and scroll at the laid-out size.
    auto* host = new QWidget;
    host->setObjectName(QStringLiteral("pageHost"));
    setWidget(host);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FollowFocus(now); });
}

void PageScrollArea::AddPage(QWidget* page) {
    m_pages.push_back(page);
    page->setGeometry(widget()->rect());
}

void PageScrollArea::SetPageSize(const QSize& size) {
    // The page gives up the room of a scroll bar rather than scroll the other way for it as well.
    const QSize bars(verticalScrollBar()->sizeHint().width(), horizontalScrollBar()->sizeHint().height());
    widget()->setMinimumSize(size - bars);
}

bool PageScrollArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget() && event->type() == QEvent::Resize) {
        for (QWidget* page : m_pages) page->setGeometry(widget()->rect());
    }
    return QScrollArea::eventFilter(watched, event);
}

void PageScrollArea::FollowFocus(QWidget* now) {
    if (now == nullptr || !widget()->isAncestorOf(now)) return;
    // A click lands on what is in view already; scrolling under the pointer would move what it presses.
    if (QApplication::mouseButtons() != Qt::NoButton) return;
    ensureWidgetVisible(now);
}
