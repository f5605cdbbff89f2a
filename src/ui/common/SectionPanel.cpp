#include "ui/common/SectionPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

#include "ui/common/SectionHeading.h"
#include "ui/common/SpinButtons.h"

CSectionPanel::CSectionPanel(const char* headingName, bool clickableHeading, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    m_heading = new CSectionHeading(this, clickableHeading);
    m_heading->setObjectName(QLatin1String(headingName));
    column->addWidget(m_heading);
    m_grid = new QGridLayout;
    m_grid->setHorizontalSpacing(3);
    m_grid->setVerticalSpacing(3);
    m_grid->setColumnStretch(1, 1);
    column->addLayout(m_grid);
}

CSectionPanel::NumericRow CSectionPanel::AddNumericRow(const char* editName, const char* spinName,
                                                       CNumericField::SettingSource setting) {
    NumericRow row;
    row.label = new QLabel(this);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(editName));
    edit->setAlignment(Qt::AlignRight);
    // Wide enough for "-0.25" or "1000" in either language's font.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("-00.000")));
    auto* spin = new CSpinButtons(this);
    spin->setObjectName(QLatin1String(spinName));
    row.label->setBuddy(edit);
    row.field = new CNumericField(edit, spin, std::move(setting), this);
    m_grid->addWidget(row.label, m_rows, 0);
    m_grid->addWidget(edit, m_rows, 1);
    m_grid->addWidget(spin, m_rows, 2);
    ++m_rows;
    return row;
}

void CSectionPanel::AddRow(std::initializer_list<QWidget*> widgets) {
    auto* line = new QHBoxLayout;
    line->setSpacing(3);
    for (QWidget* w : widgets) line->addWidget(w);
    m_grid->addLayout(line, m_rows++, 0, 1, 3);
}

QProgressBar* CSectionPanel::NewProgressBar() {
    auto* progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("progressBar"));
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    progress->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: rgb(0, 176, 0); }"));
    return progress;
}

QLabel* CSectionPanel::AddInfoRow(const char* objectName, QLabel** label) {
    *label = new QLabel(this);
    auto* info = new QLabel(this);
    info->setObjectName(QLatin1String(objectName));
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    (*label)->setBuddy(info);
    AddRow({*label, info});
    return info;
}

void CSectionPanel::Finish() { m_grid->setRowStretch(m_rows, 1); }
