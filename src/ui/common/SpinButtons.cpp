#include "ui/common/SpinButtons.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

QToolButton* ArrowButton(QWidget* parent, Qt::ArrowType arrow, const char* name, const QString& label) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(label);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    // The edit beside keeps the focus while the arrows are clicked, as with the up-down control.
    button->setFocusPolicy(Qt::NoFocus);
    // The two arrows share the height of the edit beside them.
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    button->setMinimumSize(8, 6);
    return button;
}

}  // namespace

CSpinButtons::CSpinButtons(QWidget* parent)
    : QWidget(parent),
      m_up(ArrowButton(this, Qt::UpArrow, "spinUpButton", QStringLiteral("Up"))),
      m_down(ArrowButton(this, Qt::DownArrow, "spinDownButton", QStringLiteral("Down"))) {
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, [this] { emit Stepped(-1); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit Stepped(+1); });
}

QSize CSpinButtons::sizeHint() const {
    const int line = fontMetrics().height();
    return {qMax(16, line), qMax(20, line + 8)};
}

void CSpinButtons::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            emit Stepped(-1);
            break;
        case Qt::Key_Down:
            emit Stepped(+1);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CSpinButtons::wheelEvent(QWheelEvent* event) {
    const int turn = event->angleDelta().y();
    if (!hasFocus() || !isEnabled() || turn == 0) {
        event->ignore();
        return;
    }
    emit Stepped(turn > 0 ? -1 : +1);
    event->accept();
}

void CSpinButtons::changeEvent(QEvent* event) {
    // The arrows are children, so they are disabled with the control; the frame is repainted to match.
    if (event->type() == QEvent::EnabledChange) {
        update();
    }
    QWidget::changeEvent(event);
}
