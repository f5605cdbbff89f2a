// The busy state of the engine's background work belongs to the tab whose engine does it: while the scene tab
// cuts a scene again the tab buttons and its list are locked and the wait cursor shows, and when the cut ends
// the scene tab is free again, whatever tab the user reached meanwhile. ffmpeg is found through a script that
// holds the cut until the test lets it go, so the test sees the tab in the middle of it.
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>
#include <cstdlib>

#include "ui/WindowTestBase.h"
#include "ui/lists/SceneEditRules.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"

using scenetab::kJobTimeoutMs;

class TabBusyTest : public WindowTestBase {
    Q_OBJECT
public:
    TabBusyTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_clip;
    QString m_hold;  // while this file exists, an ffmpeg run naming its text waits
    QByteArray m_path;

    CTarneloTabScene& Scene() { return m_d.Tab(); }
    CTarneloTabMerge& Merge() { return MergeTab(m_d.Dlg()); }
    QPushButton* TabButton(const char* name) { return m_d.Dlg()->findChild<QPushButton*>(QLatin1String(name)); }

    void ClickCell(int row, int column) {
        SceneListView* view = Scene().Panels().listView;
        const QModelIndex index = Scene().Panels().listModel->index(row, column);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    void PrepareRun() override {
        if (!clips::ToolsAvailable()) QSKIP("ffmpeg or ffprobe is not on PATH");
        clips::ClipOptions o;
        o.frames = 200;
        std::string error;
        m_clip = QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "busy.mp4", o, &error));
        QVERIFY2(!m_clip.isEmpty(), error.c_str());
        const QString real = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
        QVERIFY(!real.isEmpty());
        QVERIFY(QDir().mkpath(m_clips.filePath(QStringLiteral("bin"))));
        m_hold = m_clips.filePath(QStringLiteral("hold"));
        QFile script(m_clips.filePath(QStringLiteral("bin/ffmpeg")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\n"
                                    "hold='%1'\n"
                                    "if [ -e \"$hold\" ]; then\n"
                                    "  case \"$*\" in *\"$(cat \"$hold\")\"*) while [ -e \"$hold\" ]; do sleep 0.05; "
                                    "done ;; esac\n"
                                    "fi\n"
                                    "exec '%2' \"$@\"\n")
                         .arg(m_hold, real)
                         .toUtf8());
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        m_path = qgetenv("PATH");
        qputenv("PATH", m_clips.filePath(QStringLiteral("bin")).toUtf8() + ':' + m_path);
    }
    void EndRun() override { qputenv("PATH", m_path); }
    void AfterCase() override { QFile::remove(m_hold); }

private slots:
    void theCutsBusyStateStaysWithTheSceneTab_data() {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<int>("activeAfter");
        QTest::newRow("stays on the scene tab") << "" << 0;
        QTest::newRow("clicks the merge tab's button") << "click" << 0;
        // The switch of a click that came in before the lock.
        QTest::newRow("the merge tab came up") << "switch" << 1;
    }
    void theCutsBusyStateStaysWithTheSceneTab() {
        QFETCH(QString, meanwhile);
        QFETCH(int, activeAfter);
        m_d.OpenDropped(m_d.Copy(m_clip, QStringLiteral("busy.mp4")));
        if (QTest::currentTestFailed()) return;
        Scene().Engine().WaitBackgroundDrained();
        CTarneloData& data = Scene().Data();
        std::vector<SceneEntry> scenes{SceneEntry(0, 99, SceneSegmentName(data, 0, 99)),
                                       SceneEntry(100, 199, SceneSegmentName(data, 100, 199))};
        data.diff_list.Assign(std::move(scenes), 0);
        data.list_idx = 0;
        Scene().RefreshList(true);
        const QString segment = QString::fromStdString(data.diff_list.Snapshot()[0].fileName);
        QVERIFY(!QFile::exists(segment));

        // A click on the first row has its missing segment cut in the background; the cut waits.
        {
            QFile hold(m_hold);
            QVERIFY(hold.open(QIODevice::WriteOnly));
            hold.write(QFileInfo(segment).completeBaseName().toUtf8());
        }
        ClickCell(0, SceneListModel::kColCaption);
        QTRY_VERIFY_WITH_TIMEOUT(Scene().WaitCursorShown(), kJobTimeoutMs);
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QVERIFY(!TabButton("sceneTabButton")->isEnabled());
        QVERIFY(!TabButton("mergeTabButton")->isEnabled());
        // The list takes neither a row click nor a tick.
        ClickCell(1, SceneListModel::kColCaption);
        QCOMPARE(data.list_idx, 0);
        QVERIFY(
            !(Scene().Panels().listModel->flags(Scene().Panels().listModel->index(1, 0)) & Qt::ItemIsUserCheckable));

        if (meanwhile == "click") QTest::mouseClick(TabButton("mergeTabButton"), Qt::LeftButton);
        if (meanwhile == "switch") m_d.Dlg()->SwitchTab(1);
        QCOMPARE(m_d.Dlg()->ActiveTabIndex(), activeAfter);

        // Let go, the scene tab is free again and nothing is left waiting.
        QFile::remove(m_hold);
        QTRY_VERIFY_WITH_TIMEOUT(!Scene().WaitCursorShown() && !Scene().IsBusy(), kJobTimeoutMs);
        QVERIFY(!Merge().WaitCursorShown());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(TabButton("sceneTabButton")->isEnabled());
        QVERIFY(TabButton("mergeTabButton")->isEnabled());
        QVERIFY(m_d.Find<QPushButton>("extractButton")->isEnabled());
        QVERIFY(Scene().Panels().listModel->flags(Scene().Panels().listModel->index(1, 0)) & Qt::ItemIsUserCheckable);
        QVERIFY(QFile::exists(segment));
        Scene().Engine().WaitBackgroundDrained();
        Scene().Engine().WaitPreviewIdle();
    }
};

QTEST_MAIN(TabBusyTest)
#include "TabBusyTest.moc"
