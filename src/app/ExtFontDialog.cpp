#include "app/ExtFontDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <deque>

#include "app/Language.h"

namespace {

struct NextFont {
    QFont font;
    QColor color;
    int charSet;
};
std::deque<NextFont> g_nextFonts;

// Character-set codes and the writing systems they are written in; the first row of a system is the set
// that system is chosen as.
struct CharSetRow {
    int charSet;
    QFontDatabase::WritingSystem system;
};
constexpr CharSetRow kCharSets[] = {
    {1, QFontDatabase::Any},
    {0, QFontDatabase::Latin},
    {2, QFontDatabase::Symbol},
    {128, QFontDatabase::Japanese},
    {129, QFontDatabase::Korean},
    {130, QFontDatabase::Korean},
    {134, QFontDatabase::SimplifiedChinese},
    {136, QFontDatabase::TraditionalChinese},
    {161, QFontDatabase::Greek},
    {162, QFontDatabase::Latin},
    {163, QFontDatabase::Vietnamese},
    {177, QFontDatabase::Hebrew},
    {178, QFontDatabase::Arabic},
    {186, QFontDatabase::Latin},
    {204, QFontDatabase::Cyrillic},
    {222, QFontDatabase::Thai},
    {238, QFontDatabase::Latin},
};

}  // namespace

QFontDatabase::WritingSystem CExtFontDialog::WritingSystemOf(int charSet) {
    for (const CharSetRow& row : kCharSets) {
        if (row.charSet == charSet) return row.system;
    }
    return QFontDatabase::Any;
}

int CExtFontDialog::CharSetOf(QFontDatabase::WritingSystem system) {
    for (const CharSetRow& row : kCharSets) {
        if (row.system == system) return row.charSet;
    }
    return kDefaultCharSet;
}

CExtFontDialog::CExtFontDialog(const QString& caption, const QFont& initial, const QColor& color, int charSet,
                               QWidget* parent)
    : QDialog(parent), m_font(initial), m_color(color), m_charSet(charSet) {
    setObjectName(QStringLiteral("extFontDialog"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(caption);

    // The font chooser is shown as a part of this window, so the colour sits beside its effects.
    m_fonts = new QFontDialog(initial, this);
    m_fonts->setObjectName(QStringLiteral("fontChooser"));
    m_fonts->setOptions(QFontDialog::DontUseNativeDialog | QFontDialog::NoButtons);
    m_fonts->setWindowFlags(Qt::Widget);
    // The chooser's one combo lists the writing systems in their enumeration's order; it starts at the
    // caption's, without narrowing the faces to it until the user picks one.
    const QList<QComboBox*> combos = m_fonts->findChildren<QComboBox*>();
    if (combos.size() == 1 && combos.front()->count() > WritingSystemOf(charSet)) {
        m_writingSystems = combos.front();
        m_writingSystems->setObjectName(QStringLiteral("writingSystemCombo"));
        m_shownSystem = WritingSystemOf(charSet);
        m_writingSystems->setCurrentIndex(m_shownSystem);
    }

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
        const NextFont next = g_nextFonts.front();
        g_nextFonts.pop_front();
        m_font = next.font;
        if (next.color.isValid()) m_color = next.color;
        if (next.charSet >= 0) m_charSet = next.charSet;
        return QDialog::Accepted;
    }
    const int result = exec();
    if (result != QDialog::Accepted) return result;
    m_font = m_fonts->currentFont();
    // Several sets share a writing system (Turkish and Baltic are Latin): one left as shown stays as it was.
    if (m_writingSystems != nullptr && m_writingSystems->currentIndex() != m_shownSystem) {
        m_charSet = CharSetOf(static_cast<QFontDatabase::WritingSystem>(m_writingSystems->currentIndex()));
    }
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

void CExtFontDialog::SetNextFont(const QFont& font, const QColor& color, int charSet) {
    g_nextFonts.push_back({font, color, charSet});
}
