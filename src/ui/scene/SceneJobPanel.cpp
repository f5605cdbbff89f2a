#include "ui/scene/SceneJobPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "ui/common/ControlTexts.h"
#include "ui/common/SectionHeading.h"

CSceneJobPanel::CSceneJobPanel(QWidget* parent) : CSectionPanel("mergeHeading", false, parent) {
    setObjectName(QStringLiteral("jobPanel"));
    m_extract = MakePageButton(this, "extractButton");
    m_extractMerge = MakePageButton(this, "extractMergeButton");
    m_merge = MakePageButton(this, "mergeButton");
    m_segments = MakePageButton(this, "segmentOutputButton");
    m_stop = MakePageButton(this, "stopButton");
    AddRow({m_extract, m_extractMerge, m_merge, m_segments, m_stop});
    m_transition = new QCheckBox(this);
    m_transition->setObjectName(QStringLiteral("transitionCheck"));
    m_chapters = new QCheckBox(this);
    m_chapters->setObjectName(QStringLiteral("chaptersCheck"));
    m_clearList = MakePageButton(this, "clearListButton");
    m_progress = NewProgressBar();
    AddRow({m_transition, m_chapters, m_clearList, m_progress});
    m_info = AddInfoRow("mergeInfoLine", &m_infoLabel);
    Finish();
}

void CSceneJobPanel::RefreshTexts() {
    Heading()->setText(DialogText(2015, 1050));
    SetButtonText(m_extract, DialogText(2015, 1053));
    SetButtonText(m_extractMerge, DialogText(2015, 1057));
    SetButtonText(m_merge, DialogText(2015, 1006));
    SetButtonText(m_segments, DialogText(2015, 1030));
    SetButtonText(m_stop, DialogText(2015, 1009));
    SetButtonText(m_transition, DialogText(2015, 1058));
    m_transition->setToolTip(ResText(3071));
    SetButtonText(m_chapters, ResText(3280));
    m_chapters->setToolTip(ResText(3281));
    SetButtonText(m_clearList, DialogText(2015, 1034));
    m_progress->setAccessibleName(ResText(3163));
    SetLabelText(m_infoLabel, ResText(3078), {m_info});
}

void CSceneJobPanel::SetMergeInfo(const QString& text) { m_info->setText(text); }

void CSceneJobPanel::SetCommandsEnabled(bool commands, bool stop) {
    for (QWidget* w :
         {static_cast<QWidget*>(m_extract), static_cast<QWidget*>(m_extractMerge), static_cast<QWidget*>(m_merge),
          static_cast<QWidget*>(m_segments), static_cast<QWidget*>(m_transition), static_cast<QWidget*>(m_chapters),
          static_cast<QWidget*>(m_clearList)}) {
        w->setEnabled(commands);
    }
    m_stop->setEnabled(stop);
}
