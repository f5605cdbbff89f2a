#include "ui/scene/ExtractionPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "project/TarneloData.h"
#include "ui/common/ControlTexts.h"
#include "ui/common/SectionHeading.h"
#include "ui/common/SpinButtons.h"

CExtractionPanel::CExtractionPanel(CTarneloData* data, QWidget* parent)
    : CSectionPanel("extractionHeading", false, parent), m_data(data) {
    setObjectName(QStringLiteral("extractionPanel"));
    m_rows[0] = AddNumericRow("thresholdEdit", "thresholdSpin", [data] { return &data->threshold; });
    m_rows[1] = AddNumericRow("validSecondsEdit", "validSecondsSpin", [data] { return &data->valid_min_unit; });
    m_rows[2] = AddNumericRow("cutSecondsEdit", "cutSecondsSpin", [data] { return &data->cut_min_unit; });
    m_compare = AddNumericRow("compareSecondsEdit", "compareSecondsSpin", [data] { return &data->compare_sec; });
    connect(m_compare.field, &CNumericField::Changed, this, &CExtractionPanel::Changed);
    m_shape[0] = AddNumericRow("preRollEdit", "preRollSpin", [data] { return &data->pre_roll; });
    m_shape[1] = AddNumericRow("postRollEdit", "postRollSpin", [data] { return &data->post_roll; });
    m_shape[2] = AddNumericRow("longestSceneEdit", "longestSceneSpin", [data] { return &data->max_len; });
    m_fastScan = new QCheckBox(this);
    m_fastScan->setObjectName(QStringLiteral("fastScanCheck"));
    AddRow({m_fastScan});
    m_reset = MakePageButton(this, "extractionResetButton");
    AddRow({m_reset});
    Finish();
    for (const NumericRow& row : m_rows) connect(row.field, &CNumericField::Changed, this, &CExtractionPanel::Changed);
    connect(m_shape[0].field, &CNumericField::Changed, this, &CExtractionPanel::Changed);
    connect(m_shape[1].field, &CNumericField::Changed, this, &CExtractionPanel::Changed);
    connect(m_shape[2].field, &CNumericField::Changed, this, [this] {
        // Between 0 and the shortest limit there is no setting: the edit shows the limit taken instead.
        if (RaiseSceneLimit(m_data->max_len)) m_shape[2].field->Refresh();
        emit Changed();
    });
    // Not Changed: the project and its scenes do not depend on how the next extraction decodes.
    connect(m_fastScan, &QCheckBox::toggled, this, [this](bool on) { m_data->fast_scan = on; });
}

void CExtractionPanel::RefreshTexts() {
    Heading()->setText(DialogText(2015, 1033));
    const int labels[3] = {3006, 3007, 3008};
    const int tips[3] = {3063, 3064, 3065};
    for (int i = 0; i < 3; ++i) {
        SetLabelText(m_rows[i].label, ResText(labels[i]), {m_rows[i].field->Edit(), m_rows[i].field->Spin()});
        m_rows[i].field->Edit()->setToolTip(ResText(tips[i]));
    }
    SetLabelText(m_compare.label, ResText(3220), {m_compare.field->Edit(), m_compare.field->Spin()});
    m_compare.field->Edit()->setToolTip(ResText(3221));
    for (int i = 0; i < 3; ++i) {
        SetLabelText(m_shape[i].label, ResText(3210 + i), {m_shape[i].field->Edit(), m_shape[i].field->Spin()});
        m_shape[i].field->Edit()->setToolTip(ResText(3213 + i));
    }
    SetButtonText(m_fastScan, ResText(3175));
    m_fastScan->setToolTip(ResText(3176));
    SetButtonText(m_reset, DialogText(2015, 1068));
}

void CExtractionPanel::ShowData() {
    for (const NumericRow& row : m_rows) row.field->Refresh();
    m_compare.field->Refresh();
    for (const NumericRow& row : m_shape) row.field->Refresh();
    m_fastScan->setChecked(m_data->fast_scan);
}

void CExtractionPanel::showEvent(QShowEvent* event) {
    m_fastScan->setChecked(m_data->fast_scan);
    CSectionPanel::showEvent(event);
}

void CExtractionPanel::SetSettingsEnabled(bool enabled) {
    for (const NumericRow& row : m_rows) row.field->SetEnabled(enabled);
    m_compare.field->SetEnabled(enabled);
    for (const NumericRow& row : m_shape) row.field->SetEnabled(enabled);
    m_fastScan->setEnabled(enabled);
    m_reset->setEnabled(enabled);
}
