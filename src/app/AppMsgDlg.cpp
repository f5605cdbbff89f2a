#include "app/AppMsgDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <deque>

#include "app/DialogUnits.h"
#include "app/Language.h"

namespace {

constexpr int kDialogId = 3119;
std::deque<int> g_nextAnswers;
QString g_lastMessage;
int g_shownCount = 0;
bool g_noticesSilent = false;

QString DialogText(int control) {
    const CResourceLibrary* res = Resources();
    return res != nullptr ? res->DialogText(kDialogId, control) : QString();
}

}  // namespace

CAppMsgDlg::CAppMsgDlg(const QString& message, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("appMsgDlg"));
    setWindowTitle(DialogText(0));
    if (const CResourceLibrary* res = Resources()) setWindowIcon(res->Icon(128));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    auto* icon = new QLabel(this);
    if (const CResourceLibrary* res = Resources()) icon->setPixmap(res->Icon(128).pixmap(32, 32));
    m_text = new QLabel(message, this);
    m_text->setObjectName(QStringLiteral("messageText"));
    m_text->setWordWrap(true);
    auto* yes = new QPushButton(DialogText(kYes), this);
    yes->setObjectName(QStringLiteral("yesButton"));
    yes->setDefault(true);
    auto* no = new QPushButton(DialogText(kNo), this);
    no->setObjectName(QStringLiteral("noButton"));
    connect(yes, &QPushButton::clicked, this, [this] { done(kYes); });
    connect(no, &QPushButton::clicked, this, [this] { done(kNo); });

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(m_text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(yes);
    buttons->addWidget(no);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    setMinimumSize(DluSize(this, 186, 50));
    // A fixed size, so window managers offer no maximise or resize for it.
    setFixedSize(sizeHint().expandedTo(minimumSize()));
}

int CAppMsgDlg::DoModal() {
    g_lastMessage = m_text->text();
    ++g_shownCount;
    if (!g_nextAnswers.empty()) {
        const int answer = g_nextAnswers.front();
        g_nextAnswers.pop_front();
        return answer;
    }
    const int result = exec();
    // QDialog::Rejected (0) comes from the close box and Escape.
    return result == kYes || result == kNo ? result : kCancel;
}

void CAppMsgDlg::SetNextAnswer(int answer) { g_nextAnswers.push_back(answer); }

QString CAppMsgDlg::LastMessage() { return g_lastMessage; }

int CAppMsgDlg::ShownCount() { return g_shownCount; }

void CAppMsgDlg::Notice(const QString& message, QWidget* parent) {
    g_lastMessage = message;
    ++g_shownCount;
    if (g_noticesSilent) return;
    QMessageBox box(QMessageBox::Warning, DialogText(0), message, QMessageBox::Ok, parent);
    box.exec();
}

void CAppMsgDlg::SetNoticesSilent(bool silent) { g_noticesSilent = silent; }
