// Undo and redo of the scene list in the program, with the real engine and ffmpeg on clips made here: every
// kind of edit undone and redone (the list and the saved project both back as they were, missing scene files
// cut again), a threshold drag over the user's work undone in one step, the keys and the menu, and the
// history's end with the project.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>
#include <functional>

#include "app/AppMsgDlg.h"
#include "ui/WindowTestBase.h"
#include "ui/common/NumericField.h"
#include "ui/lists/SceneEditRules.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/main/MainFrame.h"
#include "ui/scene/ExtractionPanel.h"
#include "ui/scene/MotionTimeline.h"
#include "ui/scene/SceneFileActions.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/SceneMotionTuner.h"
#include "ui/scene/SceneUndo.h"

using namespace scenetab;

namespace {

// What the user sees of a scene and what the project keeps of it.
struct Shown {
    int first = 0;
    int last = 0;
    bool enable = true;
    std::string caption;
    double start = 0;
    double length = 0;
    int position = 0;
    std::string file;
    bool operator==(const Shown&) const = default;
};

std::vector<Shown> ShownOf(const std::vector<SceneEntry>& scenes) {
    std::vector<Shown> shown;
    for (const SceneEntry& s : scenes) {
        shown.push_back({s.framNo_first, s.framNo_second, s.enable, s.capParam.caption, s.capParam.capTime_first,
                         s.capParam.capTime_second, s.capParam.cap_pos_type, s.fileName});
    }
    return shown;
}

std::vector<Shown> SavedOf(const std::string& project) {
    CTarneloData saved;
    saved.ResetAll(false);
    if (!saved.LoadProject(project)) return {};
    return ShownOf(saved.diff_list.Snapshot());
}

}  // namespace

class SceneUndoTest : public WindowTestBase {
    Q_OBJECT
public:
    SceneUndoTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_still;
    QString m_twoScenes;

    CTarneloTabScene& Tab() { return m_d.Tab(); }
    CTarneloData& Data() { return Tab().Data(); }
    SceneUndo& History() { return Tab().History(); }
    std::vector<Shown> Listed() { return ShownOf(Data().Scenes().Snapshot()); }

    void SetScenes(const std::vector<Range>& ranges) {
        std::vector<SceneEntry> scenes;
        for (const Range& r : ranges) {
            SceneEntry scene(r.first, r.last, SceneSegmentName(Data(), r.first, r.last));
            Data().SetSceneCaption(scene, 0, scene.FrameCount() / 25.0,
                                   FormatC("Scene%03d", static_cast<int>(scenes.size()) + 1));
            scenes.push_back(scene);
        }
        Data().Scenes().Assign(std::move(scenes), 0);
        Data().list_idx = 0;
        Tab().RefreshList(true);
        for (int row = 0; row < static_cast<int>(ranges.size()); ++row) Tab().Engine().QueueSegment(row, false);
        Tab().Engine().WaitBackgroundDrained();
        Tab().Files().AutoSave(true);
    }

    // Every listed scene has its file, of its length.
    void CheckFiles() {
        Tab().Engine().WaitBackgroundDrained();
        for (const SceneEntry& scene : Data().Scenes().Snapshot()) {
            QVERIFY2(QFile::exists(QString::fromStdString(scene.fileName)), scene.fileName.c_str());
        }
    }

    void Command(int row, int id) {
        Tab().Engine().WaitBackgroundDrained();
        QVERIFY(Tab().Lists().ContextMenu(row, SceneListModel::kColCaption) != nullptr);
        Tab().Lists().OnListCommand(id);
    }

    void ClickCell(int row, int column) {
        SceneListView* view = Tab().Panels().listView;
        const QModelIndex index = Tab().Panels().listModel->index(row, column);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    QLabel* MessagePane() { return Frame()->findChild<QLabel*>(QStringLiteral("statusPane4")); }

    void PrepareRun() override {
        if (!clips::ToolsAvailable()) QSKIP("ffmpeg or ffprobe is not on PATH");
        clips::ClipOptions still;
        still.frames = 260;
        std::string error;
        m_still = QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "still.mp4", still, &error));
        QVERIFY2(!m_still.isEmpty(), error.c_str());
        m_twoScenes =
            QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "two.mp4", TwoSceneClip(), &error));
        QVERIFY2(!m_twoScenes.isEmpty(), error.c_str());
    }

