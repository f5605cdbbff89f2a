#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QFontDatabase>
#include <QString>

class QComboBox;
class QFontDialog;
class QPushButton;

// The caption font choice: face, size, style and effects, the character set (the writing system the font
// chooser offers), plus the text colour, in one window whose title is the caption given at construction.
class CExtFontDialog : public QDialog {
    Q_OBJECT
public:
    // charSet: the character-set code the caption keeps (128 Shift-JIS, 0 ANSI, 1 default, ...).
    CExtFontDialog(const QString& caption, const QFont& initial, const QColor& color, int charSet = kDefaultCharSet,
                   QWidget* parent = nullptr);
    // QDialog::Accepted or QDialog::Rejected.
    int DoModal();
    QFont GetFont() const { return m_font; }
    QColor GetColor() const { return m_color; }
    // The chosen character set; the initial one while the writing system was left as it showed.
    int GetCharSet() const { return m_charSet; }

    static constexpr int kDefaultCharSet = 1;
    // The writing system a character set is written in, and the set a writing system is chosen as.
    static QFontDatabase::WritingSystem WritingSystemOf(int charSet);
    static int CharSetOf(QFontDatabase::WritingSystem system);

    // Test hook: the next DoModal answers with this font, colour and character set at once (an invalid colour
    // or a negative set keeps the initial one).
    static void SetNextFont(const QFont& font, const QColor& color = QColor(), int charSet = -1);

private:
    void ChooseColor();
    void ShowColor();

    QFontDialog* m_fonts;
    QComboBox* m_writingSystems = nullptr;  // the font chooser's own; absent in a chooser without one
    int m_shownSystem = -1;
    QPushButton* m_colorButton;
    QFont m_font;
    QColor m_color;
    int m_charSet;
};
