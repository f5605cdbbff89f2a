// The rules of editing a scene list: the range of a frame cell, a typed value, the caption kept inside
// its scene, the split point and the split itself.
#include <QtTest>

#include "ui/lists/SceneEditRules.h"

using Ranges = std::vector<std::pair<int, int>>;
Q_DECLARE_METATYPE(Ranges)

namespace {

std::vector<SceneEntry> Scenes(const Ranges& ranges) {
    std::vector<SceneEntry> list;
    for (const auto& r : ranges) {
        list.emplace_back(r.first, r.second,
                          "/out/clip_seg_" + std::to_string(r.first) + "_" + std::to_string(r.second) + ".mp4");
    }
    return list;
}

Ranges RangesOf(const std::vector<SceneEntry>& list) {
    Ranges ranges;
    for (const SceneEntry& scene : list) ranges.emplace_back(scene.framNo_first, scene.framNo_second);
    return ranges;
}

CTarneloData Project(const Ranges& ranges) {
    CTarneloData data;
    data.ResetAll(false);
    data.output_folder = "/out/";
    data.input_file = "/in/clip.mp4";
    data.m_sourceInfo.fps = 25;
    data.m_currentInfo.fps = 25;
    data.diff_list.Assign(Scenes(ranges), -1);
    return data;
}

}  // namespace

class SceneEditRulesTest : public QObject {
    Q_OBJECT
private slots:
    void shortestScene_data() {
        QTest::addColumn<double>("fps");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("frames");
        QTest::newRow("25 fps, 1 s") << 25.0 << 1.0 << 25;
        QTest::newRow("29.97 fps, 1.5 s rounds") << 29.97 << 1.5 << 45;
        QTest::newRow("no rate keeps one frame") << 0.0 << 1.0 << 1;
    }
    void shortestScene() {
        QFETCH(double, fps);
        QFETCH(double, seconds);
        QFETCH(int, frames);
        QCOMPARE(MinSceneFrames(fps, seconds), frames);
    }

