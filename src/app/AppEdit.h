#pragma once

#include <QLineEdit>

class MessageSink;

// The in-place cell editor of the list controls: when it loses the focus and when Enter is pressed it
// sends WM_APP_EDIT_DONE (wParam 0, lParam its text as a UTF-8 const char*, valid during the call) to its
// owner.
class CAppEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CAppEdit(QWidget* parent = nullptr, MessageSink* owner = nullptr);
    void SetOwner(MessageSink* owner) { m_owner = owner; }

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void NotifyOwner();
    MessageSink* m_owner;
};
