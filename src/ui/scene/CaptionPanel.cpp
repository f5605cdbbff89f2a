#include "ui/scene/CaptionPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/ExtFontDialog.h"
#include "app/Language.h"
#include "project/TimeText.h"
#include "ui/common/ControlTexts.h"
#include "ui/common/SectionHeading.h"
#include "ui/common/SpinButtons.h"
#include "ui/scene/CaptionRules.h"

namespace {

constexpr int kPositionFirstId = 3053;
constexpr int kPositionCount = 10;
// Heading texts by caption kind.
constexpr int kHeadingIds[3] = {3018, 1103, 1102};
// Caption sizes are pixel heights; the font dialog shows points of a 96-dpi screen.
constexpr double kPointsPerPixel = 72.0 / 96.0;
// The longest face name a caption keeps.
constexpr int kFaceNameLimit = 31;

QFont CaptionFont(const CaptionParam& caption) {
    QFont font(QString::fromStdString(caption.font_name).left(kFaceNameLimit));
    font.setPointSizeF(std::max(1, caption.font_size) * kPointsPerPixel);
    font.setBold(caption.bold != 0);
    font.setItalic(caption.italic != 0);
    font.setUnderline(caption.underline != 0);
    font.setStrikeOut(caption.strike_uut != 0);
    return font;
}

// Colours are stored 0xAABBGGRR; the alpha byte is the caption's own and stays.
QColor CaptionColor(uint32_t color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

void StoreFont(CaptionParam& caption, const QFont& font, const QColor& color, int charSet) {
    caption.font_name = font.family().left(kFaceNameLimit).toStdString();
    const int pixels =
        font.pixelSize() > 0 ? font.pixelSize() : static_cast<int>(std::lround(font.pointSizeF() / kPointsPerPixel));
    caption.font_size = std::abs(pixels);
    caption.color = (caption.color & 0xFF000000u) | static_cast<uint32_t>(color.red()) |
                    (static_cast<uint32_t>(color.green()) << 8) | (static_cast<uint32_t>(color.blue()) << 16);
    caption.bold = font.weight() >= QFont::Bold ? -1 : 0;
    caption.italic = font.italic() ? -1 : 0;
    caption.underline = font.underline() ? -1 : 0;
    caption.strike_uut = font.strikeOut() ? -1 : 0;
    caption.encoding = charSet;
}

}  // namespace

CCaptionPanel::CCaptionPanel(CTarneloData* data, QWidget* parent)
    : CSectionPanel("captionHeading", true, parent), m_data(data) {
    setObjectName(QStringLiteral("captionPanel"));
    m_font = MakePageButton(this, "fontButton");
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("captionEdit"));
    AddRow({m_font, m_text});
    m_start = AddNumericRow("captionStartEdit", "captionStartSpin", [this] { return TimeSetting(true); });
    m_length = AddNumericRow("captionLengthEdit", "captionLengthSpin", [this] { return TimeSetting(false); });
    m_positionLabel = new QLabel(this);
    m_position = new QComboBox(this);
    m_position->setObjectName(QStringLiteral("captionPositionCombo"));
    m_positionLabel->setBuddy(m_position);
    AddRow({m_positionLabel, m_position});
    m_reset = MakePageButton(this, "captionResetButton");
    m_fill = MakePageButton(this, "captionFillButton");
    AddRow({m_reset, m_fill});
    Finish();
    connect(Heading(), &CSectionHeading::Clicked, this, &CCaptionPanel::NextKind);
    connect(m_font, &QPushButton::clicked, this, &CCaptionPanel::ChooseFont);
    connect(m_start.field, &CNumericField::Changed, this, [this] { ApplyTime(true); });
    connect(m_length.field, &CNumericField::Changed, this, [this] { ApplyTime(false); });
    connect(m_text, &QLineEdit::editingFinished, this, &CCaptionPanel::ApplyText);
    connect(m_position, QOverload<int>::of(&QComboBox::activated), this, &CCaptionPanel::ApplyPosition);
}

double CCaptionPanel::Limit() const {
    const std::optional<SceneEntry> scene =
        m_kind == kSceneCaption ? m_data->Scenes().At(m_data->list_idx) : std::nullopt;
    return CaptionLimit(scene ? &*scene : nullptr, m_data->SourceClock(m_data->m_sourceInfo.fps));
}

NumericSetting* CCaptionPanel::TimeSetting(bool start) {
    const std::optional<CaptionParam> target = Target();
    if (!target) return nullptr;
    const double limit = Limit();
    NumericSetting& setting = start ? m_startSetting : m_lengthSetting;
    if (start) {
        setting.Set(target->capTime_first, 0, std::max(0.0, limit - 0.01), 0.01, 0);
    } else {
        setting.Set(target->capTime_second, 0.01, std::max(0.01, limit), 0.01, 0);
    }
    // The edit shows two decimals, so that is what typed text is compared with.
    setting.text = FormatC("%.02f", setting.value);
    return &setting;
}

