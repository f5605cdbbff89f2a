#pragma once

#include <QPointer>
#include <QString>

#include "project/ProjectSession.h"
#include "ui/common/TabPage.h"

class CAppHelpDialog;

// The scene tab (page 2015): one input video turned into scene files and a merged output. This page holds
// the project operations the main window calls; its controls come with the scene workflow.
class CTarneloTabScene : public CTabPage, private ProjectSessionListener {
    Q_OBJECT
public:
    CTarneloTabScene(TabHost* host, bool cudaPresent, QWidget* parent);

    void NewProject() override;
    // Opens a project file: -1 when it does not exist, 0 when it could not be read, 1 when opened. With
    // automatic save on and force off, asking for the open project again does nothing.
    int LoadProjectFile(const QString& path, bool force) override;
    // Writes the project when automatic save is on or force is set; without a project file the input's
    // name followed by ".kpproj" is used, and without an input nothing is written.
    void AutoSave(bool force);
    // The save command: the project file, or the input's name followed by ".kpproj".
    void SaveProject() override { AutoSave(true); }
    // The open and save-as commands, each through a file dialog.
    void OpenProject() override;
    void SaveProjectAs() override;
    void DropFiles(const QStringList& files) override;

    // The information commands: kind 2..5 titled by a string id; an open information window closes first.
    void OpenInformation(int kind, int titleId) override;
    CAppHelpDialog* InformationWindow() const { return m_infoWindow; }

    static QString ProjectFilter() { return QStringLiteral("Project Files (*.kpproj)|*.kpproj||"); }

private:
    // The window's part of opening a project.
    void LoadStarting() override;
    void ProjectOpened(const std::string& path) override;
    void LoadFinished(bool loaded) override;

    ProjectSession m_session;
    QPointer<CAppHelpDialog> m_infoWindow;
};
