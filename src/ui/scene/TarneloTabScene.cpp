#include "ui/scene/TarneloTabScene.h"

#include <QApplication>

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
    : CTabPage(host, cudaPresent, parent), m_session(m_data, this) {
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
    return m_session.Load(path.toStdString(), force);
}

void CTarneloTabScene::LoadStarting() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Host()->ResetStatusBar();
}

void CTarneloTabScene::ProjectOpened(const std::string& path) {
    Host()->App().AddRecentFile(QString::fromStdString(path));
}

void CTarneloTabScene::LoadFinished(bool loaded) {
    (void)loaded;
    QApplication::restoreOverrideCursor();
    UpdateData(true);
}

void CTarneloTabScene::AutoSave(bool force) { m_session.AutoSave(force); }

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
    if (!m_session.SaveAs(dialog.GetPathName().toStdString())) Host()->ShowMessage(ResText(3075));
}

void CTarneloTabScene::DropFiles(const QStringList& files) {
    if (IsBusy() || files.isEmpty()) return;
    std::string file = files.first().toStdString();
    // A video dropped beside its project opens the project.
    if (!IsProjectPath(file) && platform::FileExists(DefaultProjectPath(file))) file = DefaultProjectPath(file);
    StopJob();
    if (IsProjectPath(file)) LoadProjectFile(QString::fromStdString(file), false);
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