void CCaptionPanel::ApplyTime(bool start) {
    const double limit = Limit();
    if (!ChangeTarget(
            [&](CaptionParam& target) {
                if (start) {
                    SetCaptionStart(target, m_startSetting.value, limit);
                } else {
                    SetCaptionLength(target, m_lengthSetting.value, limit);
                }
                return true;
            },
            step_key::CaptionTime(m_data->list_idx, start))) {
        return;
    }
    Load();
    emit CaptionChanged();
}

void CCaptionPanel::ApplyText() {
    const std::string text = m_text->text().trimmed().toStdString();
    if (!ChangeTarget([&](CaptionParam& target) {
            if (text == target.caption) return false;
            target.caption = text;
            return true;
        })) {
        return;
    }
    Load();
    emit CaptionChanged();
}

void CCaptionPanel::ApplyPosition(int index) {
    if (!ChangeTarget([&](CaptionParam& target) {
            if (target.cap_pos_type == index) return false;
            target.cap_pos_type = index;
            return true;
        })) {
        return;
    }
    emit CaptionChanged();
}

void CCaptionPanel::ChooseFont() {
    const CaptionParam shown = Target().value_or(CaptionParam());
    CExtFontDialog dialog(ResText(3101), CaptionFont(shown), CaptionColor(shown.color), shown.encoding, this);
    if (dialog.DoModal() != QDialog::Accepted) return;
    if (!ChangeTarget([&](CaptionParam& target) {
            StoreFont(target, dialog.GetFont(), dialog.GetColor(), dialog.GetCharSet());
            return true;
        })) {
        return;
    }
    emit CaptionChanged();
}

void CCaptionPanel::RefreshTexts() {
    SetKind(m_kind);
    Heading()->setToolTip(ResText(3128));
    SetButtonText(m_font, DialogText(2015, 1067));
    m_text->setAccessibleName(ResText(3048));
    SetLabelText(m_start.label, ResText(3020), {m_start.field->Edit(), m_start.field->Spin()});
    SetLabelText(m_length.label, ResText(3021), {m_length.field->Edit(), m_length.field->Spin()});
    SetLabelText(m_positionLabel, ResText(3022), {m_position});
    const int selected = m_position->currentIndex();
    m_position->clear();
    for (int i = 0; i < kPositionCount; ++i) m_position->addItem(ResText(kPositionFirstId + i));
    m_position->setCurrentIndex(selected);
    SetButtonText(m_reset, DialogText(2015, 1075));
    RefreshFillText();
}

std::optional<CaptionParam> CCaptionPanel::Target() const {
    switch (m_kind) {
        case kTitle:
            return m_data->capTitle;
        case kWatermark:
            return m_data->capWatermark;
        default: {
            const std::optional<SceneEntry> scene = m_data->Scenes().At(m_data->list_idx);
            if (!scene) return std::nullopt;
            return scene->capParam;
        }
    }
}

bool CCaptionPanel::ChangeTarget(const std::function<bool(CaptionParam&)>& change, int mergeKey) {
    switch (m_kind) {
        case kTitle:
            return change(m_data->capTitle);
        case kWatermark:
            return change(m_data->capWatermark);
        default: {
            // The scene's caption changes in one edit of the list, the rest of the scene as it is meanwhile.
            bool changed = false;
            SceneList::Step step(m_data->Scenes(), mergeKey);
            m_data->Scenes().Update(m_data->list_idx, [&](SceneEntry& scene) { changed = change(scene.capParam); });
            return changed;
        }
    }
}

void CCaptionPanel::Load() {
    const CaptionParam shown = Target().value_or(CaptionParam());
    m_text->setText(QString::fromStdString(shown.caption));
    // A long text shows its beginning, where a title's fade tag and the name start.
    m_text->setCursorPosition(0);
    m_start.field->Edit()->setText(QString::fromStdString(FormatC("%.02f", shown.capTime_first)));
    m_length.field->Edit()->setText(QString::fromStdString(FormatC("%.02f", shown.capTime_second)));
    m_position->setCurrentIndex(shown.cap_pos_type >= 0 && shown.cap_pos_type < kPositionCount ? shown.cap_pos_type
                                                                                               : 0);
    RefreshFillText();
}

void CCaptionPanel::SetKind(int kind) {
    m_kind = kind;
    Heading()->setText(ResText(kHeadingIds[m_kind]));
    Heading()->setAccessibleName(Heading()->text());
}

void CCaptionPanel::ResetKind() { SetKind(kSceneCaption); }

void CCaptionPanel::NextKind() {
    SetKind((m_kind + 1) % 3);
    Load();
}

void CCaptionPanel::SetCaptionsEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(m_font), static_cast<QWidget*>(m_text), static_cast<QWidget*>(m_position),
                       static_cast<QWidget*>(m_reset), static_cast<QWidget*>(m_fill)}) {
        w->setEnabled(enabled);
    }
    m_start.field->SetEnabled(enabled);
    m_length.field->SetEnabled(enabled);
}

void CCaptionPanel::RefreshFillText() { SetButtonText(m_fill, ResText(AnySceneCaption(*m_data) ? 3024 : 3109)); }
