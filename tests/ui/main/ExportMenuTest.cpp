// File > Export in the main window: the entries, when they can be used, and an export as the user makes it.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QtTest>

#include "app/AppFileDialog.h"
#include "ui/WindowTestBase.h"
#include "ui/main/MainFrame.h"
#include "ui/main/ProjectExport.h"
#include "ui/main/TarneloDlg.h"
#include "ui/scene/TarneloTabScene.h"

class ExportMenuTest : public WindowTestBase {
    Q_OBJECT
public:
    ExportMenuTest() : WindowTestBase({.program = Program::kMainWindow, .silentNotices = true}) {}

private slots:
    void exportsOnlyWithAProject() {
        QMenu* file = Frame()->TopMenu(0);
        Frame()->UpdateMenu(file);
        QAction* vtt = Frame()->CommandAction(kCmdExportLast);
        QVERIFY(file->findChild<QMenu*>() != nullptr && file->findChild<QMenu*>()->actions().contains(vtt));
        QCOMPARE(vtt->text(), QString::fromUtf8("WebVTT 字幕(&W)..."));
        for (int id = kCmdExportFirst; id <= kCmdExportLast; ++id) QVERIFY(!Frame()->CommandAction(id)->isEnabled());

        // A 25 fps project with one captioned scene.
        QTemporaryDir folder;
        CTarneloData& data = SceneTab(Dlg()).Data();
        data.input_file = (folder.path() + QStringLiteral("/trip.mp4")).toStdString();
        data.m_sourceInfo.fps = data.m_currentInfo.fps = 25;
        data.capTitle.caption.clear();
        data.capWatermark.caption.clear();
        data.Scenes().Assign({SceneEntry(0, 49, "a.mp4")}, 0);
        data.Scenes().Update(0, [](SceneEntry& s) { s.capParam = {0, 1, "Harbour & boats", 2}; });
        Frame()->UpdateMenu(file);
        QVERIFY(vtt->isEnabled());

        const QString path = folder.path() + QStringLiteral("/trip.vtt");
        CAppFileDialog::SetNextFileName(path);
        vtt->trigger();
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("WEBVTT\n\n00:00:00.000 --> 00:00:01.040\nHarbour &amp; boats\n"));
        QVERIFY(Frame()->StatusText(TabHost::kMessagePane).contains(path));
    }
};

QTEST_MAIN(ExportMenuTest)
#include "ExportMenuTest.moc"
