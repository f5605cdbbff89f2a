// The merge tab's files: adding videos, the output folder and file, and the converted files.
#include <QMenu>
#include <QPushButton>

#include "app/AppFileDialog.h"
#include "app/Language.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/ConvertMerge.h"
#include "platform/Path.h"
#include "project/FileHelpers.h"
#include "project/MergeInputs.h"
#include "ui/common/FilesPanel.h"
#include "ui/common/JobStatus.h"
#include "ui/lists/ListContextMenu.h"
#include "ui/lists/MergeListModel.h"
#include "ui/lists/SceneEditRules.h"
#include "ui/lists/SceneListView.h"
#include "ui/merge/MergeListEditor.h"
#include "ui/merge/MergePanels.h"
#include "ui/merge/MergeRules.h"
#include "ui/merge/TarneloTabMerge.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"

// --- adding videos ---

void CTarneloTabMerge::DropFiles(const QStringList& files) {
    if (IsBusy()) return;
    window()->activateWindow();
    AddVideos(files);
}

void CTarneloTabMerge::ChooseFiles() {
    if (IsBusy()) return;
    CAppFileDialog dialog(true, QStringLiteral("mp4"), QString(), VideoFilter(), this);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setWindowTitle(ResText(3171).remove(QStringLiteral("...")));
    if (!m_data.input_file.empty()) dialog.SetInitialFolder(QString::fromStdString(FolderPart(m_data.input_file)));
    if (dialog.DoModal() != QDialog::Accepted) return;
    AddVideos(dialog.GetPathNames());
}

bool CTarneloTabMerge::AcceptVideo(const std::string& path) {
    const std::vector<SceneEntry> videos = m_data.Scenes().Snapshot();
    // The first video of an empty list proposes the folder its converted file goes to.
    const std::string folder =
        videos.empty() && m_data.output_folder.empty() ? MergeOutputFolder(path) : m_data.output_folder;
    const std::string converted = ConvertedFileName(folder, path, Size(), Rate());
    const MergeClash clash = FindAddClash(videos, path, converted, m_data.GetOutputPath());
    if (!clash) return true;
    ShowClash(clash);
    return false;
}

bool CTarneloTabMerge::AcceptJob() {
    const MergeClash clash = FindMergeClash(m_data.Scenes().Snapshot(), m_data.GetOutputPath());
    if (!clash) return true;
    ShowClash(clash);
    return false;
}

void CTarneloTabMerge::ShowClash(const MergeClash& clash) {
    const int text = clash.kind == MergeClash::kSameConverted ? 3172 : 3173;
    QString detail = QString::fromStdString(clash.input);
    if (!clash.other.empty()) detail += QLatin1Char('\n') + QString::fromStdString(clash.other);
    Host()->ShowMessage(ResText(text) + QStringLiteral("\n\n") + detail);
}

int CTarneloTabMerge::AddVideos(const QStringList& files) {
    if (files.isEmpty()) return 0;
    // Adding is the tab's own preparation of its inputs: the tab buttons and the jobs wait for it.
    SetPreparingInput(true);
    DisableAll();
    m_jobs->StopButton()->setEnabled(false);
    int added = 0;
    for (const QString& file : files) {
        const std::string path = file.toStdString();
        if (!platform::FileExists(path)) continue;
        // ffprobe decides what a video is; the window keeps serving while it reads the file.
        bool rejected = true;
        std::string report;
        RunServingWindow([&] { rejected = m_engine->GetFfprobeReport(path, report, 1); });
        if (rejected || !AcceptVideo(path)) continue;
        const int row = AddMergeEntry(m_data, path, m_sizeIndex, m_rateIndex);
        m_data.list_idx = row;
        m_listModel->AppendRow();
        m_listView->SelectRow(row);
        ++added;
    }
    SetPreparingInput(false);
    UpdateData(true);
    RefreshMergeInfo();
    UpdateControlStates(true);
    return added;
}

// --- the output ---

void CTarneloTabMerge::ChooseOutputFolder() {
    StopJob();
    const QString folder = CFilesPanel::AskOutputFolder(this, m_data.output_folder);
    if (!folder.isEmpty()) ChangeOutputFolder(folder);
}

void CTarneloTabMerge::ChooseOutputFile() {
    StopJob();
    const std::string path = CFilesPanel::AskOutputFile(this, m_data);
    if (path.empty()) return;
    const std::string folder = SetTrailingSeparator(FolderPart(path), true);
    m_data.output_name = FileNamePart(path);
    if (folder != m_data.output_folder) {
        ChangeOutputFolder(QString::fromStdString(folder));
        return;
    }
    UpdateData(true);
    UpdateControlStates(true);
}

void CTarneloTabMerge::ChangeOutputFolder(const QString& text) {
    std::string folder = text.trimmed().toStdString();
    if (folder.empty()) return;
    folder = SetTrailingSeparator(folder, true);
    if (folder != m_data.output_folder) {
        // The converted files move with the folder; nothing is read back, the tab has no project file.
        const std::string old = m_data.output_folder;
        m_data.Scenes().UpdateAll([&](SceneEntry& video) {
            if (!old.empty() && video.fileName.compare(0, old.size(), old) == 0) {
                video.fileName = folder + video.fileName.substr(old.size());
            }
        });
        m_data.output_folder = folder;
    }
    UpdateData(true);
    UpdateControlStates(true);
}

void CTarneloTabMerge::ChangeOutputName(const QString& text) {
    const std::string name = text.trimmed().toStdString();
    if (!name.empty()) m_data.output_name = name;
    UpdateData(true);
    UpdateControlStates(true);
}

void CTarneloTabMerge::DeleteOutputFolder() {
    if (!Confirm(3118)) return;
    StopJob();
    m_engine->WaitBackgroundDrained();
    if (!DeleteFolder(SetTrailingSeparator(m_data.output_folder, false))) {
        Host()->ShowMessage(ResText(3166) + QLatin1Char('\n') + QString::fromStdString(m_data.output_folder));
    }
    // A video whose working copy was in the folder is analysed again from the file that was dropped.
    m_data.Scenes().UpdateAll([](SceneEntry& video) {
        if (video.m_sourcePath.empty() || platform::FileExists(video.m_fileToUse)) return;
        video.m_fileToUse = video.m_sourcePath;
        video.m_sourcePath.clear();
        video.m_created = false;
    });
    m_lists->FillList(m_data.list_idx);
    RefreshMergeInfo();
    m_preview->Pane()->Clear();
    UpdateControlStates(true);
    UpdateData(true);
}

void CTarneloTabMerge::DeleteConvertedFiles() {
    if (m_data.output_folder.empty()) return;
    DeleteFiles(ConvertedFilePattern(SetTrailingSeparator(m_data.output_folder, true), Size(), Rate()));
}

void CTarneloTabMerge::ClearList() {
    StopPlayer();
    DeleteConvertedFiles();
    m_data.Scenes().Clear();
    m_data.list_idx = -1;
    m_lists->FillList(-1);
    Host()->ResetStatusBar();
    RefreshMergeInfo();
    UpdateData(true);
    UpdateControlStates(true);
    m_preview->PlayStopButton()->setFocus();
}
