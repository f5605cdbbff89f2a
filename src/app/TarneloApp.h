#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "app/AppShell.h"
#include "app/AppWindow.h"
#include "app/Language.h"
#include "app/RecentFileList.h"

class QSettings;

// The application object: settings record, recent files, language, the main window; start-up and
// shutdown in their fixed order. The window itself comes from CreateMainWindow, which the window layer
// provides.
class CTarneloApp : public AppShell {
public:
    static constexpr const char* kOrganization = "Hexlow-Works";
    static constexpr const char* kApplication = "Tarnelo";

    CTarneloApp();
    ~CTarneloApp() override;
    CTarneloApp(const CTarneloApp&) = delete;
    CTarneloApp& operator=(const CTarneloApp&) = delete;

    // Folder of the resource libraries and doc/ (the executable's folder unless set).
    void SetProgramFolder(const QString& folder);

    // args: the command line without the program name. False ends the program.
    bool InitInstance(const QStringList& args);
    // Saves the settings and the recent files, closes the window, logs the exit line; returns 0.
    int ExitInstance();

    bool SaveSettings() override;
    void AddRecentFile(const QString& path) override;
    void WriteRecentFiles() override;
    CRecentFileList& RecentFiles() override { return m_recent; }
    bool IsCudaAvailable() const override { return m_cuda; }
    CLanguage& Language() override { return m_language; }
    QString ProgramFolder() const override;

    AppWindow* Window() const { return m_window.get(); }

    // The first argument that is not a flag (does not start with '-'); empty when there is none.
    static QString ProjectFromCommandLine(const QStringList& args);
    // A project file by its name (".kpproj", any case); any other file given to the program is a video.
    static bool IsProjectFileName(const QString& path);
    // The stored settings record, empty when there is none.
    static QByteArray ReadSettingsRecord();
    // The stored fast scan choice of the extraction (off when none is stored).
    static bool ReadFastScanSetting();
    // Whether the scene list shows its clock time column (hidden when none is stored).
    static bool ReadClockColumnSetting();

protected:
    virtual std::unique_ptr<AppWindow> CreateMainWindow() = 0;

private:
    void ApplySettingsRecord(const QByteArray& bytes);
    QString m_folder;
    bool m_cuda = false;
    CLanguage m_language;
    CRecentFileList m_recent;
    std::unique_ptr<AppWindow> m_window;
};
