#pragma once

#include <QScrollArea>
#include <QSize>
#include <vector>

// Where the main dialog's tab pages sit: a window smaller than its laid-out size scrolls the page instead of
// squeezing it, and a control that takes the focus out of view is scrolled into it.
class PageScrollArea : public QScrollArea {
    Q_OBJECT
public:
    explicit PageScrollArea(QWidget* parent);

    // The parent the pages are made in.
    QWidget* PageHost() const { return widget(); }
    // Each page fills the area; the dialog shows one at a time.
    void AddPage(QWidget* page);
    // The size the pages are laid out at, less at most a scroll bar's width, whatever the window's size: below
    // it the area scrolls.
    void SetPageSize(const QSize& size);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FollowFocus(QWidget* now);

    std::vector<QWidget*> m_pages;
};
