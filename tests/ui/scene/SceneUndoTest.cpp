// Undo and redo of the scene list in the program, with the real engine and ffmpeg on clips made here: every
// kind of edit undone and redone (the list and the saved project both back as they were, missing scene files
// cut again), a threshold drag over the user's work undone in one step with its status line, the keys and the
// menu, and the history's end with the project.
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

// What the user made of the scenes, without what jobs measured of their files.
std::vector<SceneEntry> Made(std::vector<SceneEntry> scenes) {
    for (SceneEntry& scene : scenes) scene.m_segmentInfo = scene.m_convertedInfo = VideoInfo();
    return scenes;
}

std::vector<SceneEntry> Saved(const std::string& project) {
    CTarneloData saved;
    saved.ResetAll(false);
    return saved.LoadProject(project) ? Made(saved.diff_list.Snapshot()) : std::vector<SceneEntry>();
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
    std::vector<SceneEntry> Listed() { return Made(Data().Scenes().Snapshot()); }

    // The scenes cut and saved, as after an extraction.
    void SetScenes(const std::vector<Range>& ranges) {
        m_d.SetScenes(ranges);
        for (int row = 0; row < static_cast<int>(ranges.size()); ++row) Tab().Engine().QueueSegment(row, false);
        Tab().Engine().WaitBackgroundDrained();
        Tab().Files().AutoSave(true);
    }

    // Every listed scene has its file.
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
        auto field = [this](const char* name) { return Tab().findChild<QLineEdit*>(QLatin1String(name)); };
        auto yesTo = [this](const char* button) {
            CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
            QVERIFY(m_d.Click(button));
        };
        const std::pair<const char*, std::function<void()>> edits[] = {
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
                 QVERIFY(Tab().Lists().DragSwap(0, 1) && Tab().Lists().DragSwap(1, 2));
                 Tab().Lists().EndDrag();
             }},
            {"frame cell",
             [&] {
                 m_d.ClickCell(1, SceneListModel::kColStart);
                 QVERIFY(Tab().Lists().CellEdit() != nullptr);
                 Driver::Type(Tab().Lists().CellEdit(), QStringLiteral("90"));
             }},
            {"caption text", [&] { Driver::Type(field("captionEdit"), QStringLiteral("A fox crosses")); }},
            {"caption start typed twice",
             [&] {
                 Driver::Type(field("captionStartEdit"), QStringLiteral("0.50"));
                 Driver::Type(field("captionStartEdit"), QStringLiteral("1.00"));
             }},
            {"caption position",
             [&] {
                 auto* combo = Tab().findChild<QComboBox*>(QStringLiteral("captionPositionCombo"));
                 combo->setCurrentIndex(8);
                 emit combo->activated(8);
             }},
            {"captions cleared", [&] { yesTo("captionFillButton"); }},
            {"list cleared", [&] { yesTo("clearListButton"); }},
        };
        for (const auto& [name, edit] : edits) {
            SetScenes({{0, 59}, {60, 129}, {130, 259}});
            const std::vector<SceneEntry> before = Listed();
            edit();
            Tab().Engine().WaitBackgroundDrained();
            const std::vector<SceneEntry> after = Listed();
            QVERIFY2(after != before && Saved(Data().project_file) == after, name);

            // One step back: the list and the project as they were, every scene with its file; then forward.
            History().Undo();
            QVERIFY2(Listed() == before && Saved(Data().project_file) == before, name);
            QCOMPARE(Tab().Panels().listModel->rowCount(), static_cast<int>(before.size()));
            QVERIFY2(!History().CanUndo(), name);
            CheckFiles();
            History().Redo();
            QVERIFY2(Listed() == after && Saved(Data().project_file) == after, name);
            CheckFiles();
            if (QTest::currentTestFailed()) return;
        }
    }

    void aThresholdDragOverTheUsersWorkIsUndoneInOneStepAndSaysSo() {
        if (!m_d.OpenAndExtract(m_d.Copy(m_twoScenes, QStringLiteral("drag.mp4")))) QFAIL("no extraction");
        QCOMPARE(RangesOf(Data()), (std::vector<Range>{{30, 80}, {150, 200}}));
        QVERIFY(!History().CanUndo());  // the extraction is not a step
        // The user's work: a caption typed for the first scene, the second scene split.
        Tab().Engine().WaitBackgroundDrained();
        m_d.ClickCell(0, SceneListModel::kColCaption);
        QTRY_COMPARE(Data().list_idx, 0);
        Driver::Type(Tab().findChild<QLineEdit*>(QStringLiteral("captionEdit")), QStringLiteral("The box"));
        Command(1, 1055);
        Tab().Engine().WaitBackgroundDrained();
        const std::vector<SceneEntry> edited = Listed();
        const double threshold = Data().threshold.value;
        QCOMPARE(edited.size(), size_t{3});
        MessagePane()->setText(QString());

        // The line dragged to the bottom in steps: one scene over the whole clip, said without a dialog.
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
        QVERIFY(MessagePane()->text().startsWith(QString::fromUtf8("再調整で")));
        QVERIFY(MessagePane()->text().contains(QLatin1String("Ctrl+Z")));

        // One undo from the keyboard: the caption, the split and the threshold back, their files cut again.
        Frame()->activateWindow();
        QTRY_VERIFY(Frame()->isActiveWindow());
        Tab().Panels().listView->setFocus();
        QTest::keyClick(Frame(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Listed(), edited);
        QCOMPARE(Data().threshold.value, threshold);
        QCOMPARE(Tab().findChild<QLineEdit*>(QStringLiteral("thresholdEdit"))->text(),
                 QString::number(static_cast<int>(threshold)));
        QCOMPARE(Saved(Data().project_file), edited);
        CheckFiles();
        // The split is the step before it; both keys redo.
        QTest::keyClick(Frame(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Listed().size(), size_t{2});
        QTest::keyClick(Frame(), Qt::Key_Y, Qt::ControlModifier);
        QTest::keyClick(Frame(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(RangesOf(Data()), (std::vector<Range>{{0, 259}}));
        QCOMPARE(Data().threshold.value, 0.0);

        // In English: the menu's names, and the line after a typed threshold over a scene switched off.
        History().Undo();
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdEnglish));
        QCOMPARE(Frame()->CommandAction(3200)->text(), QStringLiteral("&Undo\tCtrl+Z"));
        QCOMPARE(Frame()->CommandAction(3201)->text(), QStringLiteral("&Redo\tCtrl+Y"));
        Tab().Panels().listModel->setData(Tab().Panels().listModel->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
        Driver::Type(Tab().Panels().extraction->Field(0)->Edit(), QStringLiteral("0"));
        QVERIFY(MessagePane()->text().startsWith(QLatin1String("The re-tune replaced scenes you had edited")));
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdJapanese));
    }

    void theKeysTheMenuAndTheEndOfTheHistory() {
        m_d.OpenDropped(m_d.Copy(m_still, QStringLiteral("keys.mp4")));
        if (QTest::currentTestFailed()) return;
        SetScenes({{0, 129}, {130, 259}});
        QAction* undo = Frame()->CommandAction(3200);
        QAction* redo = Frame()->CommandAction(3201);
        auto enabled = [&] {
            Frame()->UpdateMenu(Frame()->TopMenu(1));
            return std::make_pair(undo->isEnabled(), redo->isEnabled());
        };
        QCOMPARE(enabled(), std::make_pair(false, false));
        Command(0, 1056);
        QCOMPARE(enabled(), std::make_pair(true, false));

        // Inside a text edit the keys act on its text, not on the list; elsewhere in the tab they undo.
        Frame()->activateWindow();
        QTRY_VERIFY(Frame()->isActiveWindow());
        auto* caption = Tab().findChild<QLineEdit*>(QStringLiteral("captionEdit"));
        const QString shown = caption->text();
        caption->setFocus();
        QTest::keyClicks(caption, QStringLiteral("ab"));
        QTest::keyClick(caption, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(caption->text(), shown);
        QCOMPARE(Data().Scenes().Size(), 1);
        Tab().Panels().listView->setFocus();
        QTest::keyClick(Tab().Panels().listView, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Data().Scenes().Size(), 2);
        QCOMPARE(enabled(), std::make_pair(false, true));
        // Greyed on the merge tab and while a job runs; a new edit drops what could be redone.
        Dlg()->SwitchTab(1);
        QCOMPARE(enabled(), std::make_pair(false, false));
        Dlg()->SwitchTab(0);
        Tab().SetPreparingInput(true);
        QCOMPARE(enabled(), std::make_pair(false, false));
        Tab().SetPreparingInput(false);
        Command(1, 1106);
        QCOMPARE(enabled(), std::make_pair(true, false));

        // The history belongs to the project.
        const QString other = m_d.Copy(m_still, QStringLiteral("other.mp4"));
        const std::pair<const char*, std::function<void()>> ends[] = {
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
        for (const auto& [name, end] : ends) {
            if (Data().input_file.empty()) m_d.OpenDropped(m_d.Copy(m_still, QStringLiteral("keys.mp4")));
            SetScenes({{0, 129}, {130, 259}});
            Command(0, 1106);
            end();
            QVERIFY2(!Data().Scenes().CanUndo() && !Data().Scenes().CanRedo(), name);
        }
    }
};

QTEST_MAIN(SceneUndoTest)
#include "SceneUndoTest.moc"
