// Captions as a user sets them in the scene tab: typed times held within the scene, the heading that switches
// to the title and the watermark, the font dialog, and the caption burnt into the joined output inside its
// interval only.
#include <QComboBox>
#include <QFont>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/AppMsgDlg.h"
#include "app/ExtFontDialog.h"
#include "ui/WindowTestBase.h"
#include "ui/common/SectionHeading.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"

using namespace scenetab;

namespace {

// Pixels of the bottom quarter of the frame at seconds that stand out from the grey background: a white
// caption with its dark outline does, the clip's background and its box (vertically centred) do not.
int CaptionPixelsAt(const QString& video, double seconds) {
    const QByteArray pixels = GreyFrameAt(video, seconds, QStringLiteral("crop=iw:ih/4:0:ih*3/4"));
    if (pixels.isEmpty()) return -1;
    int count = 0;
    for (const char p : pixels) {
        const int value = static_cast<unsigned char>(p);
        if (value > 200 || value < 60) ++count;
    }
    return count;
}

}  // namespace

class SceneCaptionTest : public WindowTestBase {
    Q_OBJECT
public:
    SceneCaptionTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_clip;

    CTarneloTabScene& Tab() { return m_d.Tab(); }
    QLineEdit* Edit(const char* name) { return m_d.Find<QLineEdit>(name); }
    CaptionParam SceneCaption(int row) { return Tab().Data().diff_list.Snapshot()[static_cast<size_t>(row)].capParam; }
    void Select(int row) {
        Tab().Panels().listView->SelectRow(row);
        Tab().Data().list_idx = row;
    }

    void PrepareRun() override {
        if (!clips::ToolsAvailable()) QSKIP("ffmpeg or ffprobe is not on PATH");
        const clips::ClipOptions two = TwoSceneClip();
        std::string error;
        m_clip = QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "two.mp4", two, &error));
        QVERIFY2(!m_clip.isEmpty(), error.c_str());
    }

private slots:
    void typedTimesKindsAndFontReachTheJoinedOutput() {
        // Without scenes the controls show the default caption.
        QCOMPARE(Edit("captionStartEdit")->text(), QStringLiteral("0.00"));
        QCOMPARE(Edit("captionLengthEdit")->text(), QStringLiteral("0.00"));
        QCOMPARE(m_d.Find<QComboBox>("captionPositionCombo")->currentIndex(), 2);

        if (!m_d.OpenAndExtract(m_d.Copy(m_clip, QStringLiteral("two.mp4")))) return;
        QCOMPARE(Tab().Data().diff_list.Snapshot().size(), size_t{2});
        const SceneEntry first = Tab().Data().diff_list.Snapshot()[0];
        const double limit = first.FrameCount() / Tab().Data().m_sourceInfo.fps;
        QVERIFY2(limit > 1.6, "the first scene is too short to sample outside its caption");
        const QString limitText = QString::asprintf("%.02f", limit);
        Select(0);

        // Times are held within the scene: the length at most the scene, the start below its end, and a
        // start that leaves less room cuts the length.
        Driver::Type(Edit("captionLengthEdit"), QStringLiteral("99"));
        QCOMPARE(Edit("captionLengthEdit")->text(), limitText);
        Driver::Type(Edit("captionStartEdit"), QStringLiteral("99"));
        QCOMPARE(Edit("captionStartEdit")->text(), QString::asprintf("%.02f", limit - 0.01));
        QCOMPARE(Edit("captionLengthEdit")->text(), QStringLiteral("0.01"));
        Driver::Type(Edit("captionStartEdit"), QStringLiteral("0.5"));
        Driver::Type(Edit("captionLengthEdit"), QStringLiteral("0.5"));
        Driver::Type(Edit("captionEdit"), QStringLiteral("MARK"));
        QCOMPARE(SceneCaption(0).capTime_first, 0.5);
        QCOMPARE(SceneCaption(0).capTime_second, 0.5);
        QCOMPARE(Tab().Panels().listModel->index(0, SceneListModel::kColCaptionStart).data().toString(),
                 QStringLiteral("0.50"));

        // The font dialog's choice is the scene's: face, pixel size, weight and colour (stored BGR).
        QFont chosen(QStringLiteral("DejaVu Sans"));
        chosen.setPointSizeF(27);  // 36 pixels on a 96-dpi screen
        chosen.setBold(true);
        CExtFontDialog::SetNextFont(chosen, QColor(255, 0, 0));
        QVERIFY(m_d.Click("fontButton"));
        QCOMPARE(SceneCaption(0).font_name, std::string("DejaVu Sans"));
        QCOMPARE(SceneCaption(0).font_size, 36);
        QCOMPARE(SceneCaption(0).bold, -1);
        QCOMPARE(SceneCaption(0).italic, 0);
        QCOMPARE(SceneCaption(0).color & 0x00FFFFFFu, 0x000000FFu);
        QCOMPARE(SceneCaption(1).font_size, 24);

        // The heading walks through the title and the watermark, whose times reach just below ten hours.
        auto* heading = m_d.Find<CSectionHeading>("captionHeading");
        const std::string titleBefore = Tab().Data().capTitle.caption;
        QTest::mouseClick(heading, Qt::LeftButton);
        QCOMPARE(heading->text(), QString::fromUtf8("タイトル設定"));
        Driver::Type(Edit("captionStartEdit"), QStringLiteral("40000"));
        QCOMPARE(Tab().Data().capTitle.capTime_first, 35999.99);
        QCOMPARE(SceneCaption(0).capTime_first, 0.5);
        QTest::mouseClick(heading, Qt::LeftButton);
        QCOMPARE(heading->text(), QString::fromUtf8("透かし設定"));
        Driver::Type(Edit("captionLengthEdit"), QStringLiteral("36001"));
        QCOMPARE(Tab().Data().capWatermark.capTime_second, 36000.0);
        QTest::mouseClick(heading, Qt::LeftButton);
        QCOMPARE(heading->text(), QString::fromUtf8("字幕設定"));
        QCOMPARE(Edit("captionEdit")->text(), QStringLiteral("MARK"));
        QCOMPARE(Tab().Data().capTitle.caption, titleBefore);

        // The project on disk holds the caption as set.
        CTarneloData saved;
        saved.ResetAll(false);
        QVERIFY(saved.LoadProject(Tab().Data().project_file));
        QCOMPARE(saved.diff_list.Snapshot()[0].capParam.caption, std::string("MARK"));
        QCOMPARE(saved.diff_list.Snapshot()[0].capParam.font_size, 36);

        // Joined, the caption shows between 0.5 s and 1.0 s of the first scene and nowhere else near it.
        QVERIFY(m_d.Click("mergeButton"));
        m_d.WaitJobEnd();
        if (QTest::currentTestFailed()) return;
        const QString output = QString::fromStdString(Tab().Data().GetOutputPath());
        QVERIFY(QFile::exists(output));
        const int inside = CaptionPixelsAt(output, 0.75);
        const int before = CaptionPixelsAt(output, 0.2);
        const int after = CaptionPixelsAt(output, 1.4);
        QVERIFY2(inside > 50, qPrintable(QStringLiteral("caption pixels inside: %1").arg(inside)));
        QCOMPARE(before, 0);
        QCOMPARE(after, 0);
    }
};

QTEST_MAIN(SceneCaptionTest)
#include "SceneCaptionTest.moc"
