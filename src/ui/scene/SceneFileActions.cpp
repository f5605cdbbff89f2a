#include "ui/scene/SceneFileActions.h"

#include <QFile>
#include <QPushButton>
#include <QSlider>

#include "app/AppFileDialog.h"
#include "app/AppShell.h"
#include "app/Language.h"
#include "engine/jobs/JobTables.h"
#include "engine/scenes/SceneRules.h"
#include "platform/Path.h"
#include "project/FileHelpers.h"
#include "ui/common/FilesPanel.h"
#include "ui/common/JobStatus.h"
#include "ui/common/TabPage.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"
#include "ui/scene/CaptionPanel.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/SceneMotionTuner.h"
#include "ui/scene/ScenePage.h"

namespace {

// "The project file could not be read...", followed by where the file was kept.
constexpr int kUnreadableProjectText = 3190;

// Every occurrence of from in text replaced by to.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// A file dialog that starts in the folder of path with its name filled in.
void StartAt(CAppFileDialog& dialog, const QString& path, int titleId) {
    const int cut = path.lastIndexOf(QLatin1Char('/'));
    if (cut >= 0) dialog.SetInitialFolder(path.left(cut + 1));
    dialog.setWindowTitle(ResText(titleId));
}

QString NamePart(const std::string& path) {
    const QString text = QString::fromStdString(path);
    return text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

SceneFileActions::SceneFileActions(ScenePage& page, const ScenePanels& panels, CJobStatus* jobStatus,
                                   SceneListEditor& lists, SceneMotionTuner& motion)
    : PageFileActions(page.Page()),
      m_scene(page),
      m_panels(panels),
      m_jobStatus(jobStatus),
      m_lists(lists),
      m_motion(motion),
      m_session(page.Page().Data(), this) {}

void SceneFileActions::BeginPreparing() {
    m_page.SetLocalJob(kJobPrepareInput);
    m_page.SetWaitCursor(true);
    m_scene.DisableAll();
    m_page.Host()->ResetStatusBar();
}

void SceneFileActions::EndPreparing() {
    m_page.SetLocalJob(0);
    m_page.Engine().RequestCancel(false);
    m_page.SetWaitCursor(false);
    m_motion.ReloadMotionRecord();
}

// --- projects ---

void SceneFileActions::NewProject() {
    m_page.StopJob();
    m_page.Data().ResetAll(false);
    m_panels.captions->ResetKind();
    m_motion.ReloadMotionRecord();
    m_lists.FillList(-1);
    m_page.Host()->ResetStatusBar();
    m_panels.preview->Pane()->Clear();
    m_panels.captions->Load();
    m_scene.RefreshMergeInfo();
    m_page.UpdateData(true);
    m_page.UpdateControlStates(true);
}

int SceneFileActions::LoadProjectFile(const QString& path, bool force) {
    if (m_page.LocalJob() != 0) return ProjectSession::kMissing;
    return m_session.Load(path.toStdString(), force);
}

void SceneFileActions::LoadStarting() {
    m_loadingProject = true;
    m_page.SetWaitCursor(true);
    m_scene.DisableAll();
    m_page.Host()->ResetStatusBar();
}

void SceneFileActions::ProjectOpened(const std::string& path) { m_openedProject = path; }

void SceneFileActions::LoadFinished(bool loaded) {
    m_page.SetWaitCursor(false);
    m_panels.captions->ResetKind();
    if (loaded) {
        bool probed = false;
        PrepareProjectInput(&probed);
        // A project whose video can not be read is no file to offer again.
        if (probed) m_page.Host()->App().AddRecentFile(QString::fromStdString(m_openedProject));
    } else {
        m_jobStatus->StopTimer();
        m_lists.FillList(-1);
    }
    m_loadingProject = false;
    m_panels.captions->Load();
    m_scene.RefreshMergeInfo();
    m_page.UpdateData(true);
    m_page.UpdateControlStates(true);
    m_panels.preview->PlayStopButton()->setFocus();
}

bool SceneFileActions::PrepareProjectInput(bool* probed) {
    CTarneloData& data = m_page.Data();
    if (probed != nullptr) *probed = false;
    m_lists.FillList(data.list_idx);
    if (data.input_file.empty() || !platform::FileExists(data.input_file)) return false;
    BeginPreparing();
    VideoInfo info;
    int probe = -1;
    m_page.RunServingWindow([&] { probe = m_page.Engine().GetVideoInfoFfprobe(data.input_file, info); });
    if (probed != nullptr) *probed = probe == 0;
    int prepared = -1;
    if (probe == 0) {
        m_jobStatus->StartTimer();
        prepared = m_page.Engine().PrepareInput(true);
        m_jobStatus->StopTimer();
        if (prepared == 0) AutoSave(false);
    }
    EndPreparing();
    return prepared == 0;
}

void SceneFileActions::AutoSave(bool force) {
    const std::string target = m_session.SaveTarget();
    switch (m_session.AutoSave(force)) {
        case ProjectSession::SaveOutcome::kWritten:
            m_failedSave.clear();
            break;
        case ProjectSession::SaveOutcome::kFailed:
            // Every change saves again; the same failure is told once, not at each keystroke.
            if (force || target != m_failedSave)
                m_page.Host()->ShowMessage(ResText(3075) + QLatin1Char('\n') + QString::fromStdString(target));
            m_failedSave = target;
            break;
        case ProjectSession::SaveOutcome::kSkipped:
            break;
    }
}

void SceneFileActions::SaveProject() { AutoSave(true); }

void SceneFileActions::OpenProject() {
    m_page.StopJob();
    CAppFileDialog dialog(true, QStringLiteral("kpproj"), NamePart(m_page.Data().project_file), ProjectFilter(),
                          &m_page);
    StartAt(dialog, QString::fromStdString(m_page.Data().project_file), 3098);
    if (dialog.DoModal() != QDialog::Accepted) return;
    LoadProjectFile(dialog.GetPathName(), false);
}

void SceneFileActions::SaveProjectAs() {
    CAppFileDialog dialog(false, QStringLiteral("kpproj"), NamePart(m_page.Data().project_file), ProjectFilter(),
                          &m_page);
    StartAt(dialog, QString::fromStdString(m_page.Data().project_file), 3099);
    dialog.SetOverwritePrompt(true);
    if (dialog.DoModal() != QDialog::Accepted) return;
    if (!m_session.SaveAs(dialog.GetPathName().toStdString())) m_page.Host()->ShowMessage(ResText(3075));
}

// --- the input video ---

void SceneFileActions::OpenInputVideo(const QString& path) { OpenVideo(path.toStdString(), false, false); }

void SceneFileActions::OpenVideo(const std::string& path, bool newProject, bool report) {
    CTarneloData& data = m_page.Data();
    if (m_page.LocalJob() == kJobPrepareInput) {
        // The video being prepared gives way: it stops, and this one opens when its wait has ended.
        m_pendingInput = path;
        m_pendingNewProject = newProject;
        m_page.Engine().RequestCancel(true);
        return;
    }
    if (m_page.LocalJob() != 0 || m_loadingProject) return;
    if (path == data.input_file && !newProject) return;
    if (!platform::FileExists(path)) {
        m_page.UpdateData(true);
        if (report) m_page.Host()->ShowMessage(ResText(3165) + QLatin1Char('\n') + QString::fromStdString(path));
        return;
    }
    m_page.StopJob();
    BeginPreparing();
    VideoInfo info;
    int probe = -1;
    m_page.RunServingWindow([&] { probe = m_page.Engine().GetVideoInfoFfprobe(path, info); });
    const bool stopped = m_page.Engine().CancelRequested();
    if (probe != 0 || info.frame_num <= 0 || !(info.fps > 0)) {
        EndPreparing();
        m_page.UpdateData(true);
        m_page.UpdateControlStates(true);
        if (report && !stopped && m_pendingInput.empty()) {
            m_page.Host()->ShowMessage(ResText(3165) + QLatin1Char('\n') + QString::fromStdString(path));
        }
        OpenPendingInput();
        return;
    }

    if (newProject) data.ResetAll(false);
    const std::string projectFile = data.project_file;
    const std::string outputFolder = data.output_folder;
    const std::string outputName = data.output_name;
    const CaptionParam watermark = data.capWatermark;
    const CaptionParam title = data.capTitle;
    data.ResetAll(false);
    data.project_file = projectFile;
    data.output_folder = outputFolder;
    data.output_name = outputName;
    data.capWatermark = watermark;
    data.capTitle = title;
    ApplyVideoDefaults(data, path);
    // Preparation probes the input again; the count is kept so a container without one is not decoded twice.
    data.m_sourceInfo = info;
    m_panels.captions->ResetKind();
    m_lists.FillList(-1);
    m_panels.captions->Load();
    m_page.UpdateData(true);
    AutoSave(false);

    m_jobStatus->StartTimer();
    const int prepared = m_page.Engine().PrepareInput(false);
    m_jobStatus->StopTimer();
    if (prepared == 0) {
        AutoSave(false);
        m_page.Host()->App().AddRecentFile(QString::fromStdString(m_session.SaveTarget()));
    }
    EndPreparing();
    m_scene.RefreshMergeInfo();
    m_page.UpdateData(true);
    m_page.UpdateControlStates(true);
    if (prepared == 0) m_panels.preview->PlayStopButton()->setFocus();
    OpenPendingInput();
}

void SceneFileActions::OpenPendingInput() {
    if (m_pendingInput.empty()) return;
    const std::string path = std::move(m_pendingInput);
    m_pendingInput.clear();
    const bool newProject = m_pendingNewProject;
    // Not nested inside the wait that has just ended.
    QMetaObject::invokeMethod(
        this, [this, path, newProject] { OpenVideo(path, newProject, true); }, Qt::QueuedConnection);
}

void SceneFileActions::DropFiles(const QStringList& files) {
    std::string file;
    for (const QString& f : files) {
        if (platform::FileExists(f.toStdString())) {
            file = f.toStdString();
            break;
        }
    }
    if (file.empty()) {
        if (!files.isEmpty()) m_page.Host()->ShowMessage(ResText(3165) + QLatin1Char('\n') + files.first());
        return;
    }
    // A video dropped beside its project opens the project.
    const std::string dropped = file;
    if (!IsProjectPath(file) && platform::FileExists(DefaultProjectPath(file))) file = DefaultProjectPath(file);
    if (m_page.LocalJob() == kJobPrepareInput && !IsProjectPath(file)) {
        OpenVideo(file, true, true);
        return;
    }
    if (m_page.IsBusy()) return;
    m_page.StopJob();
    if (IsProjectPath(file)) {
        const int loaded = LoadProjectFile(QString::fromStdString(file), false);
        if (loaded == ProjectSession::kOpened) return;
        if (loaded == ProjectSession::kUnreadable) {
            if (dropped == file) return;
            // The video itself was dropped: it opens in a new project, whose saves must not write over the
            // file that could not be read.
            const std::string kept = KeepUnreadableProject(file);
            m_page.Host()->ShowMessage(ResText(kUnreadableProjectText) + QLatin1Char('\n') +
                                       QString::fromStdString(kept.empty() ? file : kept));
        }
        file = dropped;
    }
    OpenVideo(file, true, true);
}

std::string SceneFileActions::KeepUnreadableProject(const std::string& path) {
    for (int n = 1; n < 100; ++n) {
        const std::string kept = path + (n == 1 ? std::string(".unreadable") : ".unreadable" + std::to_string(n));
        if (platform::FileExists(kept) || platform::FolderExists(kept)) continue;
        return QFile::rename(QString::fromStdString(path), QString::fromStdString(kept)) ? kept : std::string();
    }
    return {};
}

void SceneFileActions::ChooseInput() {
    m_page.StopJob();
    CAppFileDialog dialog(true, QStringLiteral("mp4"), NamePart(m_page.Data().input_file), CTabPage::VideoFilter(),
                          &m_page);
    StartAt(dialog, QString::fromStdString(m_page.Data().input_file), 3100);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.DoModal() != QDialog::Accepted) return;
    OpenVideo(dialog.GetPathName().toStdString(), false, true);
}

// --- the output ---

void SceneFileActions::ChooseOutputFile() {
    CTarneloData& data = m_page.Data();
    m_page.StopJob();
    const std::string path = CFilesPanel::AskOutputFile(&m_page, data);
    if (path.empty() || path == data.GetOutputPath()) return;
    const std::string folder = FolderPart(path);
    data.output_name = FileNamePart(path);
    if (folder != data.output_folder) {
        ChangeOutputFolder(QString::fromStdString(folder));
    } else {
        ChangeOutputName(QString::fromStdString(data.output_name));
        ReloadAfterOutputChange();
    }
}

void SceneFileActions::ChangeOutputFolder(const QString& text) {
    CTarneloData& data = m_page.Data();
    std::string folder = text.trimmed().toStdString();
    if (folder.empty()) return;
    folder = SetTrailingSeparator(folder, true);
    if (folder == data.output_folder) {
        m_page.UpdateData(true);
        return;
    }
    const std::string old = data.output_folder;
    ReplaceAll(data.input_mp4_file, old, folder);
    ReplaceAll(data.pts_file, old, folder);
    data.Scenes().UpdateAll([&](SceneEntry& scene) { ReplaceAll(scene.fileName, old, folder); });
    data.output_folder = folder;
    ReloadAfterOutputChange();
}

void SceneFileActions::ChangeOutputName(const QString& text) {
    const std::string name = text.trimmed().toStdString();
    if (name.empty()) return;
    if (name == m_page.Data().output_name) {
        m_page.UpdateData(true);
        return;
    }
    m_page.Data().output_name = name;
    ReloadAfterOutputChange();
}

void SceneFileActions::ReloadAfterOutputChange() {
    CTarneloData& data = m_page.Data();
    AutoSave(false);
    // Reloading from the file would throw the change away when nothing saved it; then the input is
    // prepared again in place.
    if (data.auto_save && platform::FileExists(data.project_file)) {
        LoadProjectFile(QString::fromStdString(data.project_file), true);
    } else if (!data.input_file.empty()) {
        PrepareProjectInput();
    }
    m_page.UpdateControlStates(true);
    m_page.UpdateData(true);
}

void SceneFileActions::AfterFolderDeleted() {
    LoadProjectFile(QString::fromStdString(m_page.Data().project_file), true);
    m_page.UpdateControlStates(true);
}

// --- the scene list ---

void SceneFileActions::ResetSceneList(bool rebuild) {
    CTarneloData& data = m_page.Data();
    if (!rebuild) {
        m_panels.captions->ResetKind();
        m_panels.captions->Load();
        m_page.UpdateData(true);
        DeleteFiles(data.output_folder + SegmentFileBase(data.input_file) + "*.mp4");
        return;
    }
    m_page.Engine().InstallDefaultSceneList();
    m_lists.DropCellEdit();
    m_lists.FillList(data.list_idx);
    m_page.Host()->ResetStatusBar();
    m_panels.captions->Load();
    m_page.UpdateData(true);
    DeleteFiles(data.output_folder + SegmentFileBase(data.input_file) + "*.mp4");
    m_scene.RefreshMergeInfo();
    m_scene.RefreshPreview();
    m_page.UpdateControlStates(true);
    m_panels.preview->PlayStopButton()->setFocus();
}

void SceneFileActions::PrepareSceneList(bool keep) {
    CTarneloData& data = m_page.Data();
    // A kept list is rebuilt only when it is empty: a project saved without a selection keeps its scenes.
    if (!keep || data.Scenes().Empty()) m_page.Engine().InstallDefaultSceneList();
    const int count = data.Scenes().Size();
    if (data.list_idx >= count) data.list_idx = count - 1;
    if (data.list_idx < 0 && count > 0) data.list_idx = 0;
    m_panels.captions->Load();
    m_panels.preview->VolumeSlider()->setValue(data.play_vol);
    if (count == 0) m_page.Host()->ResetStatusBar();
    m_lists.FillList(data.list_idx);
    m_scene.RefreshMergeInfo();
}
