#include "ui/common/PageFileActions.h"

#include <QPushButton>

#include "app/Language.h"
#include "engine/jobs/JobTables.h"
#include "project/FileHelpers.h"
#include "ui/common/FilesPanel.h"
#include "ui/common/TabPage.h"

void PageFileActions::Connect(CFilesPanel* panel, const std::function<void(int job)>& play) {
    connect(panel->InputButton(), &QPushButton::clicked, this, [this] { ChooseInput(); });
    connect(panel->PlayInputButton(), &QPushButton::clicked, this, [play] { play(kJobInputPreview); });
    connect(panel->OutputFolderButton(), &QPushButton::clicked, this, [this] { ChooseOutputFolder(); });
    connect(panel->OutputFileButton(), &QPushButton::clicked, this, [this] { ChooseOutputFile(); });
    connect(panel->DeleteFolderButton(), &QPushButton::clicked, this, [this] { DeleteOutputFolder(); });
    connect(panel->PlayOutputButton(), &QPushButton::clicked, this, [play] { play(kJobOutputPreview); });
    connect(panel, &CFilesPanel::InputTyped, this, [this](const QString& path) { OpenInputVideo(path); });
    connect(panel, &CFilesPanel::OutputFolderTyped, this,
            [this](const QString& folder) { ChangeOutputFolder(folder); });
    connect(panel, &CFilesPanel::OutputNameTyped, this, [this](const QString& name) { ChangeOutputName(name); });
}

int PageFileActions::LoadProjectFile(const QString& path, bool force) {
    (void)path;
    (void)force;
    return -1;
}

void PageFileActions::ChooseOutputFolder() {
    m_page.StopJob();
    const QString folder = CFilesPanel::AskOutputFolder(&m_page, m_page.Data().output_folder);
    if (!folder.isEmpty()) ChangeOutputFolder(folder);
}

void PageFileActions::DeleteOutputFolder() {
    if (!m_page.Confirm(3118)) return;
    m_page.StopJob();
    m_page.Engine().WaitBackgroundDrained();
    const std::string& folder = m_page.Data().output_folder;
    if (!DeleteFolder(SetTrailingSeparator(folder, false))) {
        m_page.Host()->ShowMessage(ResText(3166) + QLatin1Char('\n') + QString::fromStdString(folder));
    }
    AfterFolderDeleted();
}
