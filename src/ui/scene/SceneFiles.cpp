// The scene tab's files and projects: the input video, the output folder and file, project files, dropped
// files and the scene list's reset.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/AppFileDialog.h"
#include "app/AppShell.h"
#include "app/Language.h"
#include "engine/jobs/JobTables.h"
#include "engine/scenes/SceneRules.h"
#include "engine/tools/PumpWait.h"
#include "platform/Path.h"
#include "project/FileHelpers.h"
#include "ui/common/FilesPanel.h"
#include "ui/common/JobStatus.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"
#include "ui/scene/CaptionPanel.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/SceneMotionTuner.h"
#include "ui/scene/TarneloTabScene.h"

namespace {

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

void CTarneloTabScene::ConnectFiles() {
    connect(m_files->InputButton(), &QPushButton::clicked, this, &CTarneloTabScene::ChooseInputFile);
    connect(m_files->OutputFolderButton(), &QPushButton::clicked, this, &CTarneloTabScene::ChooseOutputFolder);
    connect(m_files->OutputFileButton(), &QPushButton::clicked, this, &CTarneloTabScene::ChooseOutputFile);
    connect(m_files->DeleteFolderButton(), &QPushButton::clicked, this, &CTarneloTabScene::DeleteOutputFolder);
    connect(m_files, &CFilesPanel::InputTyped, this, &CTarneloTabScene::OpenInputVideo);
    connect(m_files, &CFilesPanel::OutputFolderTyped, this, &CTarneloTabScene::ChangeOutputFolder);
    connect(m_files, &CFilesPanel::OutputNameTyped, this, &CTarneloTabScene::ChangeOutputName);
}

std::string CTarneloTabScene::SegmentName() const { return SegmentFileBase(m_data.input_file); }

void CTarneloTabScene::BeginPreparing() {
    SetLocalJob(kJobPrepareInput);
    SetWaitCursor(true);
    DisableAll();
    Host()->ResetStatusBar();
}

void CTarneloTabScene::EndPreparing() {
    SetLocalJob(0);
    m_engine->RequestCancel(false);
    SetWaitCursor(false);
    m_motion->ReloadMotionRecord();
}

// --- projects ---

void CTarneloTabScene::NewProject() {
    StopJob();
    m_data.ResetAll(false);
    m_captions->ResetKind();
    m_motion->ReloadMotionRecord();
    m_lists->FillList(-1);
    Host()->ResetStatusBar();
    m_preview->Pane()->Clear();
    ReloadCaptions();
    RefreshMergeInfo();
    UpdateData(true);
    UpdateControlStates(true);
}

int CTarneloTabScene::LoadProjectFile(const QString& path, bool force) {
    if (LocalJob() != 0) return ProjectSession::kMissing;
    return m_session.Load(path.toStdString(), force);
}

void CTarneloTabScene::LoadStarting() {
    m_loadingProject = true;
    SetWaitCursor(true);
    DisableAll();
    Host()->ResetStatusBar();
}

void CTarneloTabScene::ProjectOpened(const std::string& path) {
    Host()->App().AddRecentFile(QString::fromStdString(path));
}

void CTarneloTabScene::LoadFinished(bool loaded) {
    SetWaitCursor(false);
    m_captions->ResetKind();
    if (loaded) {
        PrepareProjectInput();
    } else {
        m_jobStatus->StopTimer();
        m_lists->FillList(-1);
    }
    m_loadingProject = false;
    ReloadCaptions();
    RefreshMergeInfo();
    UpdateData(true);
    UpdateControlStates(true);
    m_preview->PlayStopButton()->setFocus();
}

bool CTarneloTabScene::PrepareProjectInput() {
    m_lists->FillList(m_data.list_idx);
    if (m_data.input_file.empty() || !platform::FileExists(m_data.input_file)) return false;
    BeginPreparing();
    VideoInfo info;
    int probe = -1;
    RunServingWindow([&] { probe = m_engine->GetVideoInfoFfprobe(m_data.input_file, info); });
    int prepared = -1;
    if (probe == 0) {
        m_jobStatus->StartTimer();
        prepared = m_engine->PrepareInput(true);
        m_jobStatus->StopTimer();
        if (prepared == 0) AutoSave(false);
    }
    EndPreparing();
    return prepared == 0;
}

void CTarneloTabScene::AutoSave(bool force) {
    const std::string target = m_session.SaveTarget();
    switch (m_session.AutoSave(force)) {
        case ProjectSession::SaveOutcome::kWritten:
            m_failedSave.clear();
            break;
        case ProjectSession::SaveOutcome::kFailed:
            // Every change saves again; the same failure is told once, not at each keystroke.
            if (force || target != m_failedSave)
                Host()->ShowMessage(ResText(3075) + QLatin1Char('\n') + QString::fromStdString(target));
            m_failedSave = target;
            break;
        case ProjectSession::SaveOutcome::kSkipped:
            break;
    }
}

void CTarneloTabScene::SaveProject() { AutoSave(true); }

void CTarneloTabScene::OpenProject() {
    StopJob();
    CAppFileDialog dialog(true, QStringLiteral("kpproj"), NamePart(m_data.project_file), ProjectFilter(), this);
    StartAt(dialog, QString::fromStdString(m_data.project_file), 3098);
    if (dialog.DoModal() != QDialog::Accepted) return;
    LoadProjectFile(dialog.GetPathName(), false);
}

void CTarneloTabScene::SaveProjectAs() {
    CAppFileDialog dialog(false, QStringLiteral("kpproj"), NamePart(m_data.project_file), ProjectFilter(), this);
    StartAt(dialog, QString::fromStdString(m_data.project_file), 3099);
    dialog.SetOverwritePrompt(true);
    if (dialog.DoModal() != QDialog::Accepted) return;
    if (!m_session.SaveAs(dialog.GetPathName().toStdString())) Host()->ShowMessage(ResText(3075));
}

// --- the input video ---

void CTarneloTabScene::OpenInputVideo(const QString& path) { OpenVideo(path.toStdString(), false, false); }

void CTarneloTabScene::OpenVideo(const std::string& path, bool newProject, bool report) {
    if (LocalJob() == kJobPrepareInput) {
        // The video being prepared gives way: it stops, and this one opens when its wait has ended.
        m_pendingInput = path;
        m_pendingNewProject = newProject;
        m_engine->RequestCancel(true);
        return;
    }
    if (LocalJob() != 0 || m_loadingProject) return;
    if (path == m_data.input_file && !newProject) return;
    if (!platform::FileExists(path)) {
        UpdateData(true);
        if (report) Host()->ShowMessage(ResText(3165) + QLatin1Char('\n') + QString::fromStdString(path));
        return;
    }
    StopJob();
    BeginPreparing();
    VideoInfo info;
    int probe = -1;
    RunServingWindow([&] { probe = m_engine->GetVideoInfoFfprobe(path, info); });
    const bool stopped = m_engine->CancelRequested();
    if (probe != 0 || info.frame_num <= 0 || !(info.fps > 0)) {
        EndPreparing();
        UpdateData(true);
        UpdateControlStates(true);
        if (report && !stopped && m_pendingInput.empty()) {
            Host()->ShowMessage(ResText(3165) + QLatin1Char('\n') + QString::fromStdString(path));
        }
        OpenPendingInput();
        return;
    }

    if (newProject) m_data.ResetAll(false);
    const std::string projectFile = m_data.project_file;
    const std::string outputFolder = m_data.output_folder;
    const std::string outputName = m_data.output_name;
    const CaptionParam watermark = m_data.capWatermark;
    const CaptionParam title = m_data.capTitle;
    m_data.ResetAll(false);
    m_data.project_file = projectFile;
    m_data.output_folder = outputFolder;
    m_data.output_name = outputName;
    m_data.capWatermark = watermark;
    m_data.capTitle = title;
    ApplyVideoDefaults(m_data, path);
    // Preparation probes the input again; the count is kept so a container without one is not decoded twice.
    m_data.m_sourceInfo = info;
    m_captions->ResetKind();
    m_lists->FillList(-1);
    ReloadCaptions();
    UpdateData(true);
    AutoSave(false);

    m_jobStatus->StartTimer();
    const int prepared = m_engine->PrepareInput(false);
    m_jobStatus->StopTimer();
    if (prepared == 0) {
        AutoSave(false);
        Host()->App().AddRecentFile(QString::fromStdString(m_session.SaveTarget()));
    }
    EndPreparing();
    RefreshMergeInfo();
    UpdateData(true);
    UpdateControlStates(true);
    if (prepared == 0) m_preview->PlayStopButton()->setFocus();
    OpenPendingInput();
}

void CTarneloTabScene::OpenPendingInput() {
    if (m_pendingInput.empty()) return;
    const std::string path = std::move(m_pendingInput);
    m_pendingInput.clear();
    const bool newProject = m_pendingNewProject;
    // Not nested inside the wait that has just ended.
    QMetaObject::invokeMethod(
        this, [this, path, newProject] { OpenVideo(path, newProject, true); }, Qt::QueuedConnection);
}

void CTarneloTabScene::DropFiles(const QStringList& files) {
    std::string file;
    for (const QString& f : files) {
        if (platform::FileExists(f.toStdString())) {
            file = f.toStdString();
            break;
        }
    }
    if (file.empty()) {
        if (!files.isEmpty()) Host()->ShowMessage(ResText(3165) + QLatin1Char('\n') + files.first());
        return;
    }
    // A video dropped beside its project opens the project.
    if (!IsProjectPath(file) && platform::FileExists(DefaultProjectPath(file))) file = DefaultProjectPath(file);
    if (LocalJob() == kJobPrepareInput && !IsProjectPath(file)) {
        OpenVideo(file, true, true);
        return;
    }
    if (IsBusy()) return;
    StopJob();
    if (IsProjectPath(file) && LoadProjectFile(QString::fromStdString(file), false) != ProjectSession::kMissing) {
        return;
    }
    OpenVideo(file, true, true);
}

void CTarneloTabScene::ChooseInputFile() {
    StopJob();
    CAppFileDialog dialog(true, QStringLiteral("mp4"), NamePart(m_data.input_file), VideoFilter(), this);
    StartAt(dialog, QString::fromStdString(m_data.input_file), 3100);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.DoModal() != QDialog::Accepted) return;
    OpenVideo(dialog.GetPathName().toStdString(), false, true);
}

