#pragma once

#include "ui/common/SectionPanel.h"

class CTarneloData;
class QPushButton;

// "シーン抽出設定": the difference threshold (1004/1005), the seconds that confirm a scene (1046/1047) and a
// cut (1048/1049), and their reset (1068).
class CExtractionPanel : public CSectionPanel {
    Q_OBJECT
public:
    CExtractionPanel(CTarneloData* data, QWidget* parent);

    void RefreshTexts();
    void ShowData();
    void SetSettingsEnabled(bool enabled);
    QPushButton* ResetButton() const { return m_reset; }
    CNumericField* Field(int index) const { return m_rows[index].field; }

signals:
    // A setting was changed by the user (the page saves).
    void Changed();

private:
    NumericRow m_rows[3];
    QPushButton* m_reset;
};
