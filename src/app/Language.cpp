#include "app/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

namespace {

const CResourceLibrary* g_resources = nullptr;
QString g_localeOverride;
std::function<void(const QString&)> g_failureNotifier;

// Shown when no library can give the text: the previous one may be gone or in the other language.
QString BuiltInLoadFailure(bool japanese) {
    return japanese ? QString::fromUtf8("言語DLLの読み込みに失敗しました。")
                    : QStringLiteral("Failed to load the language library.");
}

// The toolkit's own texts (file and font dialogs, standard buttons) follow the display language when its
// translations are installed; without them they stay English.
void ApplyToolkitLanguage(bool japanese) {
    static QTranslator* translator = nullptr;
    if (QCoreApplication::instance() == nullptr) return;
    if (translator != nullptr) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    if (!japanese) return;
    auto* qt = new QTranslator;
    if (qt->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt);
        translator = qt;
    } else {
        delete qt;
    }
}

}  // namespace

CLanguage::CLanguage() = default;

CLanguage::~CLanguage() {
    if (g_resources == m_active) {
        g_resources = nullptr;
        SetStringTable(nullptr);
    }
}

QString CLanguage::LibraryFileFor(const QString& language) {
    return QString::fromLatin1(language == QLatin1String("ja-JP") ? kJapaneseLibrary : kEnglishLibrary);
}

QString CLanguage::SystemLanguageName() {
    QString name = g_localeOverride.isEmpty() ? QLocale::system().name() : g_localeOverride;
    name.replace(QLatin1Char('_'), QLatin1Char('-'));
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX")) return QStringLiteral("en-US");
    return name;
}

void CLanguage::SetSystemLocaleOverride(const QString& name) { g_localeOverride = name; }

void CLanguage::SetFailureNotifier(std::function<void(const QString&)> notifier) {
    g_failureNotifier = std::move(notifier);
}

QString CLanguage::SearchFolder() const {
    return m_folder.isEmpty() ? QCoreApplication::applicationDirPath() : m_folder;
}

bool CLanguage::LoadLanguage(const QString& name) {
    m_current = name;
    const QString path = QDir(SearchFolder()).filePath(LibraryFileFor(name));
    if (m_active != nullptr && m_active->Path() == path && m_active->IsOpen()) return true;

    auto library = std::make_unique<CResourceLibrary>();
    if (!library->Open(path)) {
        const QString text = BuiltInLoadFailure(IsJapanese());
        if (g_failureNotifier) {
            g_failureNotifier(text);
        } else {
            QMessageBox::warning(nullptr, QStringLiteral("Tarnelo"), text);
        }
        return false;
    }
    // The new library is in place before the old one is released.
    CResourceLibrary* previous = m_active;
    m_active = library.get();
    m_libraries.push_back(std::move(library));
    g_resources = m_active;
    SetStringTable(m_active);
    if (previous != nullptr) previous->Close();
    ApplyToolkitLanguage(IsJapanese());
    return true;
}

const CResourceLibrary* Resources() { return g_resources; }

QString ResText(int id) { return g_resources != nullptr ? g_resources->Text(id) : QString(); }

QString PromptTip(const QString& text) { return text.section(QLatin1Char('\n'), 0, 0); }

QString PromptName(const QString& text) {
    const int lf = text.indexOf(QLatin1Char('\n'));
    return lf < 0 ? QString() : text.mid(lf + 1);
}