// --- the output ---

void CTarneloTabScene::ChooseOutputFolder() {
    StopJob();
    const QString folder = CFilesPanel::AskOutputFolder(this, m_data.output_folder);
    if (!folder.isEmpty()) ChangeOutputFolder(folder);
}

void CTarneloTabScene::ChooseOutputFile() {
    StopJob();
    const std::string path = CFilesPanel::AskOutputFile(this, m_data);
    if (path.empty() || path == m_data.GetOutputPath()) return;
    const std::string folder = FolderPart(path);
    m_data.output_name = FileNamePart(path);
    if (folder != m_data.output_folder) {
        ChangeOutputFolder(QString::fromStdString(folder));
    } else {
        ChangeOutputName(QString::fromStdString(m_data.output_name));
        ReloadAfterOutputChange();
    }
}

void CTarneloTabScene::ChangeOutputFolder(const QString& text) {
    std::string folder = text.trimmed().toStdString();
    if (folder.empty()) return;
    folder = SetTrailingSeparator(folder, true);
    if (folder == m_data.output_folder) {
        UpdateData(true);
        return;
    }
    const std::string old = m_data.output_folder;
    ReplaceAll(m_data.input_mp4_file, old, folder);
    ReplaceAll(m_data.pts_file, old, folder);
    m_data.Scenes().UpdateAll([&](SceneEntry& scene) { ReplaceAll(scene.fileName, old, folder); });
    m_data.output_folder = folder;
    ReloadAfterOutputChange();
}

