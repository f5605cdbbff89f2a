#include "ui/preview/PreviewPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "app/Language.h"
#include "project/TimeText.h"
#include "ui/preview/StaticPreview.h"

namespace {

// The scene tab's template names the texts; the merge tab's copy of these controls has none, so the string
// table gives the same words there.
constexpr int kDialog = 2015;

struct SeekButtonText {
    const char* name;
    int control;
    int string;
};
constexpr SeekButtonText kSeekButtons[6] = {
    {"prevFrameButton", 1065, 3034}, {"nextFrameButton", 1066, 3035}, {"back10Button", 1061, 3036},
    {"forward10Button", 1062, 3037}, {"back60Button", 1063, 3038},    {"forward60Button", 1064, 3039},
};

QString ControlText(int control, int fallbackString) {
    const CResourceLibrary* lib = Resources();
    const QString text = lib != nullptr ? lib->DialogText(kDialog, control) : QString();
    return text.isEmpty() ? ResText(fallbackString) : text;
}

void SetTexts(QAbstractButton* button, const QString& text) {
    button->setText(text);
    button->setAccessibleName(text);
}

QString TimeOf(int frames, const FrameClock& clock) {
    return QString::fromStdString(SecondsToFrameTimeText(clock.Fps() > 0 ? clock.Seconds(frames) : 0.0, false));
}

// A button shrinks only when the panel has chosen its rows: the width of a row never holds the panel wide.
QPushButton* MakeButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setMinimumWidth(1);
    return button;
}

QSlider* MakeSlider(QWidget* parent, const char* name, int maximum, int page) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QLatin1String(name));
    slider->setRange(0, maximum);
    slider->setPageStep(page);
    slider->setTickInterval(page);
    slider->setTickPosition(QSlider::TicksBelow);
    return slider;
}

// Long paths and offsets are clipped rather than widening the panel.
QLabel* MakeLine(QWidget* parent, const char* name) {
    auto* line = new QLabel(parent);
    line->setObjectName(QLatin1String(name));
    line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    line->setTextFormat(Qt::PlainText);
    // A scene's offset makes the position line longer than a narrow pane; it wraps rather than losing it.
    line->setWordWrap(true);
    return line;
}

}  // namespace

CPreviewPanel::CPreviewPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("previewPanel"));
    m_pane = new CStaticPreview(this);
    m_positionLine = MakeLine(this, "positionLine");
    m_positionLine->setText(PositionText(0, 0, 0.0));
    m_fileLine = MakeLine(this, "fileLine");
    m_seek = MakeSlider(this, "seekSlider", 1000, 100);
    for (int i = 0; i < 6; ++i) m_seekButtons[i] = MakeButton(this, kSeekButtons[i].name);
    m_playStop = MakeButton(this, "playStopButton");
    m_details = MakeButton(this, "detailsButton");
    m_volumeLabel = new QLabel(this);
    m_volumeLabel->setObjectName(QStringLiteral("volumeLabel"));
    m_volume = MakeSlider(this, "volumeSlider", 100, 10);
    m_volumeLabel->setBuddy(m_volume);
    m_sceneLoop = new QCheckBox(this);
    m_sceneLoop->setObjectName(QStringLiteral("sceneLoopCheck"));
    m_loop = new QCheckBox(this);
    m_loop->setObjectName(QStringLiteral("loopCheck"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_pane, 1);
    column->addWidget(m_positionLine);
    column->addWidget(m_fileLine);
    column->addWidget(m_seek);
    m_seekGrid = new QGridLayout;
    m_seekGrid->setContentsMargins(0, 0, 0, 0);
    column->addLayout(m_seekGrid);
    auto* playRow = new QHBoxLayout;
    playRow->addWidget(m_playStop);
    playRow->addWidget(m_details);
    column->addLayout(playRow);
    auto* volumeRow = new QHBoxLayout;
    volumeRow->addWidget(m_volumeLabel);
    volumeRow->addWidget(m_volume, 1);
    column->addLayout(volumeRow);
    auto* loopRow = new QHBoxLayout;
    loopRow->addWidget(m_sceneLoop);
    loopRow->addWidget(m_loop);
    loopRow->addStretch(1);
    column->addLayout(loopRow);

    RefreshTexts(false);
}

