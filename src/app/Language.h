#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "app/ResourceLibrary.h"

// The display language and the resource library that carries its texts. Exactly "ja-JP" loads the
// Japanese library; every other name shows English and is kept unchanged as the language name.
class CLanguage {
public:
    static constexpr const char* kJapaneseLibrary = "TarneloRes_JPN.rcc";
    static constexpr const char* kEnglishLibrary = "TarneloRes_ENG.rcc";

    CLanguage();
    ~CLanguage();

    static QString LibraryFileFor(const QString& language);
    // The user's locale as "ll-CC" ("de-DE"); "en-US" when the system names none (the C locale).
    static QString SystemLanguageName();
    // Tests set the locale the system would report; an empty text restores the real one.
    static void SetSystemLocaleOverride(const QString& name);
    // Tests collect the failure notice instead of a message box.
    static void SetFailureNotifier(std::function<void(const QString&)> notifier);

    // Folder searched for the libraries (the executable's folder unless set).
    void SetSearchFolder(const QString& folder) { m_folder = folder; }
    QString SearchFolder() const;

    // Makes name the display language and loads its library. When the library can not be loaded the
    // notice 3073 is shown from a built-in text, the previous library stays active, and false is returned.
    bool LoadLanguage(const QString& name);
    QString Current() const { return m_current; }
    // The display language name as read from the settings, before its library is loaded.
    void SetCurrent(const QString& name) { m_current = name; }
    bool IsJapanese() const { return m_current == QLatin1String("ja-JP"); }
    // The library in use; nullptr when none has loaded yet.
    const CResourceLibrary* Library() const { return m_active; }

private:
    QString m_folder;
    QString m_current;
    CResourceLibrary* m_active = nullptr;
    // Libraries are never destroyed while the program runs: a worker may still be reading a text of the
    // previous language after a switch.
    std::vector<std::unique_ptr<CResourceLibrary>> m_libraries;
};

// The library in use by the program (set by CLanguage), nullptr before the first load.
const CResourceLibrary* Resources();
// A text of the current library, as shown.
QString ResText(int id);
// The part of a prompt text before its line feed (tool tip) and after it (short command name).
QString PromptTip(const QString& text);
QString PromptName(const QString& text);
