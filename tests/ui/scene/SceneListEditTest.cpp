// Editing the scene list in the window, with the real engine and ffmpeg on clips made here: a frame cell
// typed in place (clamped, then the scene cut again), splitting, copying and deleting rows from the row
// menu, a drag that reorders the scenes of the joined output, and the busy state of a cut in the background,
// which stays with the scene tab when the user reaches the merge tab meanwhile.
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest>
#include <functional>

#include "app/AppEdit.h"
#include "app/AppMsgDlg.h"
#include "ui/WindowTestBase.h"
#include "ui/lists/SceneEditRules.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/scene/CaptionRules.h"
#include "ui/scene/SceneListEditor.h"

using scenetab::kJobTimeoutMs;
using scenetab::NoChildLeft;
using scenetab::RunTool;

namespace {

using Ranges = std::vector<std::pair<int, int>>;

Ranges RangesOf(const CTarneloData& data) {
    Ranges ranges;
    for (const SceneEntry& scene : data.diff_list.Snapshot())
        ranges.emplace_back(scene.framNo_first, scene.framNo_second);
    return ranges;
}

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

// Hands the events of a widget to a function while it lives.
class EventHook : public QObject {
public:
    EventHook(QObject* watched, std::function<void(QEvent*)> seen) : m_seen(std::move(seen)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        m_seen(event);
        return false;
    }

private:
    std::function<void(QEvent*)> m_seen;
};

int CountFrames(const std::string& path) { return scenetab::CountFrames(ToQ(path)); }

// The brightest pixel of frame n in grey: the clips' box is white on a grey background.
int Brightest(const std::string& path, int n) {
    const QByteArray pixels =
        RunTool(QStringLiteral("ffmpeg"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), ToQ(path), QStringLiteral("-vf"),
                 QStringLiteral("select=eq(n\\,%1)").arg(n), QStringLiteral("-frames:v"), QStringLiteral("1"),
                 QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"), QStringLiteral("gray"),
                 QStringLiteral("-")});
    int brightest = -1;
    for (const char c : pixels) brightest = std::max(brightest, static_cast<int>(static_cast<unsigned char>(c)));
    return brightest;
}

}  // namespace

class SceneListEditTest : public WindowTestBase {
    Q_OBJECT
public:
    SceneListEditTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_still;   // 260 frames, nothing moves
    QString m_halves;  // 200 frames, the box moves in the first half only

    CTarneloTabScene& Tab() { return m_d.Tab(); }
    CTarneloData& Data() { return Tab().Data(); }
    bool Idle() { return m_d.Idle(); }

    void Open(const QString& clip, const QString& name) {
        m_d.OpenDropped(m_d.Copy(clip, name));
        Tab().Engine().WaitBackgroundDrained();
    }

    void SetScenes(const Ranges& ranges) {
        std::vector<scenetab::Range> scenes;
        for (const auto& [first, last] : ranges) scenes.push_back({first, last});
        m_d.SetScenes(scenes);
        QCOMPARE(Tab().Panels().listModel->rowCount(), static_cast<int>(ranges.size()));
    }

    QString Cell(int row, int column) { return Tab().Panels().listModel->index(row, column).data().toString(); }

    void ClickCell(int row, int column) { m_d.ClickCell(row, column); }

    // Clicks the cell, types text into its edit and presses Enter.
    void TypeIntoCell(int row, int column, const QString& text) {
        ClickCell(row, column);
        CAppEdit* edit = Tab().Lists().CellEdit();
        QVERIFY(edit != nullptr);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(Tab().Lists().CellEdit() == nullptr);
    }

    // The row menu and its commands as the user reaches them: after the background cuts of the last change.
    std::unique_ptr<QMenu> Menu(int row, int column) {
        Tab().Engine().WaitBackgroundDrained();
        return Tab().Lists().ContextMenu(row, column);
    }
    void Command(int id) {
        Tab().Engine().WaitBackgroundDrained();
        Tab().Lists().OnListCommand(id);
    }

    Ranges SavedRanges() {
        CTarneloData saved;
        saved.ResetAll(false);
        if (!saved.LoadProject(Data().project_file)) return {};
        return RangesOf(saved);
    }

