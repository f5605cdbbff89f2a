#include "app/ExtFontDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <deque>
#include <utility>

#include "app/Language.h"

namespace {

std::deque<std::pair<QFont, QColor>> g_nextFonts;

}  // namespace

CExtFontDialog::CExtFontDialog(const QString& caption, const QFont& initial, const QColor& color, QWidget* parent)
    : QDialog(parent), m_font(initial), m_color(color) {
    setObjectName(QStringLiteral("extFontDialog"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(caption);

    // The font chooser is shown as a part of this window, so the colour sits beside its effects.
    m_fonts = new QFontDialog(initial, this);
    m_fonts->setObjectName(QStringLiteral("fontChooser"));
    m_fonts->setOptions(QFontDialog::DontUseNativeDialog | QFontDialog::NoButtons);
    m_fonts->setWindowFlags(Qt::Widget);

    auto* colorLabel = new QLabel(ResText(3170), this);
    m_colorButton = new QPushButton(this);
    m_colorButton->setObjectName(QStringLiteral("fontColorButton"));
    m_colorButton->setAccessibleName(colorLabel->text());
    m_colorButton->setMinimumWidth(64);
    colorLabel->setBuddy(m_colorButton);
    connect(m_colorButton, &QPushButton::clicked, this, &CExtFontDialog::ChooseColor);
    ShowColor();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(m_colorButton);
    colorRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
}

int CExtFontDialog::DoModal() {
    if (!g_nextFonts.empty()) {
        m_font = g_nextFonts.front().first;
        if (g_nextFonts.front().second.isValid()) m_color = g_nextFonts.front().second;
        g_nextFonts.pop_front();
        return QDialog::Accepted;
    }
    const int result = exec();
    if (result == QDialog::Accepted) m_font = m_fonts->currentFont();
    return result;
}

void CExtFontDialog::ChooseColor() {
    const QColor chosen = QColorDialog::getColor(m_color, this, windowTitle());
    if (!chosen.isValid()) return;
    m_color = chosen;
    ShowColor();
}

void CExtFontDialog::ShowColor() {
    m_colorButton->setText(m_color.name(QColor::HexRgb).toUpper());
    const QString text = m_color.lightness() > 128 ? QStringLiteral("black") : QStringLiteral("white");
    m_colorButton->setStyleSheet(QStringLiteral("background-color: %1; color: %2;").arg(m_color.name(), text));
}

void CExtFontDialog::SetNextFont(const QFont& font, const QColor& color) { g_nextFonts.emplace_back(font, color); }
