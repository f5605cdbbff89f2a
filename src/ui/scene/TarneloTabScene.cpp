#include "ui/scene/TarneloTabScene.h"

#include <QApplication>
#include <QFileInfo>

#include "app/AppFileDialog.h"
#include "app/AppHelpDialog.h"
#include "app/AppShell.h"
#include "app/Language.h"
#include "platform/Path.h"

namespace {

void CentreOver(QWidget* window, const QWidget* over) {
    const QPoint centre = over->mapToGlobal(over->rect().center());
    window->move(centre - QPoint(window->width() / 2, window->height() / 2));
}

}  // namespace

CTarneloTabScene::CTarneloTabScene(TabHost* host, bool cudaPresent, QWidget* parent)
    : CTabPage(host, cudaPresent, parent) {
    setObjectName(QStringLiteral("sceneTab"));
    // A project chosen for automatic load keeps its name through the first reset.
    const bool keep = !m_data.project_file.empty() && platform::FileExists(m_data.project_file);
    m_data.ResetAll(keep);
}

void CTarneloTabScene::NewProject() {
    StopJob();
    m_data.ResetAll(false);
    Host()->ResetStatusBar();
}

int CTarneloTabScene::LoadProjectFile(const QString& path, bool force) {
    const std::string file = path.toStdString();
    if (file == m_data.project_file && m_data.auto_save && !force) return 1;
    if (!platform::FileExists(file)) return -1;
    if (!m_data.project_file.empty() && m_data.project_file != file) AutoSave(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Host()->ResetStatusBar();
    m_data.ResetAll(false);
    const bool loaded = m_data.LoadProject(file);
    if (loaded) {
        m_data.project_file = file;
        m_data.UpdateTitle();
        AutoSave(false);
        Host()->App().AddRecentFile(path);
    }
    QApplication::restoreOverrideCursor();
    UpdateData(true);
    return loaded ? 1 : 0;
}

void CTarneloTabScene::AutoSave(bool force) {
    if (!m_data.auto_save && !force) return;
    std::string path = m_data.project_file;
    if (path.empty()) {
        if (m_data.input_file.empty()) return;
        path = m_data.input_file + ".kpproj";
    }
    m_data.SaveProject(path);
}

void CTarneloTabScene::OpenProject() {
    StopJob();
    const QString project = QString::fromStdString(m_data.project_file);
    const int cut = project.lastIndexOf(QLatin1Char('/'));
    CAppFileDialog dialog(true, QStringLiteral("kpproj"), project.mid(cut + 1), ProjectFilter(), this);
    if (cut >= 0) dialog.SetInitialFolder(project.left(cut + 1));
    dialog.setWindowTitle(ResText(3098));
    if (dialog.DoModal() != QDialog::Accepted) return;
    LoadProjectFile(dialog.GetPathName(), false);
}

void CTarneloTabScene::SaveProjectAs() {
    const QString project = QString::fromStdString(m_data.project_file);
    const int cut = project.lastIndexOf(QLatin1Char('/'));
    CAppFileDialog dialog(false, QStringLiteral("kpproj"), project.mid(cut + 1), ProjectFilter(), this);
    if (cut >= 0) dialog.SetInitialFolder(project.left(cut + 1));
    dialog.SetOverwritePrompt(true);
    dialog.setWindowTitle(ResText(3099));
    if (dialog.DoModal() != QDialog::Accepted) return;
    const std::string path = dialog.GetPathName().toStdString();
    if (!m_data.SaveProject(path)) {
        Host()->ShowMessage(ResText(3075));
        return;
    }
    m_data.project_file = path;
    m_data.UpdateTitle();
}

void CTarneloTabScene::DropFiles(const QStringList& files) {
    if (IsBusy() || files.isEmpty()) return;
    QString file = files.first();
    const bool isProject = file.endsWith(QLatin1String(".kpproj"), Qt::CaseInsensitive);
    if (!isProject && QFileInfo(file + QStringLiteral(".kpproj")).isFile()) file += QStringLiteral(".kpproj");
    StopJob();
    if (file.endsWith(QLatin1String(".kpproj"), Qt::CaseInsensitive)) LoadProjectFile(file, false);
    // Opening a dropped video as a new input belongs to the scene workflow's input handling.
}

void CTarneloTabScene::OpenInformation(int kind, int titleId) {
    if (m_infoWindow) m_infoWindow->close();
    auto* window = new CAppHelpDialog(this, kind, titleId, this);
    if (!window->Create()) {
        delete window;
        return;
    }
    m_infoWindow = window;
    window->show();
    CentreOver(window, this);
}
