#pragma once

#include "ui/common/SectionPanel.h"

class CTarneloData;
class QCheckBox;
class QPushButton;

// "シーン抽出設定": the difference threshold (1004/1005), the seconds that confirm a scene (1046/1047) and a
// cut (1048/1049), and their reset (1068). The fast scan check box (3175) sits above the reset, which leaves
// it alone: it is a program setting, kept with the settings record and not in the project. Below the three,
// the padding and the longest scene (3210..3215).
class CExtractionPanel : public CSectionPanel {
    Q_OBJECT
public:
    CExtractionPanel(CTarneloData* data, QWidget* parent);

    void RefreshTexts();
    void ShowData();
    void SetSettingsEnabled(bool enabled);
    QPushButton* ResetButton() const { return m_reset; }
    QCheckBox* FastScanCheck() const { return m_fastScan; }
    CNumericField* Field(int index) const { return m_rows[index].field; }
    // The padding before and after each scene and the longest scene (0, 1, 2).
    CNumericField* ShapeField(int index) const { return m_shape[index].field; }
    CNumericField* CompareField() const { return m_compare.field; }

signals:
    // A setting was changed by the user (the page saves).
    void Changed();

protected:
    // The program settings are read after the page is built: the check box shows them once it is shown.
    void showEvent(QShowEvent* event) override;

private:
    CTarneloData* m_data;
    NumericRow m_rows[3];
    NumericRow m_shape[3];  // pre-roll, post-roll, longest scene (3210..3215)
    NumericRow m_compare;   // the seconds back of the reference frame (3220/3221)
    QCheckBox* m_fastScan;
    QPushButton* m_reset;
};
