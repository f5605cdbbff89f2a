// File > Export in the main window: the entries, when they can be used, and an export as the user makes it.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QtTest>

#include "app/AppFileDialog.h"
#include "app/AppMsgDlg.h"
#include "app/Language.h"
#include "ui/WindowTestBase.h"
#include "ui/main/MainFrame.h"
#include "ui/main/ProjectExport.h"
#include "ui/main/TarneloDlg.h"
#include "ui/merge/TarneloTabMerge.h"
#include "ui/scene/TarneloTabScene.h"

class ExportMenuTest : public WindowTestBase {
    Q_OBJECT
public:
    ExportMenuTest() : WindowTestBase({.program = Program::kMainWindow, .silentNotices = true}) {}

private:
    QTemporaryDir m_files;

    QString FilePath(const QString& name) const { return m_files.path() + QLatin1Char('/') + name; }

    // A saved project of a 25 fps video with two scenes, the second disabled, each with a caption.
    CTarneloData& OpenProject() {
        CTarneloData& data = SceneTab(Dlg()).Data();
        data.input_file = FilePath(QStringLiteral("trip.mp4")).toStdString();
        data.project_file = FilePath(QStringLiteral("trip.kpproj")).toStdString();
        data.m_sourceInfo.fps = data.m_currentInfo.fps = 25;
        data.m_sourceInfo.frame_num = data.m_currentInfo.frame_num = 250;
        data.capTitle.caption.clear();
        data.capWatermark.caption.clear();
        SceneEntry first(0, 49, "a.mp4"), second(100, 149, "b.mp4");
        first.capParam.caption = "Harbour & boats";
        first.capParam.cap_pos_type = 2;
        first.capParam.capTime_second = 1;
        second.enable = false;
        data.Scenes().Assign({first, second}, 0);
        return data;
    }

    // Runs an export command answering the save dialog with path; the message shown, if any.
    QString Export(int command, const QString& path) {
        const int shown = CAppMsgDlg::ShownCount();
        CAppFileDialog::SetNextFileName(path);
        Frame()->UpdateMenu(Frame()->TopMenu(0));
        Frame()->CommandAction(command)->trigger();
        return CAppMsgDlg::ShownCount() > shown ? CAppMsgDlg::LastMessage() : QString();
    }

private slots:
    void entriesAreOffWithoutAProjectOrWhileAJobRuns() {
        Frame()->UpdateMenu(Frame()->TopMenu(0));
        QString submenu;  // File's entry that holds the formats
        for (QAction* entry : Frame()->TopMenu(0)->actions()) {
            if (entry->menu() && entry->menu()->actions().contains(Frame()->CommandAction(kCmdExportFirst))) {
                submenu = entry->text();
            }
        }
        QCOMPARE(submenu, QString::fromUtf8("エクスポート(&X)"));
        const char* japanese[] = {"MLT XML(&M)...", "FCPXML(&F)...",   "CMX 3600 EDL(&E)...", "OpenTimelineIO(&O)...",
                                  "CSV(&C)...",     "SRT 字幕(&S)...", "WebVTT 字幕(&W)..."};
        for (int id = kCmdExportFirst; id <= kCmdExportLast; ++id) {
            QAction* action = Frame()->CommandAction(id);
            QVERIFY(action != nullptr);
            QCOMPARE(action->text(), QString::fromUtf8(japanese[id - kCmdExportFirst]));
            QVERIFY(!action->isEnabled());
            QVERIFY(!Dlg()->OnCommand(id));
        }
        OpenProject();
        Frame()->UpdateMenu(Frame()->TopMenu(0));
        QVERIFY(Frame()->CommandAction(kCmdExportLast)->isEnabled());
        MergeTab(Dlg()).SetPreparingInput(true);
        Frame()->UpdateMenu(Frame()->TopMenu(0));
        QVERIFY(!Frame()->CommandAction(kCmdExportLast)->isEnabled());
        MergeTab(Dlg()).SetPreparingInput(false);
    }

    void exportWritesTheFileAndSaysSoInTheStatusBar() {
        OpenProject();
        const QString path = FilePath(QStringLiteral("trip.vtt"));
        QCOMPARE(Export(kCmdExportLast, path), QString());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 QStringLiteral("WEBVTT\n\n00:00:00.000 --> 00:00:01.040\nHarbour &amp; boats\n"));
        QVERIFY(Frame()->StatusText(TabHost::kMessagePane).contains(path));
    }

    void whatCannotBeExportedIsToldAndNothingWritten() {
        CTarneloData& data = OpenProject();
        const QString blocked = FilePath(QStringLiteral("missing/trip.srt"));
        QCOMPARE(Export(kCmdExportLast - 1, blocked),
                 ResText(3294).arg(blocked, QStringLiteral("No such file or directory")));
        QVERIFY(!QFile::exists(blocked));

        data.Scenes().UpdateAll([](SceneEntry& scene) { scene.enable = false; });
        const QString none = FilePath(QStringLiteral("none.srt"));
        QCOMPARE(Export(kCmdExportLast - 1, none), ResText(3293));
        QVERIFY(!QFile::exists(none));
    }

    void addChaptersIsKeptInTheProject() {
        CTarneloData& data = OpenProject();
        auto* check = SceneTab(Dlg()).findChild<QCheckBox*>(QStringLiteral("chaptersCheck"));
        QVERIFY(check != nullptr);
        QCOMPARE(check->text(), QString::fromUtf8("チャプターを付ける"));
        QCOMPARE(check->accessibleName(), check->text());
        QVERIFY(!check->isChecked());
        // It is enabled as the transition is: with the merge commands, which need a video that opened.
        auto* transition = SceneTab(Dlg()).findChild<QCheckBox*>(QStringLiteral("transitionCheck"));
        QCOMPARE(check->isEnabled(), transition->isEnabled());
        check->setEnabled(true);
        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(data.chapters);
        data.chapters = false;
        SceneTab(Dlg()).UpdateData(true);
        QVERIFY(!check->isChecked());
    }
};

QTEST_MAIN(ExportMenuTest)
#include "ExportMenuTest.moc"
