#pragma once

#include <QWidget>
#include <string>

class QLineEdit;
class QPushButton;
class CTarneloData;

// The input and output rows of a tab page: the input file (1000, 1002, 1027), the output folder (1001,
// 1051, 3113) and the output file (1080, 1003, 1028). Buttons report clicks; an edit reports its trimmed text
// when it loses the focus or Enter is pressed, and only when that text is not empty and differs from what the
// edit was given last.
//
// On the merge tab (dialog 2016) the input edit only names the video last added or selected, so it is read
// only, and the button before it adds videos instead of choosing the one input.
class CFilesPanel : public QWidget {
    Q_OBJECT
public:
    CFilesPanel(int dialog, QWidget* parent = nullptr);

    void RefreshTexts();
    // The three paths into the edits.
    void ShowData(const CTarneloData& data);

    // The scene tab's "入力ファイル", the merge tab's "add files".
    QPushButton* InputButton() const { return m_inputButton; }
    QPushButton* PlayInputButton() const { return m_playInput; }
    QPushButton* OutputFolderButton() const { return m_folderButton; }
    QPushButton* DeleteFolderButton() const { return m_deleteFolder; }
    QPushButton* OutputFileButton() const { return m_outputButton; }
    QPushButton* PlayOutputButton() const { return m_playOutput; }
    QLineEdit* InputEdit() const { return m_inputEdit; }
    QLineEdit* OutputFolderEdit() const { return m_folderEdit; }
    QLineEdit* OutputNameEdit() const { return m_nameEdit; }

    void SetFilesEnabled(bool enabled);

    // The output folder's dialog (title 3102) from folder: the folder chosen, empty when cancelled.
    static QString AskOutputFolder(QWidget* parent, const std::string& folder);
    // The output file's save dialog (title 3127, MP4 files) from the project's output: the path chosen,
    // empty when cancelled.
    static std::string AskOutputFile(QWidget* parent, const CTarneloData& data);

signals:
    void InputTyped(const QString& path);
    void OutputFolderTyped(const QString& folder);
    void OutputNameTyped(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Commit(QLineEdit* edit);

    int m_dialog;

    QPushButton* m_inputButton;
    QLineEdit* m_inputEdit;
    QPushButton* m_playInput;
    QPushButton* m_folderButton;
    QLineEdit* m_folderEdit;
    QPushButton* m_deleteFolder;
    QPushButton* m_outputButton;
    QLineEdit* m_nameEdit;
    QPushButton* m_playOutput;
};
