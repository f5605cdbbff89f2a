#include "ui/common/FilesPanel.h"

#include <QEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/AppFileDialog.h"
#include "app/Language.h"
#include "project/TarneloData.h"
#include "ui/common/ControlTexts.h"

namespace {

constexpr int kMergeDialog = 2016;
constexpr int kAddFilesText = 3171;

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

}  // namespace

CFilesPanel::CFilesPanel(int dialog, QWidget* parent) : QWidget(parent), m_dialog(dialog) {
    setObjectName(QStringLiteral("filesPanel"));
    const bool merge = dialog == kMergeDialog;
    m_inputButton = MakePageButton(this, merge ? "addFilesButton" : "inputFileButton");
    m_inputEdit = MakeEdit(this, "inputFileEdit");
    m_inputEdit->setReadOnly(merge);
    m_playInput = MakePageButton(this, "playInputButton");
    m_folderButton = MakePageButton(this, "outputFolderButton");
    m_folderEdit = MakeEdit(this, "outputFolderEdit");
    m_deleteFolder = MakePageButton(this, "deleteFolderButton");
    m_outputButton = MakePageButton(this, "outputFileButton");
    m_nameEdit = MakeEdit(this, "outputNameEdit");
    m_playOutput = MakePageButton(this, "playOutputButton");

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    QWidget* rows[3][3] = {{m_inputButton, m_inputEdit, m_playInput},
                           {m_folderButton, m_folderEdit, m_deleteFolder},
                           {m_outputButton, m_nameEdit, m_playOutput}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) grid->addWidget(rows[r][c], r, c);
    }
    grid->setColumnStretch(1, 1);
    // Tab goes along each row: the button, its edit, the button after it.
    QWidget* previous = nullptr;
    for (auto& row : rows) {
        for (QWidget* w : row) {
            if (previous != nullptr) setTabOrder(previous, w);
            previous = w;
        }
    }
    for (QLineEdit* edit : {m_inputEdit, m_folderEdit, m_nameEdit}) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::returnPressed, this, [this, edit] { Commit(edit); });
    }
}

void CFilesPanel::RefreshTexts() {
    const bool merge = m_dialog == kMergeDialog;
    SetButtonText(m_inputButton, merge ? ResText(kAddFilesText) : DialogText(m_dialog, 1000));
    SetButtonText(m_playInput, DialogText(m_dialog, 1027));
    SetButtonText(m_folderButton, DialogText(m_dialog, 1001));
    SetButtonText(m_deleteFolder, DialogText(m_dialog, 3113));
    SetButtonText(m_outputButton, DialogText(m_dialog, 1080));
    SetButtonText(m_playOutput, DialogText(m_dialog, 1028));
    // The merge tab's edit names a video of the list, as the scene tab's names its input.
    m_inputEdit->setAccessibleName(merge ? DialogText(2015, 1000) : m_inputButton->text());
    m_folderEdit->setAccessibleName(m_folderButton->text());
    m_nameEdit->setAccessibleName(m_outputButton->text());
}

void CFilesPanel::ShowData(const CTarneloData& data) {
    const auto show = [](QLineEdit* edit, const std::string& text) {
        const QString value = QString::fromStdString(text);
        if (edit->text() != value) edit->setText(value);
        edit->setProperty("shown", value);
    };
    show(m_inputEdit, data.input_file);
    show(m_folderEdit, data.output_folder);
    show(m_nameEdit, data.output_name);
}

QString CFilesPanel::AskOutputFolder(QWidget* parent, const std::string& folder) {
    CAppFolderPickerDialog dialog(QString::fromStdString(folder), ResText(3102), parent);
    return dialog.DoModal() == QDialog::Accepted ? dialog.GetFolderPath() : QString();
}

std::string CFilesPanel::AskOutputFile(QWidget* parent, const CTarneloData& data) {
    CAppFileDialog dialog(false, QStringLiteral("mp4"), QString::fromStdString(data.output_name),
                          QStringLiteral("MP4 Files (*.mp4)|*.mp4||"), parent);
    dialog.SetInitialFolder(QString::fromStdString(data.output_folder));
    dialog.setWindowTitle(ResText(3127));
    return dialog.DoModal() == QDialog::Accepted ? dialog.GetPathName().toStdString() : std::string();
}

void CFilesPanel::SetFilesEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(m_inputButton), static_cast<QWidget*>(m_inputEdit),
                       static_cast<QWidget*>(m_folderButton), static_cast<QWidget*>(m_folderEdit),
                       static_cast<QWidget*>(m_outputButton), static_cast<QWidget*>(m_nameEdit)}) {
        w->setEnabled(enabled);
    }
}

bool CFilesPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) Commit(edit);
    }
    return QWidget::eventFilter(watched, event);
}

void CFilesPanel::Commit(QLineEdit* edit) {
    // Focus loss after Enter would report the same text twice; the edit remembers what it was given.
    const QString text = edit->text().trimmed();
    if (text.isEmpty() || text == edit->property("shown").toString()) return;
    edit->setProperty("shown", text);
    if (edit == m_inputEdit) emit InputTyped(text);
    if (edit == m_folderEdit) emit OutputFolderTyped(text);
    if (edit == m_nameEdit) emit OutputNameTyped(text);
}
