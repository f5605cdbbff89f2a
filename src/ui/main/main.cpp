// tarnelo: the desktop program.
#include <QApplication>

#include "app/ExitSignals.h"
#include "log/AppLog.h"
#include "ui/main/DesktopApp.h"
#include "ui/main/MainFrame.h"

int main(int argc, char** argv) {
    ExitSignals::Install();
    AppLog().Start();
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(CTarneloApp::kOrganization));
    QApplication::setApplicationName(QString::fromLatin1(CTarneloApp::kApplication));
    int code = 1;
    {
        CDesktopApp app;
        // Qt has taken its own options out of the arguments; the rest is ours.
        if (app.InitInstance(QApplication::arguments().mid(1))) {
            ExitSignals::Connect([&app] { app.Frame()->CloseWithoutAsking(); });
            QApplication::exec();
            code = app.ExitInstance();
        }
    }
    AppLog().Stop();
    return code;
}