    void cellRanges_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("has");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("current");
        // Scenes [10,59] [60,119] [150,199] of an input of 260 frames, 25 frames at least.
        QTest::newRow("first start") << 0 << 1 << true << 0 << 35 << 10;
        QTest::newRow("first end") << 0 << 2 << true << 34 << 59 << 59;
        QTest::newRow("first length") << 0 << 3 << true << 25 << 50 << 50;
        QTest::newRow("middle start after the previous end") << 1 << 1 << true << 60 << 95 << 60;
        QTest::newRow("middle end before the next start") << 1 << 2 << true << 84 << 149 << 119;
        QTest::newRow("last end up to the input's last frame") << 2 << 2 << true << 174 << 259 << 199;
        QTest::newRow("last length up to the input's end") << 2 << 3 << true << 25 << 110 << 50;
        QTest::newRow("row number has none") << 0 << 0 << false << 0 << 0 << 0;
        QTest::newRow("caption has none") << 0 << 5 << false << 0 << 0 << 0;
        QTest::newRow("no such row") << 3 << 1 << false << 0 << 0 << 0;
    }
    void cellRanges() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, has);
        const std::vector<SceneEntry> list = Scenes({{10, 59}, {60, 119}, {150, 199}});
        FrameEditRange range;
        QCOMPARE(SceneEditRange(list, row, column, 25, 260, range), has);
        if (!has) return;
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, current);
        QCOMPARE(range.minimum, minimum);
        QCOMPARE(range.maximum, maximum);
        QCOMPARE(range.current, current);
    }

    void overlappingNeighboursLeaveTheValue() {
        // After a drag the previous scene may end behind this one's start: nothing can be typed in.
        const std::vector<SceneEntry> list = Scenes({{100, 199}, {0, 99}});
        FrameEditRange range;
        QVERIFY(SceneEditRange(list, 1, 1, 25, 260, range));
        QCOMPARE(range.minimum, 0);
        QCOMPARE(range.maximum, 0);
        QCOMPARE(ParseFrameValue("50", range), 0);
    }

    void typedValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        // The range [20, 35].
        QTest::newRow("inside") << "30" << 30;
        QTest::newRow("above is clamped") << "40" << 35;
        QTest::newRow("below is clamped") << "-5" << 20;
        QTest::newRow("decimals are cut") << "21.9" << 21;
        QTest::newRow("leading blanks") << "  25" << 25;
        QTest::newRow("trailing text") << "24abc" << 24;
        QTest::newRow("not a number reads 0") << "abc" << 20;
        QTest::newRow("empty reads 0") << "" << 20;
        QTest::newRow("exponent") << "3e1" << 30;
        QTest::newRow("infinity reads 0") << "inf" << 20;
    }
    void typedValues() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(ParseFrameValue(text.toStdString(), FrameEditRange{20, 35, 30}), value);
    }

    void appliedValuesFitTheCaption_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<double>("capStart");
        QTest::addColumn<double>("capLength");
        // [0,99] at 25 fps is 4 s; its caption starts at 3.5 s and lasts 4 s.
        QTest::newRow("start shortens to 2 s") << 1 << 50 << 50 << 99 << 1.99 << 2.0;
        QTest::newRow("end shortens to 3 s") << 2 << 74 << 0 << 74 << 2.99 << 3.0;
        QTest::newRow("length is counted from the start") << 3 << 30 << 0 << 29 << 1.19 << 1.2;
        QTest::newRow("a longer scene keeps the caption") << 2 << 199 << 0 << 199 << 3.5 << 4.0;
    }
    void appliedValuesFitTheCaption() {
        QFETCH(int, column);
        QFETCH(int, value);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(double, capStart);
        QFETCH(double, capLength);
        SceneEntry scene(0, 99, "a.mp4");
        scene.capParam.capTime_first = 3.5;
        scene.capParam.capTime_second = 4.0;
        ApplyFrameValue(scene, column, value, 25);
        QCOMPARE(scene.framNo_first, first);
        QCOMPARE(scene.framNo_second, last);
        QCOMPARE(scene.capParam.capTime_first, capStart);
        QCOMPARE(scene.capParam.capTime_second, capLength);
    }

    void splitPoints_data() {
        QTest::addColumn<int>("playFrame");
        QTest::addColumn<int>("p");
        // [100,199] with 25 frames at least on each side: p in [125, 175].
        QTest::newRow("player at the start") << 0 << 125;
        QTest::newRow("inside") << 60 << 160;
        QTest::newRow("near the end") << 90 << 175;
        QTest::newRow("beyond the scene") << 500 << 175;
        QTest::newRow("no position") << -1 << 125;
    }
    void splitPoints() {
        QFETCH(int, playFrame);
        QFETCH(int, p);
        QCOMPARE(SplitFrame(SceneEntry(100, 199, "a.mp4"), playFrame, 25), p);
    }

    void splitNeedsTwoShortestScenes() {
        QVERIFY(!CanSplit(SceneEntry(0, 48, "a.mp4"), 25));
        QVERIFY(CanSplit(SceneEntry(0, 49, "a.mp4"), 25));
    }

    void splitGivesTwoScenesWithTheirFiles() {
        CTarneloData data = Project({{0, 49}, {100, 199}});
        data.diff_list.Update(1, [&](SceneEntry& s) { s.enable = true; });
        data.diff_list.Update(1, [&](SceneEntry& s) { data.SetSceneCaption(s, 0.5, 3.0, "Gate"); });
        const std::string old = SplitSceneRow(data, 1, 150);
        QCOMPARE(old, std::string("/out/clip_seg_100_199.mp4"));
        QCOMPARE(RangesOf(data.diff_list.Snapshot()), (Ranges{{0, 49}, {100, 149}, {150, 199}}));
        const SceneEntry first = data.diff_list.Snapshot()[1];
        const SceneEntry second = data.diff_list.Snapshot()[2];
        QCOMPARE(first.fileName, std::string("/out/clip_seg_100_149.mp4"));
        QCOMPARE(second.fileName, std::string("/out/clip_seg_150_199.mp4"));
        QVERIFY(first.enable);
        // The second part keeps the caption's start and lasts as long as it; the first gets what is left.
        QCOMPARE(second.capParam.caption, std::string("Gate"));
        QCOMPARE(second.capParam.capTime_first, 0.5);
        QCOMPARE(second.capParam.capTime_second, 2.0);
        QCOMPARE(first.capParam.caption, std::string("Gate"));
        QCOMPARE(first.capParam.capTime_first, 0.0);
        QCOMPARE(first.capParam.capTime_second, 1.0);
    }

    void splitCaptionsStayInsideTheirScenes() {
        // A caption shorter than the second part would leave the first a negative length; one starting
        // late would begin after the second part's end.
        CTarneloData data = Project({{0, 199}});
        data.diff_list.Update(0, [&](SceneEntry& s) { data.SetSceneCaption(s, 7.5, 1.0, "Late"); });
        QVERIFY(!SplitSceneRow(data, 0, 100).empty());
        QCOMPARE(data.diff_list.Snapshot()[0].capParam.capTime_second, 0.01);
        QCOMPARE(data.diff_list.Snapshot()[1].capParam.capTime_first, 3.99);
        QCOMPARE(data.diff_list.Snapshot()[1].capParam.capTime_second, 4.0);
    }

    void splitOutsideTheSceneDoesNothing() {
        CTarneloData data = Project({{100, 199}});
        QVERIFY(SplitSceneRow(data, 0, 100).empty());
        QVERIFY(SplitSceneRow(data, 0, 200).empty());
        QVERIFY(SplitSceneRow(data, 1, 150).empty());
        QCOMPARE(RangesOf(data.diff_list.Snapshot()), (Ranges{{100, 199}}));
    }

    void segmentNames() {
        const CTarneloData data = Project({});
        QCOMPARE(SceneSegmentName(data, 12, 80), std::string("/out/clip_seg_12_80.mp4"));
    }
};

QTEST_MAIN(SceneEditRulesTest)
#include "SceneEditRulesTest.moc"
