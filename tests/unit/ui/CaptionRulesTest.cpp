// The limits of a caption's start and length, and filling and clearing the scenes' captions.
#include <QtTest>

#include "ui/scene/CaptionRules.h"

class CaptionRulesTest : public QObject {
    Q_OBJECT
private slots:
    void timesStayWithinTheLimit_data();
    void timesStayWithinTheLimit();
    void fillThenClear();
};

void CaptionRulesTest::timesStayWithinTheLimit_data() {
    QTest::addColumn<bool>("start");  // the start is set, else the length
    QTest::addColumn<double>("given");
    QTest::addColumn<double>("limit");
    QTest::addColumn<double>("firstBefore");
    QTest::addColumn<double>("secondBefore");
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("second");
    // A 90-frame scene at 30 fps lasts 3.0 s.
    QTest::newRow("start at most 2.99") << true << 5.0 << 3.0 << 0.0 << 0.5 << 2.99 << 0.01;
    QTest::newRow("start cuts the length") << true << 2.5 << 3.0 << 0.0 << 3.0 << 2.5 << 0.5;
    QTest::newRow("start below 0") << true << -1.0 << 3.0 << 1.0 << 1.0 << 0.0 << 1.0;
    QTest::newRow("length at most 3.0") << false << 9.0 << 3.0 << 0.0 << 1.0 << 0.0 << 3.0;
    QTest::newRow("length moves the start back") << false << 2.0 << 3.0 << 2.5 << 0.5 << 1.0 << 2.0;
    QTest::newRow("length at least 0.01") << false << 0.0 << 3.0 << 0.0 << 1.0 << 0.0 << 0.01;
    QTest::newRow("title starts up to 35999.99")
        << true << 40000.0 << kWholeTimelineCaptionLimit << 0.0 << 5.0 << 35999.99 << 0.01;
}

void CaptionRulesTest::timesStayWithinTheLimit() {
    QFETCH(bool, start);
    QFETCH(double, given);
    QFETCH(double, limit);
    QFETCH(double, firstBefore);
    QFETCH(double, secondBefore);
    QFETCH(double, first);
    QFETCH(double, second);
    CaptionParam caption;
    caption.capTime_first = firstBefore;
    caption.capTime_second = secondBefore;
    if (start) {
        SetCaptionStart(caption, given, limit);
    } else {
        SetCaptionLength(caption, given, limit);
    }
    QCOMPARE(caption.capTime_first, first);
    QCOMPARE(caption.capTime_second, second);
    QCOMPARE(CaptionLimit(nullptr, 30), kWholeTimelineCaptionLimit);
}

void CaptionRulesTest::fillThenClear() {
    CTarneloData data;
    data.ResetAll(false);
    data.input_file = "/videos/cam.mp4";
    data.m_sourceInfo.fps = 30;
    data.diff_list.Assign({SceneEntry(0, 89, "a.mp4"), SceneEntry(100, 144, "b.mp4")}, -1);
    data.diff_list.UpdateAll([](SceneEntry& scene) { scene.capParam.caption.clear(); });
    QVERIFY(!AnySceneCaption(data));
    QCOMPARE(CaptionLimit(&data.diff_list.Snapshot()[0], 30), 3.0);
    QCOMPARE(CaptionLimit(&data.diff_list.Snapshot()[0], 0), 0.0);

    FillCaptions(data);
    QVERIFY(AnySceneCaption(data));
    QCOMPARE(data.diff_list.Snapshot()[1].capParam.caption, std::string("Scene002"));
    QCOMPARE(data.diff_list.Snapshot()[1].capParam.capTime_second, 1.5);
    QCOMPARE(data.capTitle.caption, std::string("{\\fad(500,500)}cam.mp4"));
    QCOMPARE(data.capWatermark.caption, std::string("Tarnelo\\NHexlow-Works."));

    ClearCaptions(data);
    QVERIFY(!AnySceneCaption(data));
    QVERIFY(data.capTitle.caption.empty() && data.capWatermark.caption.empty());
}

QTEST_GUILESS_MAIN(CaptionRulesTest)
#include "CaptionRulesTest.moc"
