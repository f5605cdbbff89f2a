#include "app/AppHelpDialog.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTextStream>
#include <QUrl>
#include <algorithm>

#include "app/AppFileDialog.h"
#include "app/DialogUnits.h"
#include "app/Language.h"
#include "app/LineBGRichEdit.h"

namespace {

constexpr int kDialogId = 1096;
constexpr int kManualColumns = 80;

QString DialogText(int control) {
    const CResourceLibrary* res = Resources();
    return res != nullptr ? res->DialogText(kDialogId, control) : QString();
}

}  // namespace

CAppHelpDialog::CAppHelpDialog(const QString& text, QWidget* parent) : QDialog(parent), m_text(text) { Build(); }

CAppHelpDialog::CAppHelpDialog(MediaInfoSource* source, int kind, int titleId, QWidget* parent)
    : QDialog(parent), m_source(source), m_kind(kind), m_titleId(titleId) {
    Build();
}

QString CAppHelpDialog::ManualFilePath(const QString& programFolder, int tabIndex, bool japanese) {
    const QString name = QStringLiteral("%1_%2.txt")
                             .arg(tabIndex == 1 ? QStringLiteral("manual2") : QStringLiteral("manual"),
                                  japanese ? QStringLiteral("ja") : QStringLiteral("en"));
    return QDir(programFolder).filePath(QStringLiteral("doc/") + name);
}

QString CAppHelpDialog::ReadManualText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return QString();
    QTextStream in(&file);
    QStringList lines;
    while (!in.atEnd()) lines << in.readLine();
    return lines.join(QLatin1Char('\n'));
}

QString CAppHelpDialog::VideoFileFilter() {
    return QStringLiteral(
        "Video Files (*.mp4;*.mov;*.mkv;*.avi;*.wmv;*.flv;*.webm;*.ts;*.m2ts;*.m2t;*.mpg;*.mpeg;*.asf;*.dat;*.3gp;"
        "*.ogv)|*.mp4;*.mov;*.mkv;*.avi;*.wmv;*.flv;*.webm;*.ts;*.m2ts;*.m2t;*.mpg;*.mpeg;*.asf;*.dat;*.3gp;*.ogv|"
        "MP4 Files (*.mp4)|*.mp4|MOV Files (*.mov)|*.mov|MKV Files (*.mkv)|*.mkv|AVI Files (*.avi)|*.avi|"
        "WMV Files (*.wmv)|*.wmv|FLV Files (*.flv)|*.flv|WebM Files (*.webm)|*.webm|"
        "TS Files (*.ts;*.m2ts;*.m2t)|*.ts;*.m2ts;*.m2t|MPEG Files (*.mpg;*.mpeg)|*.mpg;*.mpeg|"
        "ASF Files (*.asf)|*.asf|DAT Files (*.dat)|*.dat|3GP Files (*.3gp)|*.3gp|OGV Files (*.ogv)|*.ogv|"
        "All Files (*.*)|*.*||");
}

void CAppHelpDialog::Build() {
    setObjectName(QStringLiteral("helpDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(DialogText(0));
    if (const CResourceLibrary* res = Resources()) setWindowIcon(res->Icon(128));
    m_edit = new CLineBGRichEdit(this);
    m_edit->setPlainText(m_text);
    m_fileButton = new QPushButton(DialogText(1100), this);
    m_fileButton->setObjectName(QStringLiteral("fileSelectButton"));
    m_playButton = new QPushButton(DialogText(1027), this);
    m_playButton->setObjectName(QStringLiteral("playButton"));
    m_okButton = new QPushButton(DialogText(1), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::close);
    connect(m_fileButton, &QPushButton::clicked, this, [this] {
        if (ChooseFile()) LoadInformation();
    });
    connect(m_playButton, &QPushButton::clicked, this, &CAppHelpDialog::Play);
    // The manuals are written 78 columns wide; the window grows beyond its template width to show them
    // unwrapped, since a rewrapped table can not be read.
    const QSize templateSize = DluSize(this, 300, 300);
    resize(std::max(templateSize.width(), m_edit->WidthForColumns(kManualColumns) + 2 * DluX(this, 7)),
           templateSize.height());
}

bool CAppHelpDialog::Create() {
    if (InformationMode()) {
        m_title = ResText(m_titleId);
        m_path = m_source != nullptr ? m_source->CurrentMediaPath() : QString();
        if (m_path.isEmpty() && !ChooseFile()) return false;
        if (!LoadInformation()) return false;
    }
    if (!m_title.isEmpty()) setWindowTitle(m_title);
    m_fileButton->setVisible(InformationMode());
    m_playButton->setVisible(InformationMode());
    return true;
}

QString CAppHelpDialog::Text() const { return m_edit->toPlainText(); }

bool CAppHelpDialog::ChooseFile() {
    const int cut = m_path.lastIndexOf(QLatin1Char('/'));
    CAppFileDialog dialog(true, QString(), m_path.mid(cut + 1), VideoFileFilter(), this);
    if (cut >= 0) dialog.SetInitialFolder(m_path.left(cut + 1));
    dialog.setWindowTitle(QStringLiteral("%1 \"%2\"").arg(ResText(3097), m_title));
    if (dialog.DoModal() != QDialog::Accepted) return false;
    m_path = dialog.GetPathName();
    return true;
}

bool CAppHelpDialog::LoadInformation() {
    QString report;
    if (m_source == nullptr || !m_source->MediaReport(m_path, m_kind, report)) return false;
    m_edit->clear();
    m_edit->setPlainText(report);
    m_edit->viewport()->update();
    return true;
}

void CAppHelpDialog::Play() { QDesktopServices::openUrl(QUrl::fromLocalFile(m_path)); }

void CAppHelpDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int margin = DluX(this, 7);
    const int marginY = DluY(this, 7);
    const QSize button = DluSize(this, 40, 12);
    const int gap = DluX(this, 5);
    const int buttonTop = height() - marginY - button.height();
    m_edit->setGeometry(margin, marginY, width() - 2 * margin, buttonTop - marginY - marginY);
    const int okLeft = width() - margin - button.width();
    m_okButton->setGeometry(okLeft, buttonTop, button.width(), button.height());
    const int playLeft = okLeft - gap - button.width();
    m_playButton->setGeometry(playLeft, buttonTop, button.width(), button.height());
    m_fileButton->setGeometry(playLeft - gap - button.width(), buttonTop, button.width(), button.height());
}