    // Waits for the background cuts, then checks the files of the rows against their lengths.
    void CheckSegments(const std::vector<int>& rows) {
        Tab().Engine().WaitBackgroundDrained();
        for (const int row : rows) {
            const SceneEntry scene = Data().diff_list.Snapshot()[static_cast<size_t>(row)];
            QVERIFY2(QFile::exists(ToQ(scene.fileName)), scene.fileName.c_str());
            QCOMPARE(CountFrames(scene.fileName), scene.FrameCount());
        }
    }

    void PrepareRun() override {
        if (!clips::ToolsAvailable()) QSKIP("ffmpeg or ffprobe is not on PATH");
        clips::ClipOptions still;
        still.frames = 260;
        std::string error;
        m_still = ToQ(clips::MakeClip(m_clips.path().toStdString(), "still.mp4", still, &error));
        QVERIFY2(!m_still.isEmpty(), error.c_str());
        clips::ClipOptions halves;
        halves.frames = 200;
        halves.motion = {{0, 99}};
        m_halves = ToQ(clips::MakeClip(m_clips.path().toStdString(), "halves.mp4", halves, &error));
        QVERIFY2(!m_halves.isEmpty(), error.c_str());
    }

private slots:
    void aBackgroundCutKeepsItsBusyStateOnTheSceneTab() {
        Open(m_still, QStringLiteral("busy.mp4"));
        if (QTest::currentTestFailed()) return;
        SetScenes({{0, 99}, {100, 199}});
        // The moment the cut locks the tab buttons the user is taken to the merge tab, as a click that got in
        // first would: the switch is served before the cut can end.
        auto* mergeButton = m_d.Dlg()->findChild<QPushButton*>(QStringLiteral("mergeTabButton"));
        bool locked = false;
        EventHook hook(mergeButton, [&](QEvent* event) {
            if (event->type() != QEvent::EnabledChange || mergeButton->isEnabled() || locked) return;
            locked = Tab().IsBusy() && Tab().WaitCursorShown();
            QMetaObject::invokeMethod(
                m_d.Dlg(), [this] { m_d.Dlg()->SwitchTab(1); }, Qt::QueuedConnection);
        });
        ClickCell(0, SceneListModel::kColCaption);
        QTRY_VERIFY_WITH_TIMEOUT(locked, kJobTimeoutMs);
        QTRY_COMPARE(m_d.Dlg()->ActiveTabIndex(), 1);
        CheckSegments({0});
        // The cut's end reached the scene tab: nothing is left locked or waiting.
        QVERIFY(!Tab().WaitCursorShown() && !Tab().IsBusy());
        QVERIFY(!MergeTab(m_d.Dlg()).WaitCursorShown());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(mergeButton->isEnabled());
        QVERIFY(m_d.Find<QPushButton>("extractButton")->isEnabled());
    }

