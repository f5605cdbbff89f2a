#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "project/ProjectSession.h"
#include "ui/common/PageFileActions.h"
#include "ui/scene/ScenePanels.h"

class CJobStatus;
class SceneListEditor;
class SceneMotionTuner;
class ScenePage;

// The scene tab's files and projects: the input video, the output folder and file, project files, dropped files
// and the scene list's reset. Opening a video probes it, starts a new project that keeps the project file, the
// output folder and name, the title and the watermark, and prepares the input (job 1101) while the window stays
// responsive; a second video asked for meanwhile stops the first and opens after it.
class SceneFileActions : public PageFileActions, private ProjectSessionListener {
public:
    SceneFileActions(ScenePage& page, const ScenePanels& panels, CJobStatus* jobStatus, SceneListEditor& lists,
                     SceneMotionTuner& motion);

    static QString ProjectFilter() { return QStringLiteral("Project Files (*.kpproj)|*.kpproj||"); }

    void NewProject() override;
    // With automatic save on and force off, asking for the open project again does nothing.
    int LoadProjectFile(const QString& path, bool force) override;
    void OpenProject() override;
    void SaveProject() override;
    void SaveProjectAs() override;
    void DropFiles(const QStringList& files) override;
    void ChooseInput() override;
    void OpenInputVideo(const QString& path) override;
    void ChooseOutputFile() override;
    void ChangeOutputFolder(const QString& folder) override;
    void ChangeOutputName(const QString& name) override;

    // Writes the project when automatic save is on or force is set; a failed write is reported (once per
    // file until a write succeeds) and leaves the file on disk as it was.
    void AutoSave(bool force);
    // Empties the scene list (rebuild: the default one-scene list) and deletes the segment files.
    void ResetSceneList(bool rebuild);
    // After an analysis: keeps the selection (or builds the default list), then refills the list. From the
    // engine's worker it runs on the window's thread while the worker waits.
    void PrepareSceneList(bool keep);

private:
    void AfterFolderDeleted() override;
    // Opens a video; newProject starts from an empty project once the file has proved to be a video;
    // report tells the user when it is not one.
    void OpenVideo(const std::string& path, bool newProject, bool report);
    void OpenPendingInput();
    // After the output folder or name changed: save, then read the project again (or prepare the input
    // again when nothing was saved).
    void ReloadAfterOutputChange();
    // Marks input preparation (job 1101) as running: busy cursor, controls off but the stop button.
    void BeginPreparing();
    void EndPreparing();
    // Probes and prepares the open project's input (after a project was read); probed tells whether the
    // video could be read.
    bool PrepareProjectInput(bool* probed = nullptr);
    // Renames a project file that could not be read to a free name beside it; the new name, or "" when it
    // stayed where it was.
    static std::string KeepUnreadableProject(const std::string& path);
    // The window's part of opening a project.
    void LoadStarting() override;
    void ProjectOpened(const std::string& path) override;
    void LoadFinished(bool loaded) override;

    ScenePage& m_scene;
    ScenePanels m_panels;
    CJobStatus* m_jobStatus;
    SceneListEditor& m_lists;
    SceneMotionTuner& m_motion;
    ProjectSession m_session;
    bool m_loadingProject = false;
    std::string m_openedProject;  // the project file read last, offered again once its video was read
    std::string m_pendingInput;   // a video asked for while another was being prepared
    bool m_pendingNewProject = false;
    std::string m_failedSave;  // the project file whose last save failed (reported once)
};
