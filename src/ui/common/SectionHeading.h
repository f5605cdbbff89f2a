#pragma once

#include <QLabel>

// A section heading of a tab page: white text on RGB(80,80,80). A clickable heading reports each click and
// each double click (and Space or Enter while it has the focus) through Clicked.
class CSectionHeading : public QLabel {
    Q_OBJECT
public:
    explicit CSectionHeading(QWidget* parent = nullptr, bool clickable = false);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_clickable;
};
