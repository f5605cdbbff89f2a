#include "app/ExtFontDialog.h"

#include <deque>

namespace {

std::deque<QFont> g_nextFonts;

}  // namespace

CExtFontDialog::CExtFontDialog(const QString& caption, const QFont& initial, QWidget* parent)
    : QFontDialog(initial, parent), m_font(initial) {
    setObjectName(QStringLiteral("extFontDialog"));
    setOption(QFontDialog::DontUseNativeDialog, true);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(caption);
}

int CExtFontDialog::DoModal() {
    if (!g_nextFonts.empty()) {
        m_font = g_nextFonts.front();
        g_nextFonts.pop_front();
        return QDialog::Accepted;
    }
    const int result = exec();
    if (result == QDialog::Accepted) m_font = selectedFont();
    return result;
}

void CExtFontDialog::SetNextFont(const QFont& font) { g_nextFonts.push_back(font); }
