#include "ui/scene/ExtractionPanel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "project/TarneloData.h"
#include "ui/common/ControlTexts.h"
#include "ui/common/SectionHeading.h"
#include "ui/common/SpinButtons.h"

CExtractionPanel::CExtractionPanel(CTarneloData* data, QWidget* parent)
    : CSectionPanel("extractionHeading", false, parent) {
    setObjectName(QStringLiteral("extractionPanel"));
    m_rows[0] = AddNumericRow("thresholdEdit", "thresholdSpin", [data] { return &data->threshold; });
    m_rows[1] = AddNumericRow("validSecondsEdit", "validSecondsSpin", [data] { return &data->valid_min_unit; });
    m_rows[2] = AddNumericRow("cutSecondsEdit", "cutSecondsSpin", [data] { return &data->cut_min_unit; });
    m_reset = MakePageButton(this, "extractionResetButton");
    AddRow({m_reset});
    Finish();
    for (const NumericRow& row : m_rows) connect(row.field, &CNumericField::Changed, this, &CExtractionPanel::Changed);
}

void CExtractionPanel::RefreshTexts() {
    Heading()->setText(DialogText(2015, 1033));
    const int labels[3] = {3006, 3007, 3008};
    const int tips[3] = {3063, 3064, 3065};
    for (int i = 0; i < 3; ++i) {
        SetLabelText(m_rows[i].label, ResText(labels[i]), {m_rows[i].field->Edit(), m_rows[i].field->Spin()});
        m_rows[i].field->Edit()->setToolTip(ResText(tips[i]));
    }
    SetButtonText(m_reset, DialogText(2015, 1068));
}

void CExtractionPanel::ShowData() {
    for (const NumericRow& row : m_rows) row.field->Refresh();
}

void CExtractionPanel::SetSettingsEnabled(bool enabled) {
    for (const NumericRow& row : m_rows) row.field->SetEnabled(enabled);
    m_reset->setEnabled(enabled);
}
