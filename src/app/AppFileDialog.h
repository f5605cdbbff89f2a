#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

// Every open and save dialog of the program. The filter is given as "A|a;b|B|b||". An open dialog selects
// its initial file name when it first shows, so typing replaces it; a save dialog leaves the caret alone.
class CAppFileDialog : public QFileDialog {
    Q_OBJECT
public:
    CAppFileDialog(bool openFileDialog, const QString& defaultExt, const QString& fileName, const QString& filter,
                   QWidget* parent = nullptr);

    void SetInitialFolder(const QString& folder) { setDirectory(folder); }
    void SetOverwritePrompt(bool on) { setOption(QFileDialog::DontConfirmOverwrite, !on); }
    // QDialog::Accepted or QDialog::Rejected.
    int DoModal();
    QString GetPathName() const { return m_pathName; }
    // Every file chosen in a dialog that takes several (ExistingFiles).
    QStringList GetPathNames() const { return m_pathNames; }

    // Test hook: the next DoModal answers with this file at once (an empty text cancels); several files are
    // given one per line.
    static void SetNextFileName(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool m_open;
    bool m_selected = false;
    QString m_pathName;
    QStringList m_pathNames;
};

// The output-folder choice; the folder name is selected when the dialog first shows.
class CAppFolderPickerDialog : public QFileDialog {
    Q_OBJECT
public:
    CAppFolderPickerDialog(const QString& folder, const QString& title, QWidget* parent = nullptr);
    int DoModal();
    // The chosen folder, without a trailing separator.
    QString GetFolderPath() const { return m_folder; }

    static void SetNextFolder(const QString& folder);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool m_selected = false;
    QString m_folder;
};

// Selects all text of the file-name box of a widget-based file dialog (false when it has none).
bool SelectFileNameText(QFileDialog* dialog);
