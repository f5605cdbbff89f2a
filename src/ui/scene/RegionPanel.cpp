#include "ui/scene/RegionPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include "ui/common/ControlTexts.h"

namespace {

constexpr int kEditText = 3230;
constexpr int kEditTip = 3231;
constexpr int kExcludeText = 3232;
constexpr int kExcludeTip = 3233;
constexpr int kDeleteText = 3234;
constexpr int kDeleteTip = 3235;
constexpr int kClearText = 3236;
constexpr int kClearTip = 3237;
constexpr int kCountText = 3238;
constexpr int kNoAreasText = 3239;
constexpr int kCountTip = 3246;

}  // namespace

CRegionPanel::CRegionPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("regionPanel"));
    m_edit = MakePageButton(this, "regionEditButton");
    m_edit->setCheckable(true);
    m_exclude = new QCheckBox(this);
    m_exclude->setObjectName(QStringLiteral("regionExcludeCheck"));
    m_delete = MakePageButton(this, "regionDeleteButton");
    m_clear = MakePageButton(this, "regionClearButton");
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("regionCountLabel"));
    m_count->setTextFormat(Qt::PlainText);
    // Neither the count nor a button holds the pane's column wide: the rows are chosen to fit them instead.
    m_count->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_count->setWordWrap(true);
    for (QWidget* w : std::initializer_list<QWidget*>{m_edit, m_exclude, m_delete, m_clear}) w->setMinimumWidth(1);
    m_grid = new QGridLayout(this);
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setHorizontalSpacing(6);
    m_grid->setVerticalSpacing(3);
}

void CRegionPanel::RefreshTexts() {
    SetButtonText(m_edit, ResText(kEditText));
    m_edit->setToolTip(ResText(kEditTip));
    SetButtonText(m_exclude, ResText(kExcludeText));
    m_exclude->setToolTip(ResText(kExcludeTip));
    SetButtonText(m_delete, ResText(kDeleteText));
    m_delete->setToolTip(ResText(kDeleteTip));
    SetButtonText(m_clear, ResText(kClearText));
    m_clear->setToolTip(ResText(kClearTip));
    // Other words, other widths: the rows are chosen again.
    m_rows = 0;
    SetCount(m_countValue, m_excludedValue);
}

void CRegionPanel::SetCount(int count, int excluded) {
    m_countValue = count;
    m_excludedValue = excluded;
    // Before a library is loaded the texts are empty, with nothing to fill in.
    const QString counted = ResText(kCountText), tip = ResText(kCountTip);
    m_count->setText(count == 0 || counted.isEmpty() ? ResText(kNoAreasText) : counted.arg(count));
    m_count->setAccessibleName(m_count->text());
    m_count->setToolTip(tip.isEmpty() ? tip : tip.arg(count - excluded).arg(excluded));
    Arrange(0);
}

void CRegionPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Arrange(0);
}

void CRegionPanel::Arrange(int rows) {
    if (rows == 0) {
        int needed = 4 * m_grid->horizontalSpacing() + m_count->fontMetrics().horizontalAdvance(m_count->text());
        for (QWidget* w : std::initializer_list<QWidget*>{m_edit, m_exclude, m_delete, m_clear}) {
            needed += w->sizeHint().width();
        }
        rows = width() >= needed ? 1 : 2;
    }
    if (rows == m_rows) return;
    m_rows = rows;
    for (QWidget* w : std::initializer_list<QWidget*>{m_edit, m_exclude, m_delete, m_clear, m_count}) {
        m_grid->removeWidget(w);
    }
    // Two rows: the mode, its kind and the count over the two deletes.
    m_grid->addWidget(m_edit, 0, 0);
    m_grid->addWidget(m_exclude, 0, 1);
    m_grid->addWidget(m_delete, rows == 1 ? 0 : 1, rows == 1 ? 2 : 0);
    m_grid->addWidget(m_clear, rows == 1 ? 0 : 1, rows == 1 ? 3 : 1);
    m_grid->addWidget(m_count, 0, rows == 1 ? 4 : 2, rows == 1 ? 1 : 2, 1);
    for (int c = 0; c < 5; ++c) m_grid->setColumnStretch(c, 0);
    m_grid->setColumnStretch(rows == 1 ? 4 : 2, 1);
}
