#include "app/AppFileDialog.h"

#include <QLineEdit>
#include <QTimer>
#include <deque>

#include "app/FileDialogFilter.h"

namespace {

std::deque<QString> g_nextFileNames;
std::deque<QString> g_nextFolders;

}  // namespace

bool SelectFileNameText(QFileDialog* dialog) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit == nullptr) return false;
    edit->setFocus();
    edit->selectAll();
    return true;
}

CAppFileDialog::CAppFileDialog(bool openFileDialog, const QString& defaultExt, const QString& fileName,
                               const QString& filter, QWidget* parent)
    : QFileDialog(parent), m_open(openFileDialog) {
    setObjectName(QStringLiteral("appFileDialog"));
    // The widget-based dialog, so its file-name box can be reached on every desktop.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(openFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    setFileMode(openFileDialog ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    setDefaultSuffix(defaultExt);
    const QStringList filters = ConvertFilterText(filter);
    if (!filters.isEmpty()) setNameFilters(filters);
    if (!fileName.isEmpty()) selectFile(fileName);
}

void CAppFileDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    if (m_selected || !m_open) return;
    m_selected = true;
    QTimer::singleShot(0, this, [this] { SelectFileNameText(this); });
}

int CAppFileDialog::DoModal() {
    if (!g_nextFileNames.empty()) {
        m_pathNames = g_nextFileNames.front().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        g_nextFileNames.pop_front();
        m_pathName = m_pathNames.isEmpty() ? QString() : m_pathNames.first();
        return m_pathName.isEmpty() ? QDialog::Rejected : QDialog::Accepted;
    }
    const int result = exec();
    m_pathNames = result == QDialog::Accepted ? selectedFiles() : QStringList();
    m_pathName = m_pathNames.isEmpty() ? QString() : m_pathNames.first();
    return result;
}

void CAppFileDialog::SetNextFileName(const QString& path) { g_nextFileNames.push_back(path); }

CAppFolderPickerDialog::CAppFolderPickerDialog(const QString& folder, const QString& title, QWidget* parent)
    : QFileDialog(parent) {
    setObjectName(QStringLiteral("appFolderDialog"));
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ShowDirsOnly, true);
    setFileMode(QFileDialog::Directory);
    setWindowTitle(title);
    if (!folder.isEmpty()) setDirectory(folder);
}

void CAppFolderPickerDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    if (m_selected) return;
    m_selected = true;
    QTimer::singleShot(0, this, [this] { SelectFileNameText(this); });
}

int CAppFolderPickerDialog::DoModal() {
    if (!g_nextFolders.empty()) {
        m_folder = g_nextFolders.front();
        g_nextFolders.pop_front();
        return m_folder.isEmpty() ? QDialog::Rejected : QDialog::Accepted;
    }
    const int result = exec();
    m_folder = result == QDialog::Accepted && !selectedFiles().isEmpty() ? selectedFiles().first() : QString();
    return result;
}

void CAppFolderPickerDialog::SetNextFolder(const QString& folder) { g_nextFolders.push_back(folder); }