    void typedFramesAreClampedAndTheSceneIsCutAgain() {
        Open(m_still, QStringLiteral("edit.mp4"));
        if (QTest::currentTestFailed()) return;
        SetScenes({{0, 49}, {50, 129}, {130, 200}});

        // The middle scene's start may go up to its end less the shortest scene (25 frames at 25 fps).
        ClickCell(1, SceneListModel::kColStart);
        QVERIFY(Tab().Lists().CellEdit() != nullptr);
        QCOMPARE(Tab().Lists().CellEdit()->text(), QStringLiteral("50"));
        Tab().Lists().CellEdit()->selectAll();
        QTest::keyClicks(Tab().Lists().CellEdit(), QStringLiteral("120"));
        QTest::keyClick(Tab().Lists().CellEdit(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(RangesOf(Data()), (Ranges{{0, 49}, {105, 129}, {130, 200}}), kJobTimeoutMs);
        CheckSegments({1});
        if (QTest::currentTestFailed()) return;
        QCOMPARE(Data().diff_list.Snapshot()[1].fileName, SceneSegmentName(Data(), 105, 129));
        QCOMPARE(Cell(1, SceneListModel::kColStart), QStringLiteral("105"));
        QCOMPARE(Cell(1, SceneListModel::kColLength), QStringLiteral("25"));
        // The caption is no longer than its scene; the project on disk follows.
        QCOMPARE(Data().diff_list.Snapshot()[1].capParam.capTime_second, 1.0);
        QCOMPARE(SavedRanges(), RangesOf(Data()));

        // The last scene's end goes up to the input's last frame and no further.
        TypeIntoCell(2, SceneListModel::kColEnd, QStringLiteral("9999"));
        QTRY_COMPARE_WITH_TIMEOUT(RangesOf(Data()).back(), std::make_pair(130, 259), kJobTimeoutMs);
        CheckSegments({2});
        if (QTest::currentTestFailed()) return;

        // A word reads 0, so the shortest length; scrolling the list ends the edit as Enter does.
        ClickCell(0, SceneListModel::kColLength);
        QVERIFY(Tab().Lists().CellEdit() != nullptr);
        Tab().Lists().CellEdit()->setText(QStringLiteral("many"));
        SceneListView* view = Tab().Panels().listView;
        QWheelEvent wheel(QPointF(5, 5), view->viewport()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view->viewport(), &wheel);
        QVERIFY(Tab().Lists().CellEdit() == nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(RangesOf(Data()).front(), std::make_pair(0, 24), kJobTimeoutMs);
        CheckSegments({0, 1, 2});
        if (QTest::currentTestFailed()) return;
        QCOMPARE(SavedRanges(), RangesOf(Data()));
        QTRY_VERIFY(NoChildLeft());
    }

    void splitMakesTwoScenesWithTheirFiles() {
        Open(m_still, QStringLiteral("split.mp4"));
        if (QTest::currentTestFailed()) return;
        SetScenes({{0, 99}, {100, 129}});
        Tab().Engine().QueueSegment(0, false);
        Tab().Engine().WaitBackgroundDrained();
        const std::string whole = SceneSegmentName(Data(), 0, 99);
        QVERIFY(QFile::exists(ToQ(whole)));

        // No menu over a frame cell; split greyed for a scene shorter than two shortest scenes.
        QVERIFY(Menu(0, SceneListModel::kColEnd) == nullptr);
        std::unique_ptr<QMenu> menu = Menu(1, SceneListModel::kColCaption);
        QVERIFY(menu != nullptr);
        QAction* split = menu->findChild<QAction*>(QStringLiteral("command1055"));
        QVERIFY(split != nullptr);
        QVERIFY(!split->isEnabled());
        menu = Menu(0, SceneListModel::kColCaption);
        split = menu->findChild<QAction*>(QStringLiteral("command1055"));
        QVERIFY(split != nullptr && split->isEnabled());
        QCOMPARE(Data().list_idx, 0);
        Command(split->data().toInt());

        QCOMPARE(Tab().Panels().listModel->rowCount(), 3);
        QCOMPARE(Cell(2, SceneListModel::kColEnable), QStringLiteral("003"));
        const Ranges ranges = RangesOf(Data());
        QCOMPARE(ranges.size(), size_t{3});
        QCOMPARE(ranges[0].first, 0);
        QCOMPARE(ranges[0].second + 1, ranges[1].first);
        QCOMPARE(ranges[1].second, 99);
        QVERIFY(Data().diff_list.Snapshot()[0].FrameCount() >= 25 && Data().diff_list.Snapshot()[1].FrameCount() >= 25);
        QCOMPARE(Data().list_idx, 1);
        QVERIFY(!QFile::exists(ToQ(whole)));
        CheckSegments({0, 1});
        if (QTest::currentTestFailed()) return;
        QCOMPARE(
            CountFrames(Data().diff_list.Snapshot()[0].fileName) + CountFrames(Data().diff_list.Snapshot()[1].fileName),
            100);
        QCOMPARE(SavedRanges(), RangesOf(Data()));
    }

    void copyAndDeleteRenumberAndSave() {
        Open(m_still, QStringLiteral("copy.mp4"));
        if (QTest::currentTestFailed()) return;
        SetScenes({{0, 49}, {50, 129}, {130, 259}});
        Tab().Engine().QueueSegment(1, false);
        Tab().Engine().WaitBackgroundDrained();
        const std::string middle = Data().diff_list.Snapshot()[1].fileName;
        QVERIFY(QFile::exists(ToQ(middle)));

        QVERIFY(Menu(1, SceneListModel::kColCaption) != nullptr);
        Command(1106);
        const Ranges copied{{0, 49}, {50, 129}, {50, 129}, {130, 259}};
        QCOMPARE(RangesOf(Data()), copied);
        QCOMPARE(Data().list_idx, 2);
        QCOMPARE(Tab().Panels().listView->CurrentRow(), 2);
        QCOMPARE(Cell(3, SceneListModel::kColEnable), QStringLiteral("004"));
        QCOMPARE(Cell(3, SceneListModel::kColOutputStart), QStringLiteral("210"));
        QCOMPARE(SavedRanges(), copied);

        // Deleting the copy keeps the file the original still uses; deleting the original removes it.
        Command(1056);
        QCOMPARE(RangesOf(Data()), (Ranges{{0, 49}, {50, 129}, {130, 259}}));
        QCOMPARE(Cell(2, SceneListModel::kColEnable), QStringLiteral("003"));
        QCOMPARE(SavedRanges(), RangesOf(Data()));
        QVERIFY(QFile::exists(ToQ(middle)));
        QVERIFY(Menu(1, SceneListModel::kColCaption) != nullptr);
        Command(1056);
        QCOMPARE(RangesOf(Data()), (Ranges{{0, 49}, {130, 259}}));
        QCOMPARE(Cell(1, SceneListModel::kColOutputStart), QStringLiteral("50"));
        QVERIFY(!QFile::exists(ToQ(middle)));

        // The last row deleted selects the new last one; the only scene deleted brings the default back.
        Command(1056);
        QCOMPARE(RangesOf(Data()), (Ranges{{0, 49}}));
        QCOMPARE(Data().list_idx, 0);
        Command(1056);
        QCOMPARE(RangesOf(Data()), (Ranges{{0, 74}}));
        QTRY_COMPARE(Tab().Panels().listModel->rowCount(), 1);
        QCOMPARE(SavedRanges(), (Ranges{{0, 74}}));
        Tab().Engine().WaitBackgroundDrained();
    }

    void dragReordersTheJoinedOutput() {
        Open(m_halves, QStringLiteral("order.mp4"));
        if (QTest::currentTestFailed()) return;
        Data().transition = false;
        Tab().UpdateData(true);
        SetScenes({{0, 99}, {100, 199}});
        {
            // White caption texts would hide the white box.
            ClearCaptions(Data());
        }
        SceneListView* view = Tab().Panels().listView;

        // The second scene is dragged above the first: it takes the first row.
        view->BeginDrag(1);
        view->DragMoveTo(view->visualRect(Tab().Panels().listModel->index(0, SceneListModel::kColCaption)).center());
        QCOMPARE(view->DragRow(), 0);
        view->EndDrag();
        const Ranges reordered{{100, 199}, {0, 99}};
        QCOMPARE(RangesOf(Data()), reordered);
        QCOMPARE(Cell(0, SceneListModel::kColStart), QStringLiteral("100"));
        QCOMPARE(Cell(1, SceneListModel::kColOutputStart), QStringLiteral("100"));
        QCOMPARE(Data().list_idx, 0);
        QCOMPARE(SavedRanges(), reordered);

        // The joined output begins with the still half and ends with the moving one.
        auto* merge = Tab().findChild<QPushButton*>(QStringLiteral("mergeButton"));
        QVERIFY(merge != nullptr && merge->isEnabled());
        QTest::mouseClick(merge, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Idle() && merge->isEnabled(), kJobTimeoutMs);
        const std::string output = Data().GetOutputPath();
        QVERIFY(QFile::exists(ToQ(output)));
        QCOMPARE(CountFrames(output), 200);
        QVERIFY(Brightest(output, 10) < 200);
        QVERIFY(Brightest(output, 99) < 200);
        QVERIFY(Brightest(output, 101) > 200);
        QVERIFY(Brightest(output, 150) > 200);
        QVERIFY(Brightest(m_halves.toStdString(), 10) > 200);
    }
};

QTEST_MAIN(SceneListEditTest)
#include "SceneListEditTest.moc"
