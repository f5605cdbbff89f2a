#include "app/AppEdit.h"

#include <QKeyEvent>
#include <string>

#include "engine/jobs/MessageSink.h"

CAppEdit::CAppEdit(QWidget* parent, MessageSink* owner) : QLineEdit(parent), m_owner(owner) {
    setObjectName(QStringLiteral("appEdit"));
}

void CAppEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    NotifyOwner();
}

void CAppEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter ends the edit here; it never reaches the dialog's default button.
        event->accept();
        NotifyOwner();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CAppEdit::NotifyOwner() {
    if (m_owner == nullptr) return;
    // The text as the owner's decoder reads every text of a message: a NUL-terminated UTF-8 string.
    const std::string value = text().toStdString();
    m_owner->Send(WM_APP_EDIT_DONE, 0, reinterpret_cast<LParam>(value.c_str()));
}