private slots:
    void everyEditIsUndoneAndRedone() {
        m_d.OpenDropped(m_d.Copy(m_still, QStringLiteral("edits.mp4")));
        if (QTest::currentTestFailed()) return;
        struct Edit {
            const char* name;
            std::function<void()> make;
        };
        auto caption = [this] { return Tab().findChild<QLineEdit*>(QStringLiteral("captionEdit")); };
        const Edit edits[] = {
            {"switch off",
             [&] {
                 Tab().Panels().listModel->setData(Tab().Panels().listModel->index(1, 0), Qt::Unchecked,
                                                   Qt::CheckStateRole);
             }},
            {"copy", [&] { Command(1, 1106); }},
            {"split", [&] { Command(0, 1055); }},
            {"delete", [&] { Command(1, 1056); }},
            {"drag over two rows",
             [&] {
                 QVERIFY(Tab().Lists().DragSwap(0, 1));
                 QVERIFY(Tab().Lists().DragSwap(1, 2));
                 Tab().Lists().EndDrag();
             }},
            {"frame cell",
             [&] {
                 ClickCell(1, SceneListModel::kColStart);
                 QVERIFY(Tab().Lists().CellEdit() != nullptr);
                 Driver::Type(Tab().Lists().CellEdit(), QStringLiteral("90"));
             }},
            {"caption text", [&] { Driver::Type(caption(), QStringLiteral("A fox crosses")); }},
            {"caption start, typed twice",
             [&] {
                 auto* start = Tab().findChild<QLineEdit*>(QStringLiteral("captionStartEdit"));
                 Driver::Type(start, QStringLiteral("0.50"));
                 Driver::Type(start, QStringLiteral("1.00"));
             }},
            {"caption position",
             [&] {
                 auto* combo = Tab().findChild<QComboBox*>(QStringLiteral("captionPositionCombo"));
                 combo->setCurrentIndex(8);
                 emit combo->activated(8);
             }},
            {"captions cleared",
             [&] {
                 CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
                 QVERIFY(m_d.Click("captionFillButton"));
             }},
            {"list cleared",
             [&] {
                 CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
                 QVERIFY(m_d.Click("clearListButton"));
             }},
        };
        for (const Edit& edit : edits) {
            SetScenes({{0, 59}, {60, 129}, {130, 259}});
            QVERIFY(!History().CanUndo());
            const std::vector<Shown> before = Listed();
            QCOMPARE(SavedOf(Data().project_file), before);
            const std::string title = Data().capTitle.caption;

            edit.make();
            Tab().Engine().WaitBackgroundDrained();
            const std::vector<Shown> after = Listed();
            QVERIFY2(after != before, edit.name);
            QCOMPARE(SavedOf(Data().project_file), after);

            // One step back: the list, the title and the project as they were, every scene with its file.
            QVERIFY2(History().CanUndo(), edit.name);
            History().Undo();
            QVERIFY2(Listed() == before, edit.name);
            QVERIFY2(SavedOf(Data().project_file) == before, edit.name);
            QCOMPARE(Data().capTitle.caption, title);
            QCOMPARE(Tab().Panels().listModel->rowCount(), static_cast<int>(before.size()));
            CheckFiles();
            QVERIFY2(!History().CanUndo(), edit.name);

            History().Redo();
            QVERIFY2(Listed() == after, edit.name);
            QVERIFY2(SavedOf(Data().project_file) == after, edit.name);
            CheckFiles();
            if (QTest::currentTestFailed()) return;
        }
    }

    void aThresholdDragOverTheUsersWorkIsUndoneInOneStep() {
        if (!m_d.OpenAndExtract(m_d.Copy(m_twoScenes, QStringLiteral("drag.mp4")))) QFAIL("no extraction");
        QVERIFY(Tab().Motion().HasMotionRecord());
        QCOMPARE(RangesOf(Data()), (std::vector<Range>{{30, 80}, {150, 200}}));
        QVERIFY(!History().CanUndo());  // the extraction is not a step
        // The user's work: a caption typed for the first scene, the second scene split.
        Tab().Engine().WaitBackgroundDrained();
        ClickCell(0, SceneListModel::kColCaption);
        QTRY_COMPARE(Data().list_idx, 0);
        Driver::Type(Tab().findChild<QLineEdit*>(QStringLiteral("captionEdit")), QStringLiteral("The box"));
        Command(1, 1055);
        Tab().Engine().WaitBackgroundDrained();
        const std::vector<Shown> edited = Listed();
        const double threshold = Data().threshold.value;
        QCOMPARE(edited.size(), size_t{3});
        QCOMPARE(edited[0].caption, std::string("The box"));
        MessagePane()->setText(QString());

        // The line dragged to the bottom in steps: one scene over the whole clip.
        CMotionTimeline* strip = Tab().Panels().timeline;
        const TimelineScale scale = strip->Scale();
        const int x = scale.left + scale.width / 2;
        const int from = scale.YOfCount(strip->ThresholdCount());
        const int to = scale.upper + scale.height + 10;
        QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, QPoint(x, from));
        for (int i = 1; i <= 6; ++i) {
            const QPointF at(x, from + (to - from) * i / 6);
            QMouseEvent move(QEvent::MouseMove, at, strip->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(strip, &move);
        }
        QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, QPoint(x, to));
        QCOMPARE(RangesOf(Data()), (std::vector<Range>{{0, 259}}));
        // Said without a dialog, with the way back.
        QCOMPARE(MessagePane()->text(), ResText(3202));
        QVERIFY(MessagePane()->text().contains(QLatin1String("Ctrl+Z")));

        // One undo: the caption, the split and the threshold back; their files cut again.
        Frame()->activateWindow();
        QTRY_VERIFY(Frame()->isActiveWindow());
        Tab().Panels().listView->setFocus();
        QTest::keyClick(Frame(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Listed(), edited);
        QCOMPARE(Data().threshold.value, threshold);
        QCOMPARE(Tab().findChild<QLineEdit*>(QStringLiteral("thresholdEdit"))->text(),
                 QString::number(static_cast<int>(threshold)));
        QCOMPARE(SavedOf(Data().project_file), edited);
        CheckFiles();
        // The split and the caption are the steps before it.
        QTest::keyClick(Frame(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Listed().size(), size_t{2});
        QTest::keyClick(Frame(), Qt::Key_Y, Qt::ControlModifier);
        QTest::keyClick(Frame(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(RangesOf(Data()), (std::vector<Range>{{0, 259}}));
        QCOMPARE(Data().threshold.value, 0.0);
    }

    void theMenuAndTheKeysFollowTheHistory() {
        m_d.OpenDropped(m_d.Copy(m_still, QStringLiteral("keys.mp4")));
        if (QTest::currentTestFailed()) return;
        SetScenes({{0, 129}, {130, 259}});
        QAction* undo = Frame()->CommandAction(3200);
        QAction* redo = Frame()->CommandAction(3201);
        QVERIFY(undo != nullptr && redo != nullptr);
        QCOMPARE(undo->text(), QString::fromUtf8("元に戻す(&U)\tCtrl+Z"));
        Frame()->UpdateMenu(Frame()->TopMenu(1));
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());

        Command(0, 1056);
        Frame()->UpdateMenu(Frame()->TopMenu(1));
        QVERIFY(undo->isEnabled() && !redo->isEnabled());

        // Inside a text edit the keys act on its text, not on the list.
        Frame()->activateWindow();
        QTRY_VERIFY(Frame()->isActiveWindow());
        auto* caption = Tab().findChild<QLineEdit*>(QStringLiteral("captionEdit"));
        const QString shown = caption->text();
        caption->setFocus();
        caption->setText(QString());
        QTest::keyClicks(caption, QStringLiteral("ab"));
        QTest::keyClick(caption, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Data().Scenes().Size(), 1);
        QVERIFY(caption->text() != QStringLiteral("ab"));
        caption->setText(shown);

        // Elsewhere in the tab they undo; greyed on the merge tab and while a job runs.
        Tab().Panels().listView->setFocus();
        QTest::keyClick(Tab().Panels().listView, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Data().Scenes().Size(), 2);
        Frame()->UpdateMenu(Frame()->TopMenu(1));
        QVERIFY(!undo->isEnabled() && redo->isEnabled());
        Dlg()->SwitchTab(1);
        Frame()->UpdateMenu(Frame()->TopMenu(1));
        QVERIFY(!redo->isEnabled());
        QVERIFY(!Dlg()->OnCommand(3201));
        Dlg()->SwitchTab(0);
        Tab().SetPreparingInput(true);
        Frame()->UpdateMenu(Frame()->TopMenu(1));
        QVERIFY(!redo->isEnabled());
        Tab().SetPreparingInput(false);

        // A new edit after an undo drops what could be redone; at least 200 steps are kept.
        Command(1, 1106);
        QVERIFY(!Data().Scenes().CanRedo());
        for (int i = 0; i < 220; ++i) {
            Tab().Panels().listModel->setData(Tab().Panels().listModel->index(0, 0),
                                              i % 2 == 0 ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        }
        QCOMPARE(Data().Scenes().UndoCount(), SceneUndo::kSteps);

        // English names.
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdEnglish));
        QCOMPARE(Frame()->CommandAction(3200)->text(), QStringLiteral("&Undo\tCtrl+Z"));
        QCOMPARE(Frame()->CommandAction(3201)->text(), QStringLiteral("&Redo\tCtrl+Y"));
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdJapanese));
    }

    void theHistoryEndsWithTheProject() {
        m_d.OpenDropped(m_d.Copy(m_still, QStringLiteral("ends.mp4")));
        if (QTest::currentTestFailed()) return;
        struct End {
            const char* name;
            std::function<void()> make;
        };
        const QString other = m_d.Copy(m_still, QStringLiteral("other.mp4"));
        const End ends[] = {
            {"new project", [&] { Dlg()->OnCommand(CTarneloDlg::kCmdNew); }},
            {"another video", [&] { m_d.OpenDropped(other); }},
            {"the project opened again",
             [&] { Tab().LoadProjectFile(QString::fromStdString(Data().project_file), true); }},
            {"an extraction",
             [&] {
                 QVERIFY(m_d.Click("extractButton"));
                 m_d.WaitJobEnd();
             }},
        };
        for (const End& end : ends) {
            if (Data().input_file.empty()) m_d.OpenDropped(m_d.Copy(m_still, QStringLiteral("ends.mp4")));
            SetScenes({{0, 129}, {130, 259}});
            Command(0, 1106);
            QVERIFY2(History().CanUndo(), end.name);
            end.make();
            QVERIFY2(!Data().Scenes().CanUndo() && !Data().Scenes().CanRedo(), end.name);
        }
    }

    void theReTuneLineInBothLanguages() {
        if (!m_d.OpenAndExtract(m_d.Copy(m_twoScenes, QStringLiteral("line.mp4")))) QFAIL("no extraction");
        struct Case {
            int language;
            const char* start;
        };
        for (const Case c :
             {Case{CTarneloDlg::kCmdJapanese, "再調整で"}, Case{CTarneloDlg::kCmdEnglish, "The re-tune"}}) {
            QVERIFY(Dlg()->OnCommand(c.language));
            // Switched off by the user, then a threshold that moves that scene's range.
            Tab().Panels().listModel->setData(Tab().Panels().listModel->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
            MessagePane()->setText(QString());
            Driver::Type(Tab().Panels().extraction->Field(0)->Edit(), QStringLiteral("0"));
            QVERIFY2(MessagePane()->text().startsWith(QString::fromUtf8(c.start)), qPrintable(MessagePane()->text()));
            History().Undo();
            QVERIFY(!Listed().front().enable);
            // A re-tune that keeps every edit says nothing.
            MessagePane()->setText(QString());
            Driver::Type(Tab().Panels().extraction->Field(0)->Edit(), QString::number(Data().threshold.value + 1));
            QVERIFY(!Listed().front().enable);
            QCOMPARE(MessagePane()->text(), QString());
        }
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdJapanese));
    }
};

QTEST_MAIN(SceneUndoTest)
#include "SceneUndoTest.moc"
