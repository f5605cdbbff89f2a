#include "ui/scene/EffectsPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "project/TarneloData.h"
#include "ui/common/ControlTexts.h"
#include "ui/common/SectionHeading.h"
#include "ui/common/SpinButtons.h"

CEffectsPanel::CEffectsPanel(CTarneloData* data, QWidget* parent)
    : CSectionPanel("effectsHeading", false, parent), m_data(data) {
    setObjectName(QStringLiteral("effectsPanel"));
    m_rows[0] = AddNumericRow("brightnessEdit", "brightnessSpin", [data] { return &data->brightness; });
    m_rows[1] = AddNumericRow("contrastEdit", "contrastSpin", [data] { return &data->contrast; });
    m_rows[2] = AddNumericRow("saturationEdit", "saturationSpin", [data] { return &data->saturation; });
    m_rows[3] = AddNumericRow("gammaEdit", "gammaSpin", [data] { return &data->gamma; });
    m_cinemascope = new QCheckBox(this);
    m_cinemascope->setObjectName(QStringLiteral("cinemascopeCheck"));
    m_bt709 = new QCheckBox(this);
    m_bt709->setObjectName(QStringLiteral("bt709Check"));
    AddRow({m_cinemascope, m_bt709});
    m_reset = MakePageButton(this, "effectsResetButton");
    m_autoCorrect = MakePageButton(this, "autoCorrectButton");
    AddRow({m_reset, m_autoCorrect});
    Finish();
    for (const NumericRow& row : m_rows) connect(row.field, &CNumericField::Changed, this, &CEffectsPanel::Changed);
    for (QCheckBox* check : {m_cinemascope, m_bt709}) {
        connect(check, &QCheckBox::clicked, this, [this] {
            TakeData();
            emit Changed();
        });
    }
}

void CEffectsPanel::RefreshTexts() {
    Heading()->setText(DialogText(2015, 1032));
    // Labels in the order of the rows: brightness, contrast, saturation, gamma.
    const int labels[4] = {3011, 3012, 3013, 3014};
    const int tips[4] = {3066, 3068, 3067, 3069};
    for (int i = 0; i < 4; ++i) {
        SetLabelText(m_rows[i].label, ResText(labels[i]), {m_rows[i].field->Edit(), m_rows[i].field->Spin()});
        m_rows[i].field->Edit()->setToolTip(ResText(tips[i]));
    }
    SetButtonText(m_cinemascope, DialogText(2015, 1010));
    m_cinemascope->setToolTip(ResText(3070));
    SetButtonText(m_bt709, DialogText(2015, 1022));
    m_bt709->setToolTip(ResText(3072));
    SetButtonText(m_reset, DialogText(2015, 1025));
    SetButtonText(m_autoCorrect, DialogText(2015, 3090));
}

void CEffectsPanel::ShowData() {
    for (const NumericRow& row : m_rows) row.field->Refresh();
    m_cinemascope->setChecked(m_data->cine_sco);
    m_bt709->setChecked(m_data->primaries);
}

void CEffectsPanel::TakeData() {
    m_data->cine_sco = m_cinemascope->isChecked();
    m_data->primaries = m_bt709->isChecked();
}

void CEffectsPanel::SetSettingsEnabled(bool enabled, bool cinemascope) {
    for (const NumericRow& row : m_rows) row.field->SetEnabled(enabled);
    m_bt709->setEnabled(enabled);
    m_cinemascope->setEnabled(cinemascope);
    m_reset->setEnabled(enabled);
    m_autoCorrect->setEnabled(enabled);
}
