#pragma once

#include <QString>
#include <QStringList>

class CTarneloData;

// What the start-up and the settings need of the main window. The window layer builds it; the application
// object only drives it, so the services never depend on the windows.
class AppWindow {
public:
    virtual ~AppWindow() = default;
    // The project data of a tab (0 the scene tab, 1 the merge tab): the settings record applies to both.
    virtual CTarneloData& TabData(int tab) = 0;
    // The texts of the dialog and its pages from the current library.
    virtual void RefreshLanguageTexts() = 0;
    // The menu, accelerators, status-bar defaults and title from the current library.
    virtual void ApplyLanguage() = 0;
    virtual void ResetStatusBar() = 0;
    virtual void RestorePosition() = 0;
    virtual void ShowWindow() = 0;
    // A project named at start-up, or a video handed over as if it had been dropped on the window.
    virtual void OpenProjectFile(const QString& path) = 0;
    virtual void OpenDroppedFiles(const QStringList& files) = 0;
    // Closes without the confirmation and ends the program: for a termination request from the system.
    virtual void CloseWithoutAsking() = 0;
    // Stops every job and all background work of the window while it is still whole, before it is destroyed:
    // waiting for work serves the window's events, which must not reach widgets already half torn down.
    virtual void StopAllWork() {}
};
