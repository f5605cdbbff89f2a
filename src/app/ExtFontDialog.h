#pragma once

#include <QFont>
#include <QFontDialog>
#include <QString>

// The caption font choice: a font dialog whose title is the caption text being styled.
class CExtFontDialog : public QFontDialog {
    Q_OBJECT
public:
    CExtFontDialog(const QString& caption, const QFont& initial, QWidget* parent = nullptr);
    // QDialog::Accepted or QDialog::Rejected.
    int DoModal();
    QFont GetFont() const { return m_font; }

    // Test hook: the next DoModal answers with this font at once.
    static void SetNextFont(const QFont& font);

private:
    QFont m_font;
};
