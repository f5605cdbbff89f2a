#include "app/AppAboutDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "TarneloVersion.h"
#include "app/DialogUnits.h"
#include "app/Language.h"

namespace {

constexpr int kDialogId = 100;
// What the version resource's "LegalCopyright" holds on the system this comes from.
constexpr const char* kLegalCopyright = "Copyright (C) Hexlow-Works";

QString DialogText(int control) {
    const CResourceLibrary* res = Resources();
    return res != nullptr ? res->DialogText(kDialogId, control) : QString();
}

}  // namespace

QString FormatVersionText(const QString& version) {
    QString text = version;
    text.remove(QLatin1Char(' '));
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return text;
}

CAppAboutDlg::CAppAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDlg"));
    setWindowTitle(DialogText(0));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    auto* icon = new QLabel(this);
    if (const CResourceLibrary* res = Resources()) {
        setWindowIcon(res->Icon(128));
        icon->setPixmap(res->Icon(128).pixmap(32, 32));
    }
    auto* version = new QLabel(DialogText(2000) + FormatVersionText(QStringLiteral(TARNELO_PRODUCT_VERSION)), this);
    version->setObjectName(QStringLiteral("versionText"));
    auto* copyright = new QLabel(QString::fromUtf8(kLegalCopyright), this);
    copyright->setObjectName(QStringLiteral("copyrightText"));
    auto* ffmpeg = new QLabel(DialogText(-1), this);
    ffmpeg->setObjectName(QStringLiteral("ffmpegNotice"));
    auto* ok = new QPushButton(DialogText(1), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(copyright, 1, 1);
    layout->addWidget(ffmpeg, 2, 1);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    setMinimumSize(DluSize(this, 186, 52));
    // A fixed size, so window managers offer no maximise or resize for it.
    setFixedSize(sizeHint().expandedTo(minimumSize()));
}
