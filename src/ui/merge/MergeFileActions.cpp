#include "ui/merge/MergeFileActions.h"

#include <QPushButton>

#include "app/AppFileDialog.h"
#include "app/Language.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/ConvertMerge.h"
#include "platform/Path.h"
#include "project/FileHelpers.h"
#include "project/MergeInputs.h"
#include "ui/common/FilesPanel.h"
#include "ui/common/TabPage.h"
#include "ui/lists/MergeListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/merge/MergeListEditor.h"
#include "ui/merge/MergePanels.h"
#include "ui/merge/MergeRules.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"

MergeFileActions::MergeFileActions(MergePage& page, const MergeTabPanels& panels, MergeListEditor& lists)
    : PageFileActions(page.Page()), m_merge(page), m_panels(panels), m_lists(lists) {}

void MergeFileActions::NewProject() {
    CTarneloData& data = m_page.Data();
    m_page.StopJob();
    data.ResetAll(false);
    data.project_file.clear();
    data.auto_save = false;
    m_lists.FillList(-1);
    m_page.Host()->ResetStatusBar();
    m_panels.preview->Pane()->Clear();
    m_merge.RefreshMergeInfo();
    m_page.UpdateData(true);
    m_page.UpdateControlStates(true);
}

// --- adding videos ---

void MergeFileActions::DropFiles(const QStringList& files) {
    if (m_page.IsBusy()) return;
    m_page.window()->activateWindow();
    AddVideos(files);
}

void MergeFileActions::ChooseInput() {
    if (m_page.IsBusy()) return;
    CAppFileDialog dialog(true, QStringLiteral("mp4"), QString(), CTabPage::VideoFilter(), &m_page);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setWindowTitle(ResText(3171).remove(QStringLiteral("...")));
    if (!m_page.Data().input_file.empty())
        dialog.SetInitialFolder(QString::fromStdString(FolderPart(m_page.Data().input_file)));
    if (dialog.DoModal() != QDialog::Accepted) return;
    AddVideos(dialog.GetPathNames());
}

bool MergeFileActions::AcceptVideo(const std::string& path) {
    const std::vector<SceneEntry> videos = m_page.Data().Scenes().Snapshot();
    // The first video of an empty list proposes the folder its converted file goes to.
    const std::string folder =
        videos.empty() && m_page.Data().output_folder.empty() ? MergeOutputFolder(path) : m_page.Data().output_folder;
    const std::string converted = ConvertedFileName(folder, path, m_merge.Size(), m_merge.Rate());
    const MergeClash clash = FindAddClash(videos, path, converted, m_page.Data().GetOutputPath());
    if (!clash) return true;
    ShowClash(clash);
    return false;
}

bool MergeFileActions::AcceptJob() {
    const MergeClash clash = FindMergeClash(m_page.Data().Scenes().Snapshot(), m_page.Data().GetOutputPath());
    if (!clash) return true;
    ShowClash(clash);
    return false;
}

void MergeFileActions::ShowClash(const MergeClash& clash) {
    const int text = clash.kind == MergeClash::kSameConverted ? 3172 : 3173;
    QString detail = QString::fromStdString(clash.input);
    if (!clash.other.empty()) detail += QLatin1Char('\n') + QString::fromStdString(clash.other);
    m_page.Host()->ShowMessage(ResText(text) + QStringLiteral("\n\n") + detail);
}

int MergeFileActions::AddVideos(const QStringList& files) {
    if (files.isEmpty()) return 0;
    // Adding is the tab's own preparation of its inputs: the tab buttons and the jobs wait for it.
    m_page.SetPreparingInput(true);
    m_merge.DisableAll();
    m_panels.jobs->StopButton()->setEnabled(false);
    int added = 0;
    for (const QString& file : files) {
        const std::string path = file.toStdString();
        if (!platform::FileExists(path)) continue;
        // ffprobe decides what a video is; the window keeps serving while it reads the file.
        bool rejected = true;
        std::string report;
        m_page.RunServingWindow([&] { rejected = m_page.Engine().GetFfprobeReport(path, report, 1); });
        if (rejected || !AcceptVideo(path)) continue;
        const int row = AddMergeEntry(m_page.Data(), path, m_merge.SizeIndex(), m_merge.RateIndex());
        m_page.Data().list_idx = row;
        m_panels.listModel->AppendRow();
        m_panels.listView->SelectRow(row);
        ++added;
    }
    m_page.SetPreparingInput(false);
    m_page.UpdateData(true);
    m_merge.RefreshMergeInfo();
    m_page.UpdateControlStates(true);
    return added;
}

// --- the output ---

void MergeFileActions::ChooseOutputFile() {
    m_page.StopJob();
    const std::string path = CFilesPanel::AskOutputFile(&m_page, m_page.Data());
    if (path.empty()) return;
    const std::string folder = SetTrailingSeparator(FolderPart(path), true);
    m_page.Data().output_name = FileNamePart(path);
    if (folder != m_page.Data().output_folder) {
        ChangeOutputFolder(QString::fromStdString(folder));
        return;
    }
    m_page.UpdateData(true);
    m_page.UpdateControlStates(true);
}

void MergeFileActions::ChangeOutputFolder(const QString& text) {
    std::string folder = text.trimmed().toStdString();
    if (folder.empty()) return;
    folder = SetTrailingSeparator(folder, true);
    if (folder != m_page.Data().output_folder) {
        // The converted files move with the folder; nothing is read back, the tab has no project file.
        const std::string old = m_page.Data().output_folder;
        m_page.Data().Scenes().UpdateAll([&](SceneEntry& video) {
            if (!old.empty() && video.fileName.compare(0, old.size(), old) == 0) {
                video.fileName = folder + video.fileName.substr(old.size());
            }
        });
        m_page.Data().output_folder = folder;
    }
    m_page.UpdateData(true);
    m_page.UpdateControlStates(true);
}

void MergeFileActions::ChangeOutputName(const QString& text) {
    const std::string name = text.trimmed().toStdString();
    if (!name.empty()) m_page.Data().output_name = name;
    m_page.UpdateData(true);
    m_page.UpdateControlStates(true);
}

void MergeFileActions::AfterFolderDeleted() {
    // A video whose working copy was in the folder is analysed again from the file that was dropped.
    m_page.Data().Scenes().UpdateAll([](SceneEntry& video) {
        if (video.m_sourcePath.empty() || platform::FileExists(video.m_fileToUse)) return;
        video.m_fileToUse = video.m_sourcePath;
        video.m_sourcePath.clear();
        video.m_created = false;
    });
    m_lists.FillList(m_page.Data().list_idx);
    m_merge.RefreshMergeInfo();
    m_panels.preview->Pane()->Clear();
    m_page.UpdateControlStates(true);
    m_page.UpdateData(true);
}

void MergeFileActions::DeleteConvertedFiles() {
    if (m_page.Data().output_folder.empty()) return;
    DeleteFiles(
        ConvertedFilePattern(SetTrailingSeparator(m_page.Data().output_folder, true), m_merge.Size(), m_merge.Rate()));
}

void MergeFileActions::ClearList() {
    m_merge.StopPlayer();
    DeleteConvertedFiles();
    m_page.Data().Scenes().Clear();
    m_page.Data().list_idx = -1;
    m_lists.FillList(-1);
    m_page.Host()->ResetStatusBar();
    m_merge.RefreshMergeInfo();
    m_page.UpdateData(true);
    m_page.UpdateControlStates(true);
    m_panels.preview->PlayStopButton()->setFocus();
}
