// The areas of the picture on the scene tab, with the real engine and ffmpeg on a clip made here: drawn over
// the still with the mouse and the keys (a rectangle, a polygon, include and exclude, one deleted, one moved and
// reshaped) and saved in the project in the video's pixels; a new project and the project opened again show
// their own areas; edits are refused while an extraction runs, and areas other than the motion record's ask
// for a new extraction instead of re-tuning the list.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "app/AppMsgDlg.h"
#include "ui/WindowTestBase.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/RegionEditor.h"
#include "ui/preview/StaticPreview.h"
#include "ui/scene/SceneMotionTuner.h"

using namespace scenetab;

namespace {

MotionRegion Rect(int x, int y, int w, int h, bool exclude) {
    MotionRegion r;
    r.exclude = exclude, r.x = x, r.y = y, r.w = w, r.h = h;
    return r;
}

MotionRegions Saved(const std::string& project) {
    CTarneloData saved;
    saved.ResetAll(false);
    return saved.LoadProject(project) ? saved.regions : MotionRegions{{}};
}

}  // namespace

class RegionEditTest : public WindowTestBase {
    Q_OBJECT
public:
    RegionEditTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_clip;

    CTarneloTabScene& Tab() { return m_d.Tab(); }
    CTarneloData& Data() { return Tab().Data(); }
    CRegionEditor* Editor() { return Tab().Panels().regionEditor; }
    QPushButton* Button(const char* name) { return m_d.Find<QPushButton>(name); }
    QCheckBox* ExcludeCheck() { return m_d.Find<QCheckBox>("regionExcludeCheck"); }
    QLabel* MessagePane() { return Frame()->findChild<QLabel*>(QStringLiteral("statusPane4")); }
    // The point of the pane over a pixel of the video.
    QPoint At(int x, int y) { return Editor()->Map().ToWidget({x, y}).toPoint(); }
    // The colour the pane shows over a pixel of the video.
    QColor Shown(int x, int y) { return Tab().Panels().preview->Pane()->grab().toImage().pixelColor(At(x, y)); }

    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(Editor(), Qt::LeftButton, {}, from);
        QTest::mouseMove(Editor(), (from + to) / 2);
        QTest::mouseMove(Editor(), to);
        QTest::mouseRelease(Editor(), Qt::LeftButton, {}, to);
    }

    void OpenClip(const char* name) {
        m_d.OpenDropped(m_d.Copy(m_clip, QLatin1String(name)));
        QTRY_VERIFY(Tab().Panels().preview->Pane()->HasStill());
    }

    void PrepareRun() override {
        if (!clips::ToolsAvailable()) QSKIP("ffmpeg or ffprobe is not on PATH");
        // Small beside the pane, so a point of the pane names one pixel of the video.
        clips::ClipOptions o;
        o.frames = 100;
        o.motion = {{20, 39}};
        std::string error;
        m_clip = QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "box.mp4", o, &error));
        QVERIFY2(!m_clip.isEmpty(), error.c_str());
    }

private slots:
    void areasDrawnOverTheStillAreSavedInVideoPixels() {
        OpenClip("areas.mp4");
        QVERIFY(Button("regionEditButton")->isEnabled());
        QTest::mouseClick(Button("regionEditButton"), Qt::LeftButton);
        QVERIFY(Editor()->Editing());
        QTRY_VERIFY(Editor()->hasFocus());

        // A rectangle, made an exclude area while it is selected; the box stays ticked for the next one.
        Drag(At(20, 10), At(80, 50));
        QTest::mouseClick(ExcludeCheck(), Qt::LeftButton);
        // A polygon of four corners, the last one double-clicked, drawn excluded and then included.
        for (const QPoint& p : {At(100, 60), At(150, 55), At(155, 85), At(105, 88)}) {
            QTest::mouseClick(Editor(), Qt::LeftButton, {}, p);
        }
        QTest::mouseDClick(Editor(), Qt::LeftButton, {}, At(105, 88));
        QTest::mouseRelease(Editor(), Qt::LeftButton, {}, At(105, 88));
        QVERIFY(Data().regions.size() == 2 && Data().regions[1].exclude);
        QTest::mouseClick(ExcludeCheck(), Qt::LeftButton);
        // A third one, deleted with its button.
        Drag(At(5, 60), At(30, 80));
        QCOMPARE(Data().regions.size(), size_t(3));
        QTest::mouseClick(Button("regionDeleteButton"), Qt::LeftButton);
        // Tab reaches the rectangle, the arrows move it 1 and (Shift) 10 pixels, its corner is dragged.
        QTest::keyClick(Editor(), Qt::Key_Tab);
        QTest::keyClick(Editor(), Qt::Key_Right);
        QTest::keyClick(Editor(), Qt::Key_Down, Qt::ShiftModifier);
        Drag(At(81, 60), At(90, 70));

        MotionRegion polygon;
        polygon.polygon = true;
        polygon.points = {{100, 60}, {150, 55}, {155, 85}, {105, 88}};
        const MotionRegions expected = {Rect(21, 20, 69, 50, true), polygon};
        QVERIFY(Data().regions == expected);
        QVERIFY(Saved(Data().project_file) == expected);
        QCOMPARE(m_d.Find<QLabel>("regionCountLabel")->text(), ResText(3238).arg(2));
        // Red over the excluded rectangle, green over the included polygon.
        const QColor excluded = Shown(50, 40), included = Shown(130, 75);
        QVERIFY(excluded.red() > excluded.green() + 20 && included.green() > included.red() + 20);

        // Esc leaves the mode; a new project has no areas and no video to draw on; the project opened again
        // shows its own.
        QTest::keyClick(Editor(), Qt::Key_Escape);
        QVERIFY(!Button("regionEditButton")->isChecked() && !Editor()->Editing());
        const QString project = QString::fromStdString(Data().project_file);
        Tab().NewProject();
        QVERIFY(Editor()->Regions().empty() && !Button("regionEditButton")->isEnabled());
        QCOMPARE(m_d.Find<QLabel>("regionCountLabel")->text(), ResText(3239));
        QCOMPARE(Tab().LoadProjectFile(project, true), 1);
        QVERIFY(Editor()->Regions() == expected && Button("regionEditButton")->isEnabled());
    }

    void areasWaitForTheExtractionAndAskForANewOne() {
        OpenClip("scan.mp4");
        QTest::mouseClick(Button("regionEditButton"), Qt::LeftButton);
        QVERIFY(m_d.Click("extractButton"));
        // The extraction reads the areas when it starts: nothing changes them while it runs.
        QVERIFY(!Button("regionEditButton")->isEnabled() && !Editor()->Editing());
        m_d.WaitJobEnd();
        QVERIFY(Tab().Motion().HasMotionRecord());
        // The mode chosen before comes back with the controls.
        QVERIFY(Button("regionEditButton")->isEnabled() && Editor()->Editing());

        const std::vector<Range> scenes = RangesOf(Data());
        MessagePane()->setText(QString());
        Drag(At(10, 10), At(60, 60));
        QCOMPARE(MessagePane()->text(), ResText(3223));
        QVERIFY(RangesOf(Data()) == scenes);
        // All cleared after a yes: the areas are the record's again, and the message goes.
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
        QTest::mouseClick(Button("regionClearButton"), Qt::LeftButton);
        QVERIFY(Data().regions.empty() && Saved(Data().project_file).empty());
        QCOMPARE(MessagePane()->text(), QString());
    }
};

QTEST_MAIN(RegionEditTest)
#include "RegionEditTest.moc"
