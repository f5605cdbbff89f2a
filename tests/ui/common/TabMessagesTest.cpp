// The tab base turns each engine message into one decoded handler call; its defaults keep the status bar,
// the wait cursor and the tab buttons current.
#include <QApplication>
#include <QtTest>
#include <string>

#include "app/AppMsgDlg.h"
#include "engine/jobs/JobTables.h"
#include "ui/WindowTestBase.h"
#include "ui/common/TabPage.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TarneloDlg.h"
#include "ui/scene/TarneloTabScene.h"

namespace {

WParam W(const char* text) { return reinterpret_cast<WParam>(text); }
LParam L(const char* text) { return reinterpret_cast<LParam>(text); }

// A page that notes what its handlers were given, as the tabs' own handlers would see it.
class NotingTab : public CTabPage {
public:
    explicit NotingTab(TabHost* host) : CTabPage(host, false, nullptr) {}

    std::string notes;

protected:
    void OnJobProgress(const JobProgressMsg& m) override { Note("progress", m.done, m.total); }
    void OnPlayPosition(const PlayPositionMsg& m) override { Note("position", m.frame, m.count); }
    void OnListChanged(const ListChangedMsg& m) override { Note("list", m.sceneIndex); }
    void OnSelectScene(const SelectSceneMsg& m) override { Note("select", m.sceneIndex); }
    void OnPreviewImage(const PreviewImageMsg& m) override { notes += std::string("still ") + m.path + ";"; }
    void OnMediaOpened(const MediaOpenedMsg& m) override { Note("opened", m.frameCount); }
    void OnProcessFinished(const ProcessFinishedMsg& m) override {
        Note("finished", m.jobId, m.result);
        CTabPage::OnProcessFinished(m);
    }

private:
    void Note(const char* what, long long a, long long b = 0) {
        notes += std::string(what) + " " + std::to_string(a) + "/" + std::to_string(b) + ";";
    }
};

}  // namespace

class TabMessagesTest : public WindowTestBase {
    Q_OBJECT
public:
    TabMessagesTest() : WindowTestBase({.program = Program::kMainWindow}) {}

private slots:
    void jobMessagesFillTheirPanes() {
        CTabPage& tab = SceneTab(Dlg());
        tab.Send(WM_APP_JOB_START, W("シーン抽出"), 1800);
        QCOMPARE(Frame()->StatusText(0), QString::fromUtf8("シーン抽出"));
        tab.Send(WM_APP_JOB_NAME, W("セグメント出力 (003)"), 0);
        QCOMPARE(Frame()->StatusText(0), QString::fromUtf8("セグメント出力 (003)"));
        tab.Send(WM_APP_JOB_STATE, kJobStateFailed, L("ExitCode(1)"));
        QCOMPARE(Frame()->StatusText(1), QString::fromUtf8(JobStateName(kJobStateFailed, true)));
        QCOMPARE(Frame()->StatusText(3), QStringLiteral("ExitCode(1)"));
        tab.Send(WM_APP_JOB_STATE, kJobStateDone, 0);  // no text: the last one stays
        QCOMPARE(Frame()->StatusText(1), QString::fromUtf8(JobStateName(kJobStateDone, true)));
        QCOMPARE(Frame()->StatusText(3), QStringLiteral("ExitCode(1)"));
        tab.Send(WM_APP_STATUS_TEXT, 2, L("00:01.50"));
        QCOMPARE(Frame()->StatusText(2), QStringLiteral("00:01.50"));
        // Counts are the pages' own: the base leaves every pane as it is.
        tab.Send(WM_APP_JOB_PROGRESS, 250, 17);
        tab.Send(WM_APP_PLAY_POSITION, 17, 250);
        QCOMPARE(Frame()->StatusText(0), QString::fromUtf8("セグメント出力 (003)"));
        QCOMPARE(Frame()->StatusText(2), QStringLiteral("00:01.50"));
    }

    void busyShowsTheWaitCursorUntilItEnds() {
        CTabPage& tab = SceneTab(Dlg());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        tab.Send(WM_APP_BUSY, 0, 0);
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        tab.Send(WM_APP_BUSY, 1, 0);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void eachMessageReachesItsHandlerDecoded() {
        NotingTab tab(Dlg());
        tab.Send(WM_APP_JOB_PROGRESS, 250, 17);
        tab.Send(WM_APP_PLAY_POSITION, 17, 250);
        tab.Send(WM_APP_LIST_CHANGED, static_cast<WParam>(-1), 0);
        tab.Send(WM_APP_PREVIEW_IMAGE, W("/out/clip_preview.png"), 0);
        tab.Send(WM_APP_MEDIA_OPENED, 0, 250);
        tab.Send(WM_APP_PROCESS_FINISHED, kJobExtractMerge, -2);
        QCOMPARE(tab.notes, std::string("progress 17/250;position 17/250;list -1/0;still /out/clip_preview.png;"
                                        "opened 250/0;finished 1057/-2;"));
        // A post arrives later, through the event loop.
        tab.notes.clear();
        tab.Post(WM_APP_SELECT_SCENE, 4, 0);
        QCOMPARE(tab.notes, std::string());
        QTRY_COMPARE(tab.notes, std::string("select 4/0;"));
    }
};

QTEST_MAIN(TabMessagesTest)
#include "TabMessagesTest.moc"
