// What the merge tab derives from its list and choices: the information line over analysed, disabled and
// unanalysed videos with and without cross-fades, the converted files of a choice, and the list after the
// choice changed.
#include <QtTest>

#include "project/TarneloData.h"
#include "ui/merge/MergeRules.h"

Q_DECLARE_METATYPE(std::vector<SceneEntry>)

namespace {

// An analysed video of frames at fps, converted to 1920x1080 at 60000/1001.
SceneEntry Analysed(int frames, double fps, bool enabled = true) {
    SceneEntry video;
    video.m_created = true;
    video.enable = enabled;
    video.m_fileToUse = "/v/in.mp4";
    video.fileName = "/v/conv_out/in_seg_1920x1080_59.94.mp4";
    video.m_segmentInfo.frame_num = frames;
    video.m_segmentInfo.fps = fps;
    TargetConvertedInfo(video, MergeFrameSize(3), MergeFrameRate(3));
    return video;
}

SceneEntry Unanalysed() {
    SceneEntry video;
    video.m_created = false;
    video.enable = true;
    return video;
}

}  // namespace

class MergeRulesTest : public QObject {
    Q_OBJECT
private slots:
    void informationLine_data() {
        QTest::addColumn<std::vector<SceneEntry>>("list");
        QTest::addColumn<bool>("transition");
        QTest::addColumn<int>("rateIndex");
        QTest::addColumn<int>("inputFrames");
        QTest::addColumn<QString>("expected");
        // 50 frames at 25 fps are 2 s: 119 frames at 59.94; 60 frames at 29.97 are 120 at 59.94.
        QTest::newRow("nothing analysed") << std::vector<SceneEntry>{Unanalysed()} << false << 3 << 0 << QString();
        QTest::newRow("two joined") << std::vector<SceneEntry>{Analysed(50, 25), Analysed(60, 30000 / 1001.0)} << false
                                    << 3 << 60
                                    << QStringLiteral("00:00:03.98/00:00:03.98 Frm:239/239 FPS:59.94 W1920xH1080");
        QTest::newRow("disabled and unanalysed left out")
            << std::vector<SceneEntry>{Analysed(50, 25), Analysed(60, 30000 / 1001.0, false), Unanalysed()} << false
            << 3 << 60 << QStringLiteral("00:00:01.98/00:00:03.98 Frm:119/239 FPS:59.94 W1920xH1080");
        // One cross-fade of 0.2 s between the two joined videos.
        QTest::newRow("cross-fade") << std::vector<SceneEntry>{Analysed(50, 25), Analysed(60, 30000 / 1001.0)} << true
                                    << 3 << 60
                                    << QStringLiteral("00:00:03.78/00:00:03.98 Frm:227/239 FPS:59.94 W1920xH1080");
        QTest::newRow("a single video has no cross-fade")
            << std::vector<SceneEntry>{Analysed(50, 25)} << true << 3 << 50
            << QStringLiteral("00:00:01.98/00:00:01.98 Frm:119/119 FPS:59.94 W1920xH1080");
        QTest::newRow("all disabled") << std::vector<SceneEntry>{Analysed(50, 25, false)} << true << 3 << 50
                                      << QStringLiteral("00:00:00.00/00:00:01.98 Frm:0/119 FPS:59.94 W1920xH1080");
        // The line follows the input video: one with frames shows it before any analysis, one without hides it.
        QTest::newRow("input with frames, nothing analysed")
            << std::vector<SceneEntry>{Unanalysed()} << false << 3 << 50
            << QStringLiteral("00:00:00.00/00:00:00.00 Frm:0/0 FPS:59.94 W1920xH1080");
        QTest::newRow("analysed, input without frames")
            << std::vector<SceneEntry>{Analysed(50, 25)} << false << 3 << 0 << QString();
    }
    void informationLine() {
        QFETCH(std::vector<SceneEntry>, list);
        QFETCH(bool, transition);
        QFETCH(int, rateIndex);
        QFETCH(int, inputFrames);
        QFETCH(QString, expected);
        CTarneloData data;
        data.ResetAll(false);
        data.m_sourceInfo.frame_num = inputFrames;
        data.diff_list.Assign(list, -1);
        data.transition = transition;
        data.TransitionDuration = 0.2;
        QCOMPARE(QString::fromStdString(MergeInfoText(data, MergeFrameSize(3), MergeFrameRate(rateIndex))), expected);
    }

    void convertedFilesOfAChoice() {
        QCOMPARE(ConvertedFilePattern("/v/conv_out/", MergeFrameSize(4), MergeFrameRate(5)),
                 std::string("/v/conv_out/*_seg_1280x720_29.97.mp4"));
        QCOMPARE(ConvertedFilePattern("/v/", MergeFrameSize(0), MergeFrameRate(0)),
                 std::string("/v/*_seg_4096x2160_120.00.mp4"));
    }

    void aNewChoiceRetargetsTheAnalysedVideosOnly() {
        CTarneloData data;
        data.ResetAll(false);
        data.m_sourceInfo.fps = 30000 / 1001.0;
        data.diff_list.Assign({Analysed(50, 25), Unanalysed()}, -1);
        // A count a conversion measured is kept while the choice stays.
        data.diff_list.Update(0, [&](SceneEntry& s) { s.m_convertedInfo.frame_num = 118; });
        QVERIFY(!RetargetMergeList(data, MergeFrameSize(3), MergeFrameRate(3)));
        QCOMPARE(data.diff_list.Snapshot()[0].m_convertedInfo.frame_num, 118);

        QVERIFY(RetargetMergeList(data, MergeFrameSize(4), MergeFrameRate(8)));
        const SceneEntry video = data.diff_list.Snapshot()[0];
        QCOMPARE(video.m_convertedInfo.frame_num, 30);  // 2 s at 15 fps
        QCOMPARE(video.framNo_second, 29);
        QCOMPARE(video.m_convertedInfo.width, 1280);
        QCOMPARE(video.m_convertedInfo.r_frame_rate, std::string("15/1"));
        QCOMPARE(video.fileName, std::string("/v/conv_out/in_seg_1920x1080_59.94.mp4"));
        QCOMPARE(data.diff_list.Snapshot()[1].m_convertedInfo.frame_num, 0);
        // 14 frames of the 29.97 source played at 15 fps.
        QCOMPARE(data.TransitionDuration, 0.93);
    }
};

QTEST_APPLESS_MAIN(MergeRulesTest)
#include "MergeRulesTest.moc"
