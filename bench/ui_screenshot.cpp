#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include "app/AppMsgDlg.h"
#include "app/Language.h"
#include "ui/lists/SceneListView.h"
#include "ui/main/DesktopApp.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TarneloDlg.h"
#include "ui/scene/TarneloTabScene.h"

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromLocal8Bit(argv[4]));
    CLanguage::SetSystemLocaleOverride(QString::fromLocal8Bit(argv[3]));
    CDesktopApp app;
    app.SetProgramFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/../src"));
    if (!app.InitInstance({QString::fromLocal8Bit(argv[1])})) return 1;
    auto& tab = *static_cast<CTarneloTabScene*>(app.Dialog()->Page(0));
    while (tab.LocalJob() != 0 || tab.Engine().Status().running) QCoreApplication::processEvents();
    tab.findChild<QPushButton*>(QStringLiteral("extractButton"))->click();
    while (tab.CurrentJob() != 0 || tab.Engine().Status().running) QCoreApplication::processEvents();
    tab.Engine().WaitBackgroundDrained();
    if (argc > 6) app.Frame()->resize(QString::fromLocal8Bit(argv[6]).toInt(), QString::fromLocal8Bit(argv[7]).toInt());
    QElapsedTimer t; t.start();
    while (t.elapsed() < 1500) QCoreApplication::processEvents();
    app.Frame()->grab().save(QString::fromLocal8Bit(argv[2]));
    std::printf("frame %dx%d min %dx%d\n", app.Frame()->width(), app.Frame()->height(), app.Frame()->minimumWidth(), app.Frame()->minimumHeight());
    CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
    app.Frame()->close();
    return app.ExitInstance();
}
