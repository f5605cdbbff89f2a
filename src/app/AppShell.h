#pragma once

#include <QString>

class CLanguage;
class CRecentFileList;

// What the windows ask of the application object: the settings and recent files it keeps and the
// language it loads.
class AppShell {
public:
    virtual ~AppShell() = default;
    // Builds the settings record from the scene tab's data and writes it; false when it could not be written.
    virtual bool SaveSettings() = 0;
    // Puts path at the head of the recent files and writes the list at once.
    virtual void AddRecentFile(const QString& path) = 0;
    virtual void WriteRecentFiles() = 0;
    virtual CRecentFileList& RecentFiles() = 0;
    virtual bool IsCudaAvailable() const = 0;
    virtual CLanguage& Language() = 0;
    // The folder of the program: resource libraries and doc/ are found there.
    virtual QString ProgramFolder() const = 0;
};
