#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/AppMsgDlg.h"
#include "app/Language.h"
#include "app/TarneloApp.h"
#include "ui/main/DesktopApp.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TarneloDlg.h"
#include "ui/merge/TarneloTabMerge.h"
#include "ui/scene/TarneloTabScene.h"

// The two pages of the main dialog by their classes.
inline CTarneloTabScene& SceneTab(const CTarneloDlg* dialog) {
    return *static_cast<CTarneloTabScene*>(dialog->Page(0));
}
inline CTarneloTabMerge& MergeTab(const CTarneloDlg* dialog) {
    return *static_cast<CTarneloTabMerge*>(dialog->Page(1));
}

// Every window test keeps its settings in a folder of its own and reads the libraries from the build.
struct UiTestEnvironment {
    QTemporaryDir configDir;
    QStringList loadFailures;

    UiTestEnvironment() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configDir.path());
        CLanguage::SetFailureNotifier([this](const QString& text) { loadFailures << text; });
    }

    static QSettings Settings() {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Hexlow-Works"),
                         QStringLiteral("Tarnelo"));
    }
    static void ClearSettings() {
        QSettings s = Settings();
        s.clear();
        s.sync();
    }
    static void WriteRecord(const QByteArray& bytes) {
        QSettings s = Settings();
        s.beginGroup(QStringLiteral("App Settings"));
        s.setValue(QStringLiteral("All Data"), bytes);
        s.endGroup();
        s.sync();
    }
    static QByteArray ToBytes(const std::vector<std::uint8_t>& v) {
        return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size()));
    }
    static void Prepare(CTarneloApp& app) { app.SetProgramFolder(QStringLiteral(TARNELO_RESOURCE_DIR)); }
};

// The program started from cleared settings in Japanese, its main window shown; Stop closes it as a user who
// confirms and ends it as the program does.
inline bool StartMainWindow(std::unique_ptr<CDesktopApp>& app) {
    UiTestEnvironment::ClearSettings();
    CLanguage::SetSystemLocaleOverride(QStringLiteral("ja_JP"));
    app = std::make_unique<CDesktopApp>();
    UiTestEnvironment::Prepare(*app);
    return app->InitInstance({}) && QTest::qWaitForWindowExposed(app->Frame());
}

inline void StopMainWindow(std::unique_ptr<CDesktopApp>& app) {
    CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
    app->Frame()->close();
    app->ExitInstance();
    app.reset();
}
