#pragma once

#include <QAbstractButton>
#include <QByteArray>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QSettings>
#include <QSlider>
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
#include "ui/common/SpinButtons.h"
#include "ui/lists/SceneListView.h"
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

// Every control of a page has the name a screen reader announces, and a button's is its text. controls gets
// how many were checked. Parts of composite controls (the spin's arrows, the combo's edit) are named by their
// owner.
inline void VerifyControlsNamed(QWidget* page, int& controls) {
    controls = 0;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QSlider*>(w) ||
                             qobject_cast<QProgressBar*>(w) || qobject_cast<CSpinButtons*>(w) ||
                             qobject_cast<SceneListView*>(w);
        if (!control || w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))) continue;
        ++controls;
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (!button->text().isEmpty()) QCOMPARE(w->accessibleName(), button->text());
        }
    }
}
