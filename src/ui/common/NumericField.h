#pragma once

#include <QObject>
#include <functional>

#include "project/TarneloData.h"

class QLineEdit;
class CSpinButtons;

// One numeric setting shown in an edit with spin buttons beside it. Typed text is taken when the edit loses
// the focus or Enter is pressed (Enter never does anything else); a spin click steps the stored value.
// Changed follows every change of the shown text, so the page can refresh the preview and save.
class CNumericField : public QObject {
    Q_OBJECT
public:
    // setting is asked each time; nullptr means there is nothing to edit now (the field then ignores input).
    using SettingSource = std::function<NumericSetting*()>;

    CNumericField(QLineEdit* edit, CSpinButtons* spin, SettingSource setting, QObject* parent);

    QLineEdit* Edit() const { return m_edit; }
    CSpinButtons* Spin() const { return m_spin; }
    // The setting's display text into the edit.
    void Refresh();
    // Takes the edit's text now, as focus loss and Enter do; true when the shown text changed.
    bool Validate();
    void SetEnabled(bool enabled);

signals:
    void Changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Step(int delta);

    QLineEdit* m_edit;
    CSpinButtons* m_spin;
    SettingSource m_setting;
};
