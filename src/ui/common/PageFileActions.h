#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "ui/common/TabPage.h"

class CFilesPanel;

// The file side of a tab page: what the buttons and edits of its files panel start, and the main window's
// project commands, which the page hands on. Choosing and deleting the output folder go the same way on both
// tabs; the rest is each tab's own. Connections made for it use it as their context.
class PageFileActions : public QObject, public ProjectCommands {
public:
    explicit PageFileActions(CTabPage& page) : m_page(page) {}

    // The panel's buttons and edits to the actions below; its two play buttons call play with 1027 or 1028.
    void Connect(CFilesPanel* panel, const std::function<void(int job)>& play);

    // The project commands: a tab without project files keeps these, and LoadProjectFile finds none.
    int LoadProjectFile(const QString& path, bool force) override;
    void OpenProject() override {}
    void SaveProject() override {}
    void SaveProjectAs() override {}

    virtual void ChooseInput() = 0;
    // A path typed into the input edit.
    virtual void OpenInputVideo(const QString& path) { (void)path; }
    // The output folder's dialog, then ChangeOutputFolder.
    void ChooseOutputFolder();
    virtual void ChooseOutputFile() = 0;
    virtual void ChangeOutputFolder(const QString& folder) = 0;
    virtual void ChangeOutputName(const QString& name) = 0;
    // After a yes to 3118: the job and the background work stop, the folder goes (a failure is told), then
    // AfterFolderDeleted.
    void DeleteOutputFolder();

protected:
    virtual void AfterFolderDeleted() = 0;

    CTabPage& m_page;
};