void CTarneloTabScene::ChangeOutputName(const QString& text) {
    const std::string name = text.trimmed().toStdString();
    if (name.empty()) return;
    if (name == m_data.output_name) {
        UpdateData(true);
        return;
    }
    m_data.output_name = name;
    ReloadAfterOutputChange();
}

void CTarneloTabScene::ReloadAfterOutputChange() {
    AutoSave(false);
    // Reloading from the file would throw the change away when nothing saved it; then the input is
    // prepared again in place.
    if (m_data.auto_save && platform::FileExists(m_data.project_file)) {
        LoadProjectFile(QString::fromStdString(m_data.project_file), true);
    } else if (!m_data.input_file.empty()) {
        PrepareProjectInput();
    }
    UpdateControlStates(true);
    UpdateData(true);
}

void CTarneloTabScene::DeleteOutputFolder() {
    if (!Confirm(3118)) return;
    StopJob();
    m_engine->WaitBackgroundDrained();
    if (!DeleteFolder(SetTrailingSeparator(m_data.output_folder, false))) {
        Host()->ShowMessage(ResText(3166) + QLatin1Char('\n') + QString::fromStdString(m_data.output_folder));
    }
    LoadProjectFile(QString::fromStdString(m_data.project_file), true);
    UpdateControlStates(true);
}

// --- the scene list ---

void CTarneloTabScene::ResetSceneList(bool rebuild) {
    if (!rebuild) {
        m_captions->ResetKind();
        ReloadCaptions();
        UpdateData(true);
        DeleteFiles(m_data.output_folder + SegmentName() + "*.mp4");
        return;
    }
    m_engine->InstallDefaultSceneList();
    m_lists->DropCellEdit();
    m_lists->FillList(m_data.list_idx);
    Host()->ResetStatusBar();
    ReloadCaptions();
    UpdateData(true);
    DeleteFiles(m_data.output_folder + SegmentName() + "*.mp4");
    RefreshMergeInfo();
    RefreshPreview();
    UpdateControlStates(true);
    m_preview->PlayStopButton()->setFocus();
}

void CTarneloTabScene::PrepareSceneList(bool keep) {
    // A kept list is rebuilt only when it is empty: a project saved without a selection keeps its scenes.
    if (!keep || m_data.Scenes().Empty()) m_engine->InstallDefaultSceneList();
    const int count = m_data.Scenes().Size();
    if (m_data.list_idx >= count) m_data.list_idx = count - 1;
    if (m_data.list_idx < 0 && count > 0) m_data.list_idx = 0;
    ReloadCaptions();
    m_preview->VolumeSlider()->setValue(m_data.play_vol);
    if (count == 0) Host()->ResetStatusBar();
    m_lists->FillList(m_data.list_idx);
    RefreshMergeInfo();
}

void CTarneloTabScene::RefreshList(bool keepSelection) {
    if (QThread::currentThread() == thread()) {
        PrepareSceneList(keepSelection);
        return;
    }
    // The engine's worker waits; the window thread serves this while it waits for the preparation.
    QMetaObject::invokeMethod(
        this, [this, keepSelection] { PrepareSceneList(keepSelection); }, Qt::BlockingQueuedConnection);
}
