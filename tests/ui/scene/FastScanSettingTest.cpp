// The fast scan check box of the extraction settings: its texts, the data it sets, the program setting it is
// kept as, and the project file it stays out of.
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QtTest>

#include "app/AppMsgDlg.h"
#include "ui/WindowTestBase.h"
#include "ui/scene/ExtractionPanel.h"

class FastScanSettingTest : public WindowTestBase {
    Q_OBJECT
public:
    FastScanSettingTest() : WindowTestBase({.program = Program::kMainWindow, .silentNotices = true}) {}

private:
    QTemporaryDir m_files;

    QCheckBox* Check() { return m_app->Frame()->findChild<QCheckBox*>(QStringLiteral("fastScanCheck")); }
    CTarneloData& Data(int tab) { return m_app->Dialog()->Page(tab)->Data(); }
    CExtractionPanel* Panel() {
        return m_app->Frame()->findChild<CExtractionPanel*>(QStringLiteral("extractionPanel"));
    }
    // Without a video the settings are greyed; a user clicks them once one is open.
    void ClickCheck() {
        Panel()->SetSettingsEnabled(true);
        Check()->click();
    }

    void Restart() {
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
        m_app->Frame()->close();
        QCOMPARE(m_app->ExitInstance(), 0);
        m_app = std::make_unique<CDesktopApp>();
        UiTestEnvironment::Prepare(*m_app);
        QVERIFY(m_app->InitInstance({}));
        QVERIFY(QTest::qWaitForWindowExposed(m_app->Frame()));
    }

private slots:
    void offByDefaultAndNamedByItsLabelInBothLanguages() {
        QCheckBox* check = Check();
        QVERIFY(check);
        QVERIFY(!check->isChecked());
        QVERIFY(!Data(0).fast_scan);
        QCOMPARE(check->text(), QString::fromUtf8("高速スキャン"));
        QCOMPARE(check->accessibleName(), check->text());
        QVERIFY(!check->toolTip().isEmpty());
        QVERIFY(m_app->Dialog()->OnCommand(CTarneloDlg::kCmdEnglish));
        QCOMPARE(check->text(), QStringLiteral("Fast scan"));
        QCOMPARE(check->accessibleName(), check->text());
        QVERIFY(check->toolTip().contains(QStringLiteral("loop filter")));
    }

    void theDataFollowsAndTheExtractionResetLeavesIt() {
        QCheckBox* check = Check();
        QVERIFY(check);
        QVERIFY(!check->isEnabled());  // no video yet
        ClickCheck();
        QVERIFY(Data(0).fast_scan);
        Data(0).threshold.value = 250;
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
        m_app->Frame()->findChild<QPushButton*>(QStringLiteral("extractionResetButton"))->click();
        QCOMPARE(Data(0).threshold.value, 100.0);  // the reset did run
        QVERIFY(check->isChecked());
        QVERIFY(Data(0).fast_scan);
        ClickCheck();
        QVERIFY(!Data(0).fast_scan);
    }

    void disabledWithTheOtherExtractionSettings() {
        CExtractionPanel* panel = Panel();
        QVERIFY(panel);
        panel->SetSettingsEnabled(false);
        QVERIFY(!Check()->isEnabled());
        QVERIFY(!panel->ResetButton()->isEnabled());
        panel->SetSettingsEnabled(true);
        QVERIFY(Check()->isEnabled());
    }

    void keptAsAProgramSettingBesideTheRecord() {
        ClickCheck();
        Restart();
        QVERIFY(CTarneloApp::ReadFastScanSetting());
        QCOMPARE(CTarneloApp::ReadSettingsRecord().size(), 892);  // the record keeps its layout
        QVERIFY(Check()->isChecked());
        QVERIFY(Data(0).fast_scan && Data(1).fast_scan);
        // A new project is not a new program: the choice stays.
        QVERIFY(m_app->Dialog()->OnCommand(CTarneloDlg::kCmdNew));
        QVERIFY(Check()->isChecked() && Data(0).fast_scan);
        ClickCheck();
        Restart();
        QVERIFY(!CTarneloApp::ReadFastScanSetting());
        QVERIFY(!Check()->isChecked());
        QVERIFY(!Data(0).fast_scan);
    }

    void projectFilesDoNotDependOnIt() {
        CTarneloData data = Data(0);
        data.input_file = (m_files.path() + QStringLiteral("/clip.mp4")).toStdString();
        const QString path = m_files.path() + QStringLiteral("/p.kpproj");
        data.project_file = path.toStdString();  // as after a first save, so that saving changes nothing else
        auto saved = [&](bool fastScan) {
            data.fast_scan = fastScan;
            QFile file(path);
            return data.SaveProject(path.toStdString()) && file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                                          : QByteArray();
        };
        const QByteArray exact = saved(false);
        QVERIFY(!exact.isEmpty());
        QCOMPARE(saved(true), exact);
        // Loading a project leaves the program setting as it is.
        CTarneloData loaded;
        loaded.fast_scan = true;
        QVERIFY(loaded.LoadProject(path.toStdString()));
        QVERIFY(loaded.fast_scan);
    }
};

QTEST_MAIN(FastScanSettingTest)
#include "FastScanSettingTest.moc"
