#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QString>

class QFontDialog;
class QPushButton;

// The caption font choice: face, size, style and effects, plus the text colour, in one window whose title
// is the caption given at construction.
class CExtFontDialog : public QDialog {
    Q_OBJECT
public:
    CExtFontDialog(const QString& caption, const QFont& initial, const QColor& color, QWidget* parent = nullptr);
    // QDialog::Accepted or QDialog::Rejected.
    int DoModal();
    QFont GetFont() const { return m_font; }
    QColor GetColor() const { return m_color; }

    // Test hook: the next DoModal answers with this font and colour at once (an invalid colour keeps the
    // initial one).
    static void SetNextFont(const QFont& font, const QColor& color = QColor());

private:
    void ChooseColor();
    void ShowColor();

    QFontDialog* m_fonts;
    QPushButton* m_colorButton;
    QFont m_font;
    QColor m_color;
};
