#pragma once

#include <QIcon>
#include <QString>
#include <map>
#include <string>
#include <vector>

#include "project/StringTable.h"

// One entry of a menu resource: a command, a separator, or a popup with its own entries.
struct MenuResource {
    int id = 0;
    QString text;
    bool separator = false;
    std::vector<MenuResource> items;  // non-empty for a popup
    bool IsPopup() const { return !items.empty(); }
};

struct AcceleratorResource {
    QString key;  // QKeySequence text, for example "Ctrl+Shift+S"
    int id = 0;
};

// Parses "ID<TAB>TEXT" lines: '#' starts a comment line, blank lines are skipped, and \n \t \\ are the
// escapes. Malformed lines are skipped. Pure, so the format is tested without a resource file.
std::map<int, std::string> ParseStringTable(const std::string& text);

// One resource library of a display language: a Qt binary resource file holding strings.tsv, menus.json,
// accelerators.json, dialogs.json and icon<id>.png. Everything is parsed when the library opens, so
// lookups never touch the resource file and can come from any thread.
class CResourceLibrary : public StringTable {
public:
    CResourceLibrary() = default;
    ~CResourceLibrary() override;
    CResourceLibrary(const CResourceLibrary&) = delete;
    CResourceLibrary& operator=(const CResourceLibrary&) = delete;

    // Registers the file under its own root and reads it; false (nothing kept) when it is missing or
    // holds no string table.
    bool Open(const QString& rccPath);
    // Unregisters the file. The parsed tables stay usable, so a worker that is still reading a text when
    // the language changes reads valid memory.
    void Close();
    bool IsOpen() const { return m_open; }
    QString Path() const { return m_path; }

    std::string Load(int id) const override;
    QString Text(int id) const { return QString::fromStdString(Load(id)); }
    bool HasString(int id) const { return m_strings.count(id) != 0; }
    const std::map<int, std::string>& Strings() const { return m_strings; }

    // nullptr when the library has no such resource.
    const std::vector<MenuResource>* Menu(int id) const;
    const std::vector<AcceleratorResource>* Accelerators(int id) const;
    bool HasDialog(int id) const { return m_dialogs.count(id) != 0; }
    // control 0 is the title; "static" texts without an id use key -1.
    QString DialogText(int dialogId, int control) const;
    bool HasDialogControl(int dialogId, int control) const;
    QIcon Icon(int id) const;
    bool HasIcon(int id) const { return m_icons.count(id) != 0; }

private:
    bool ReadAll(const QString& root);

    bool m_open = false;
    QString m_path;
    QString m_root;
    std::map<int, std::string> m_strings;
    std::map<int, std::vector<MenuResource>> m_menus;
    std::map<int, std::vector<AcceleratorResource>> m_accelerators;
    std::map<int, std::map<int, QString>> m_dialogs;
    std::map<int, QIcon> m_icons;
};