void CPreviewPanel::RefreshTexts(bool outputOpen) {
    m_pane->setAccessibleName(ResText(3161));
    for (int i = 0; i < 6; ++i) {
        SetTexts(m_seekButtons[i], ControlText(kSeekButtons[i].control, kSeekButtons[i].string));
    }
    if (outputOpen) {
        // With the merged output open these two step between the scenes it is made of.
        SetTexts(m_seekButtons[4], ResText(3094));
        SetTexts(m_seekButtons[5], ResText(3095));
    }
    SetTexts(m_playStop, ControlText(1060, 3033));
    SetTexts(m_details, ControlText(3092, 3093));
    SetTexts(m_sceneLoop, ControlText(1077, 3041));
    SetTexts(m_loop, ControlText(1043, 3042));
    m_volumeLabel->setText(ResText(3040));
    m_volumeLabel->setAccessibleName(m_volumeLabel->text());
    m_volume->setAccessibleName(ResText(3040));
    m_seek->setAccessibleName(ResText(3162));
    // New texts change the buttons' widths, and with them whether one row holds all six.
    m_seekColumns = 0;
    ArrangeSeekButtons(0);
}

void CPreviewPanel::SetPlayerControlsEnabled(bool canPlay, bool playbackRunning) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_sceneLoop, m_loop, m_seek, m_volumeLabel, m_volume, m_playStop, m_details,
                                         m_seekButtons[2], m_seekButtons[3], m_seekButtons[4], m_seekButtons[5]}) {
        w->setEnabled(canPlay);
    }
    // The lines only inform; they come back from the greying of a scene job with the controls.
    m_positionLine->setEnabled(true);
    m_fileLine->setEnabled(true);
    // A frame step needs the still of a stopped player.
    m_seekButtons[0]->setEnabled(canPlay && !playbackRunning);
    m_seekButtons[1]->setEnabled(canPlay && !playbackRunning);
}

void CPreviewPanel::SetAllEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_positionLine, m_fileLine, m_seek, m_playStop, m_details,
                                                      m_volumeLabel, m_volume, m_sceneLoop, m_loop}) {
        w->setEnabled(enabled);
    }
    for (QPushButton* b : m_seekButtons) b->setEnabled(enabled);
}

void CPreviewPanel::SetPositionText(const QString& text) { m_positionLine->setText(text); }

void CPreviewPanel::SetFileText(const QString& text) { m_fileLine->setText(text); }

QString CPreviewPanel::PositionText(int frame, int count, const FrameClock& clock, int offset,
                                    const QString& clockText) {
    const bool atEnd = frame >= 1 && frame >= count - 1;
    QString text = QStringLiteral("%1/%2 Frm:%3/%4")
                       .arg(TimeOf(atEnd ? count : frame, clock), TimeOf(count, clock))
                       .arg(frame)
                       .arg(std::max(0, count - 1));
    if (offset != 0) {
        const int last = std::max(0, offset + count - 1);
        text += QStringLiteral(" Offset Frm:%1/%2").arg(std::min(frame + offset, last)).arg(last);
    }
    if (!clockText.isEmpty()) text += QStringLiteral("  ") + clockText;
    return text;
}

void CPreviewPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangeSeekButtons(0);
}

// columns 0: as many as the width holds, six in one row or three in two.
void CPreviewPanel::ArrangeSeekButtons(int columns) {
    if (columns == 0) {
        int needed = 5 * std::max(6, m_seekGrid->horizontalSpacing());
        for (QPushButton* b : m_seekButtons) needed += b->sizeHint().width();
        columns = width() >= needed ? 6 : 3;
    }
    if (columns == m_seekColumns) return;
    m_seekColumns = columns;
    for (QPushButton* b : m_seekButtons) m_seekGrid->removeWidget(b);
    for (int i = 0; i < 6; ++i) m_seekGrid->addWidget(m_seekButtons[i], i / columns, i % columns);
    for (int c = 0; c < 6; ++c) m_seekGrid->setColumnStretch(c, c < columns ? 1 : 0);
}
