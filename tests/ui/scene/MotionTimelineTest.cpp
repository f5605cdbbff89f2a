// The motion record on the scene tab, with the real engine and ffmpeg on a clip made here: the timeline strip
// after an extraction, dragging its threshold line re-tunes the list without decoding (and a fresh extraction
// agrees), clicks select and seek, the peak frame, and a tab without a usable record.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include "app/AppMsgDlg.h"
#include "engine/motion/MotionRecord.h"
#include "engine/motion/MotionSummary.h"
#include "project/TimeText.h"
#include "ui/WindowTestBase.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/scene/ExtractionPanel.h"
#include "ui/scene/MotionTimeline.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/SceneMotionTuner.h"

using namespace scenetab;

class MotionTimelineTest : public WindowTestBase {
    Q_OBJECT
public:
    MotionTimelineTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_twoScenes;

    CTarneloTabScene& Tab() { return m_d.Tab(); }
    CMotionTimeline* Strip() { return Tab().Panels().timeline; }
    SceneListModel* Model() { return Tab().Panels().listModel; }

    // The clip opened and extracted with a fresh work folder; false when that failed.
    bool Extracted() {
        return m_d.OpenAndExtract(m_d.Copy(m_twoScenes, QStringLiteral("two.mp4"))) && Tab().Motion().HasMotionRecord();
    }
    std::vector<Range> Ranges() { return RangesOf(Tab().Data()); }
    // Drags the threshold line from where it is to y, in steps, as a hand would.
    void DragLineTo(int y) {
        const TimelineScale scale = Strip()->Scale();
        const int x = scale.left + scale.width / 2;
        const int from = scale.YOfCount(Strip()->ThresholdCount());
        QTest::mousePress(Strip(), Qt::LeftButton, Qt::NoModifier, QPoint(x, from));
        QVERIFY(Strip()->Dragging());
        const int steps = 6;
        for (int i = 1; i <= steps; ++i) {
            QMouseEvent move(QEvent::MouseMove, QPointF(x, from + (y - from) * i / steps),
                             Strip()->mapToGlobal(QPointF(x, from + (y - from) * i / steps)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(Strip(), &move);
        }
        QTest::mouseRelease(Strip(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        QVERIFY(!Strip()->Dragging());
    }

    void PrepareRun() override {
        if (!clips::ToolsAvailable()) QSKIP("ffmpeg or ffprobe is not on PATH");
        std::string error;
        m_twoScenes =
            QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "two.mp4", TwoSceneClip(), &error));
        QVERIFY2(!m_twoScenes.isEmpty(), error.c_str());
    }

private slots:
    void theScaleMapsBothWays() {
        TimelineScale scale{.frames = 108000, .top = 32400, .left = 4, .width = 800, .upper = 4, .height = 60};
        QCOMPARE(scale.FrameAtX(scale.XOfFrame(0)), 0);
        QCOMPARE(scale.FrameAtX(scale.XOfFrame(107999)), 107999);
        QCOMPARE(scale.FrameAtX(-50), 0);
        QCOMPARE(scale.FrameAtX(5000), 107999);
        QCOMPARE(scale.YOfCount(0), 4 + 60 - 1);
        QCOMPARE(scale.YOfCount(32400), 4);
        QCOMPARE(scale.YOfCount(1e9), 4);  // above the top: drawn at the top
        for (double count : {1.0, 150.0, 1562.0, 20000.0}) {
            const double back = scale.CountAtY(scale.YOfCount(count));
            // One pixel of a 60-pixel logarithmic axis over 32,400 counts is under a fifth of the value.
            QVERIFY2(std::abs(back - count) <= count * 0.2 + 1, qPrintable(QString::number(back)));
        }
        QCOMPARE(scale.CountAtY(-100), 32400.0);
        QCOMPARE(scale.CountAtY(1000), 0.0);
    }

    void theStripShowsTheRecordAndItsScenes() {
        QVERIFY(!Strip()->isVisible());  // nothing extracted yet
        if (!Extracted()) QFAIL("the extraction did not leave a motion record");
        QVERIFY(Strip()->isVisible());
        QCOMPARE(Strip()->accessibleName(), ResText(3180));
        QCOMPARE(Strip()->Record()->counts.size(), size_t(260));
        // The box moves in frames 30-79 and 150-199; the frame after each differs from the last moved one.
        const std::vector<Range> scenes = Ranges();
        QCOMPARE(scenes, (std::vector<Range>{{30, 80}, {150, 200}}));
        for (int row = 0; row < 2; ++row) QTRY_VERIFY(Model()->RowCut(row));

        // A click inside the second band selects that scene and seeks its player to the frame clicked.
        const TimelineScale scale = Strip()->Scale();
        const int clicked = scale.FrameAtX(scale.XOfFrame(170));
        QTest::mouseClick(Strip(), Qt::LeftButton, Qt::NoModifier, QPoint(scale.XOfFrame(170), scale.upper + 5));
        QTRY_COMPARE_WITH_TIMEOUT(Tab().Panels().listView->CurrentRow(), 1, kJobTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(Tab().Engine().CurrentPlayFrame(), clicked - 150, kJobTimeoutMs);

        // The row menu offers the peak frame, which the player then shows.
        std::unique_ptr<QMenu> menu;
        QTRY_VERIFY((menu = Tab().Lists().ContextMenu(0, SceneListModel::kColCaption)) != nullptr);
        auto* peakAction = menu->findChild<QAction*>(QStringLiteral("command3184"));
        QVERIFY(peakAction != nullptr && peakAction->isEnabled());
        const std::optional<MotionPeak> peak = PeakOfRange(Strip()->Record()->counts, 30, 80);
        QVERIFY(peak.has_value());
        Tab().Lists().OnListCommand(SceneListEditor::kShowPeakCommand);
        QTRY_COMPARE_WITH_TIMEOUT(Tab().Panels().listView->CurrentRow(), 0, kJobTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(Tab().Engine().CurrentPlayFrame(), peak->frame - 30, kJobTimeoutMs);
        int controls = 0;
        VerifyControlsNamed(&Tab(), controls);
    }

    void draggingTheThresholdRetunesAsAFreshExtractionWould() {
        if (!Extracted()) QFAIL("the extraction did not leave a motion record");
        const std::vector<Range> extracted = Ranges();
        const auto* edit = Tab().findChild<QLineEdit*>(QStringLiteral("thresholdEdit"));

        // Up to the top: only the box's larger steps reach the threshold, so other scenes, not cut yet.
        DragLineTo(Strip()->Scale().upper);
        QCOMPARE(Tab().Data().threshold.value, Tab().Data().threshold.maximum);
        QCOMPARE(edit->text(), QStringLiteral("1000"));
        QTRY_VERIFY(Ranges() != extracted);
        const std::vector<Range> top = Ranges();
        QVERIFY(!top.empty());
        QTRY_VERIFY(!Model()->RowCut(0));

        // To the bottom: every frame counts as motion, one scene over the whole clip.
        DragLineTo(Strip()->Scale().upper + Strip()->Scale().height + 10);
        QTRY_COMPARE(Ranges(), (std::vector<Range>{{0, 259}}));
        QCOMPARE(Tab().Data().threshold.value, 0.0);

        // Up/Down on the strip step the setting; back at 100 the extraction's scenes are back with their files.
        Strip()->setFocus();
        QTest::keyClick(Strip(), Qt::Key_PageUp);
        QCOMPARE(Tab().Data().threshold.value, 10.0);
        QTest::keyClick(Strip(), Qt::Key_Down);
        QCOMPARE(Tab().Data().threshold.value, 9.0);
        auto* field = Tab().Panels().extraction->Field(0);
        Driver::Type(field->Edit(), QStringLiteral("100"));
        QTRY_COMPARE(Ranges(), extracted);
        for (int row = 0; row < 2; ++row) QTRY_VERIFY(Model()->RowCut(row));

        // The top threshold typed, then a fresh decode with it: the list the re-tune gave, now cut.
        Driver::Type(field->Edit(), QStringLiteral("1000"));
        QTRY_COMPARE(Ranges(), top);
        QVERIFY(m_d.Click("extractButton"));
        m_d.WaitJobEnd();
        QCOMPARE(Ranges(), top);
        QTRY_VERIFY(Model()->RowCut(0));
    }

    // Half at 25 fps, half at 12.5 (34.52 s): the player's texts and the strip's seeks follow the frames' own
    // times, not their number over the average rate.
    void aVariableRateRecordingIsShownAtItsFramesTimes() {
        clips::ClipOptions o = TwoSceneClip();
        o.frames = 576;
        o.frameTime = "if(lt(N,288),N/25,11.52+(N-288)/12.5)";
        o.motion = {{60, 120}, {380, 450}};
        std::string error;
        const QString clip =
            QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "vfr.mp4", o, &error));
        QVERIFY2(!clip.isEmpty(), error.c_str());
        const auto timeOf = [](int frame) { return frame < 288 ? frame / 25.0 : 11.52 + (frame - 288) / 12.5; };
        const auto text = [](double seconds) { return QString::fromStdString(SecondsToFrameTimeText(seconds, false)); };
        auto* position = Tab().findChild<QLabel*>(QStringLiteral("positionLine"));
        QVERIFY(position != nullptr);

        m_d.OpenDropped(m_d.Copy(clip, QStringLiteral("vfr.mp4")));
        QVERIFY(Tab().Data().HasTimedFrames());
        // The last frame shows the whole length; a frame of the slow half its own time.
        QVERIFY(m_d.Click("forward60Button"));
        QTRY_VERIFY_WITH_TIMEOUT(position->text().startsWith(text(34.52) + "/" + text(34.52) + " Frm:575/575"),
                                 kJobTimeoutMs);
        QVERIFY(m_d.Click("back10Button"));
        QTRY_VERIFY_WITH_TIMEOUT(!position->text().contains(QStringLiteral("Frm:575/")), kJobTimeoutMs);
        const int shown = Tab().Engine().CurrentPlayFrame();
        QVERIFY2(shown > 288, qPrintable(position->text()));
        QVERIFY2(position->text().startsWith(text(timeOf(shown)) + "/" + text(34.52)), qPrintable(position->text()));

        QVERIFY(m_d.Click("extractButton"));
        m_d.WaitJobEnd();
        QVERIFY(Strip()->isVisible());
        QCOMPARE(Strip()->Record()->counts.size(), size_t(576));
        const std::vector<Range> scenes = Ranges();
        QCOMPARE(scenes, (std::vector<Range>{{60, 121}, {380, 451}}));
        for (int row = 0; row < 2; ++row) QTRY_VERIFY(Model()->RowCut(row));
        // A click on the second band seeks its cut to the frame clicked, at that frame's time within the cut.
        const TimelineScale scale = Strip()->Scale();
        const int clicked = scale.FrameAtX(scale.XOfFrame(420));
        QTest::mouseClick(Strip(), Qt::LeftButton, Qt::NoModifier, QPoint(scale.XOfFrame(420), scale.upper + 5));
        QTRY_COMPARE_WITH_TIMEOUT(Tab().Panels().listView->CurrentRow(), 1, kJobTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(Tab().Engine().CurrentPlayFrame(), clicked - 380, kJobTimeoutMs);
        QCOMPARE(QString::fromStdString(Tab().Engine().CurrentPlayTime()),
                 QString::fromStdString(FormatC("%.6f", timeOf(clicked) - timeOf(380))));
    }

    void withoutAUsableRecordTheSettingsChangeOnlyThemselves() {
        if (!Extracted()) QFAIL("the extraction did not leave a motion record");
        const std::string record = Tab().Data().motion_file;
        const std::string project = Tab().Data().project_file;
        const std::vector<Range> extracted = Ranges();
        // A record cut short is not trusted: the project opens without the strip.
        QFile file(QString::fromStdString(record));
        QVERIFY(file.resize(file.size() - 4));
        QVERIFY(Tab().LoadProjectFile(QString::fromStdString(project), true) == 1);
        QTRY_VERIFY_WITH_TIMEOUT(Tab().LocalJob() == 0 && m_d.Idle(), kJobTimeoutMs);
        QVERIFY(!Tab().Motion().HasMotionRecord());
        QVERIFY(!Strip()->isVisible());
        Driver::Type(Tab().Panels().extraction->Field(0)->Edit(), QStringLiteral("900"));
        QCOMPARE(Tab().Data().threshold.value, 900.0);
        QTest::qWait(100);
        QCOMPARE(Ranges(), extracted);
        // The next extraction writes a good record again.
        QVERIFY(m_d.Click("extractButton"));
        m_d.WaitJobEnd();
        QVERIFY(Tab().Motion().HasMotionRecord());
        QVERIFY(Strip()->isVisible());
    }
};

QTEST_MAIN(MotionTimelineTest)
#include "MotionTimelineTest.moc"
