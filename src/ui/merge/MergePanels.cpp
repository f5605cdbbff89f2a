#include "ui/merge/MergePanels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include "engine/merge/ConvertMerge.h"
#include "project/TimeText.h"
#include "ui/common/ControlTexts.h"
#include "ui/common/SectionHeading.h"

namespace {

constexpr int kDialog = 2016;

QComboBox* MakeCombo(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

}  // namespace

CMergeSettingsPanel::CMergeSettingsPanel(QWidget* parent) : CSectionPanel("convertHeading", false, parent) {
    setObjectName(QStringLiteral("convertSettingsPanel"));
    m_resolutionLabel = new QLabel(this);
    m_resolution = MakeCombo(this, "resolutionCombo");
    for (const FrameSize& size : FrameSizeList()) {
        m_resolution->addItem(QString::fromStdString(FormatC("%d x %d", size.width, size.height)));
    }
    m_rateLabel = new QLabel(this);
    m_rate = MakeCombo(this, "frameRateCombo");
    for (const FrameRate& rate : FrameRateList()) m_rate->addItem(QString::fromStdString(FrameRateLabel(rate)));
    m_resolutionLabel->setBuddy(m_resolution);
    m_rateLabel->setBuddy(m_rate);
    m_reset = MakePageButton(this, "settingsResetButton");
    // One line, so the job buttons below have the whole width for their labels.
    AddRow({m_resolutionLabel, m_resolution, m_rateLabel, m_rate, m_reset});
    Finish();
    const auto report = [this] { emit ChoiceChanged(m_resolution->currentIndex(), m_rate->currentIndex()); };
    connect(m_resolution, &QComboBox::activated, this, report);
    connect(m_rate, &QComboBox::activated, this, report);
}

void CMergeSettingsPanel::RefreshTexts() {
    Heading()->setText(ResText(3136));
    SetLabelText(m_resolutionLabel, ResText(3137), {m_resolution});
    SetLabelText(m_rateLabel, ResText(3138), {m_rate});
    SetButtonText(m_reset, DialogText(kDialog, 1068));
}

void CMergeSettingsPanel::ShowChoice(int sizeIndex, int rateIndex) {
    const QSignalBlocker blockSize(m_resolution);
    const QSignalBlocker blockRate(m_rate);
    m_resolution->setCurrentIndex(sizeIndex);
    m_rate->setCurrentIndex(rateIndex);
}

void CMergeSettingsPanel::SetSettingsEnabled(bool enabled) {
    for (QWidget* w :
         {static_cast<QWidget*>(m_resolution), static_cast<QWidget*>(m_rate), static_cast<QWidget*>(m_reset)}) {
        w->setEnabled(enabled);
    }
}

CMergeJobPanel::CMergeJobPanel(QWidget* parent) : CSectionPanel("joinHeading", false, parent) {
    setObjectName(QStringLiteral("jobPanel"));
    m_analyse = MakePageButton(this, "analyseButton");
    m_convert = MakePageButton(this, "convertButton");
    m_join = MakePageButton(this, "joinButton");
    m_convertJoin = MakePageButton(this, "convertJoinButton");
    m_stop = MakePageButton(this, "stopButton");
    AddRow({m_analyse, m_convert, m_join, m_convertJoin, m_stop});
    m_transition = new QCheckBox(this);
    m_transition->setObjectName(QStringLiteral("transitionCheck"));
    m_clearList = MakePageButton(this, "clearListButton");
    m_progress = NewProgressBar();
    AddRow({m_transition, m_clearList, m_progress});
    m_info = AddInfoRow("mergeInfoLine", &m_infoLabel);
    Finish();
}

void CMergeJobPanel::RefreshTexts() {
    Heading()->setText(ResText(3148));
    SetButtonText(m_analyse, DialogText(kDialog, 3139));
    SetButtonText(m_convert, DialogText(kDialog, 3140));
    SetButtonText(m_join, DialogText(kDialog, 3141));
    SetButtonText(m_convertJoin, DialogText(kDialog, 3142));
    SetButtonText(m_stop, DialogText(kDialog, 1009));
    SetButtonText(m_transition, DialogText(kDialog, 1058));
    m_transition->setToolTip(ResText(3071));
    SetButtonText(m_clearList, DialogText(kDialog, 1034));
    m_progress->setAccessibleName(ResText(3163));
    SetLabelText(m_infoLabel, ResText(3078), {m_info});
}

void CMergeJobPanel::SetMergeInfo(const QString& text) { m_info->setText(text); }

void CMergeJobPanel::SetCommandsEnabled(bool commands, bool stop) {
    for (QWidget* w : {static_cast<QWidget*>(m_analyse), static_cast<QWidget*>(m_convert),
                       static_cast<QWidget*>(m_join), static_cast<QWidget*>(m_convertJoin),
                       static_cast<QWidget*>(m_transition), static_cast<QWidget*>(m_clearList)}) {
        w->setEnabled(commands);
    }
    m_stop->setEnabled(stop);
}
