#pragma once

#include <QWidget>

class QToolButton;

// The up and down arrows beside a numeric edit. They step nothing themselves: Stepped reports each click
// (and each Up/Down key or wheel turn while the control has the focus) as the up-down control does,
// -1 for up and +1 for down.
class CSpinButtons : public QWidget {
    Q_OBJECT
public:
    explicit CSpinButtons(QWidget* parent = nullptr);

    QSize sizeHint() const override;

signals:
    void Stepped(int delta);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
};
