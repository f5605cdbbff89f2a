#include "ui/common/NumericField.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "project/NumericRules.h"
#include "ui/common/SpinButtons.h"

namespace {

// Rewriting an edit, and whatever the page does on Changed (saving, showing a notice), can move the focus
// and so come back into a field; a nested pass returns at once. One flag for typed text, one for the spins,
// shared by every field.
bool s_validating = false;
bool s_stepping = false;

class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

}  // namespace

CNumericField::CNumericField(QLineEdit* edit, CSpinButtons* spin, SettingSource setting, QObject* parent)
    : QObject(parent), m_edit(edit), m_spin(spin), m_setting(std::move(setting)) {
    m_edit->installEventFilter(this);
    if (m_spin != nullptr) {
        connect(m_spin, &CSpinButtons::Stepped, this, &CNumericField::Step);
    }
}

void CNumericField::Refresh() {
    NumericSetting* setting = m_setting ? m_setting() : nullptr;
    if (setting != nullptr) {
        m_edit->setText(QString::fromStdString(setting->text));
    }
}

bool CNumericField::Validate() {
    if (s_validating) {
        return false;
    }
    FlagScope scope(s_validating);
    NumericSetting* setting = m_setting ? m_setting() : nullptr;
    if (setting == nullptr || !ApplyNumericText(*setting, m_edit->text().toStdString())) {
        return false;
    }
    m_edit->setText(QString::fromStdString(setting->text));
    emit Changed();
    return true;
}

void CNumericField::SetEnabled(bool enabled) {
    m_edit->setEnabled(enabled);
    if (m_spin != nullptr) {
        m_spin->setEnabled(enabled);
    }
}

bool CNumericField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                // Enter only takes the text: it never reaches a default button or closes the window.
                Validate();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // The edit's own context menu takes the focus only for a moment.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
                Validate();
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void CNumericField::Step(int delta) {
    if (s_stepping) {
        return;
    }
    FlagScope scope(s_stepping);
    NumericSetting* setting = m_setting ? m_setting() : nullptr;
    if (setting == nullptr) {
        return;
    }
    const bool changed = StepNumericSetting(*setting, delta);
    const QString text = QString::fromStdString(setting->text);
    if (m_edit->text() != text) {
        m_edit->setText(text);
    }
    if (changed) {
        emit Changed();
    }
}
