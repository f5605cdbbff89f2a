#pragma once

#include "ui/common/SectionPanel.h"

class CTarneloData;
class QCheckBox;
class QPushButton;

// "映像効果設定": brightness (1014/1015), contrast (1018/1019), saturation (1016/1017), gamma (1020/1021),
// cinemascope (1010), BT.709 (1022), their reset (1025) and the automatic correction (3090).
class CEffectsPanel : public CSectionPanel {
    Q_OBJECT
public:
    CEffectsPanel(CTarneloData* data, QWidget* parent);

    void RefreshTexts();
    void ShowData();
    // Check boxes back into the data.
    void TakeData();
    void SetSettingsEnabled(bool enabled, bool cinemascope);

    QCheckBox* CinemascopeCheck() const { return m_cinemascope; }
    QCheckBox* Bt709Check() const { return m_bt709; }
    QPushButton* ResetButton() const { return m_reset; }
    QPushButton* AutoCorrectButton() const { return m_autoCorrect; }
    CNumericField* Field(int index) const { return m_rows[index].field; }

signals:
    // An effect was changed by the user: the preview shows it and the page saves.
    void Changed();

private:
    CTarneloData* m_data;
    NumericRow m_rows[4];
    QCheckBox* m_cinemascope;
    QCheckBox* m_bt709;
    QPushButton* m_reset;
    QPushButton* m_autoCorrect;
};
