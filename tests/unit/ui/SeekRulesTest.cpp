// Where the player's controls send it: the seek buttons at both ends of a video, the scene steps over the
// merged output, the whole-second restart of a playing player, the time texts it starts from, and the
// slider's points, values and frames.
#include <QtTest>
#include <memory>
#include <vector>

#include "ui/preview/SeekRules.h"

namespace {

constexpr double kNtsc = 30000.0 / 1001.0;

SeekState At(int frame, double fps, int count) {
    SeekState s;
    s.frame = frame;
    s.fps = fps;
    s.frameCount = count;
    s.seconds = fps > 0 ? frame / fps : 0;
    return s;
}

SeekState OutputAt(int frame, std::vector<int> starts) {
    SeekState s = At(frame, 25, 1000);
    s.outputOpen = true;
    s.outputStarts = std::move(starts);
    return s;
}

}  // namespace

class SeekRulesTest : public QObject {
    Q_OBJECT
private slots:
    // Each row: what the rule gives, what it must give.
    void frames_data() {
        QTest::addColumn<int>("actual");
        QTest::addColumn<int>("expected");
        using B = SeekButton;
        // Restart on a whole second: R = 30, H = 15, 115 - 115 mod 30 = 90.
        QTest::newRow("restart 29.97 fps frame 100") << RestartFrame(100, kNtsc, 1000) << 90;
        QTest::newRow("restart 25 fps frame 12 rounds up") << RestartFrame(12, 25, 1000) << 25;
        QTest::newRow("restart 25 fps frame 11 rounds down") << RestartFrame(11, 25, 1000) << 0;
        QTest::newRow("restart near the end stays") << RestartFrame(990, 25, 1000) << 990;
        QTest::newRow("restart on the last frame stays") << RestartFrame(999, 25, 1000) << 999;
        QTest::newRow("restart from a negative frame") << RestartFrame(-5, 25, 1000) << 0;
        QTest::newRow("restart without a rate") << RestartFrame(40, 0, 1000) << 40;
        // Buttons in the middle, at the start and at the end of a 1000-frame 25 fps video.
        QTest::newRow("<<1Frm middle") << SeekButtonTarget(B::kPrevFrame, At(500, 25, 1000)) << 499;
        QTest::newRow("<<1Frm at 0") << SeekButtonTarget(B::kPrevFrame, At(0, 25, 1000)) << 0;
        QTest::newRow("1Frm>> at the end") << SeekButtonTarget(B::kNextFrame, At(999, 25, 1000)) << 999;
        QTest::newRow("<<10 middle") << SeekButtonTarget(B::kBack10, At(500, 25, 1000)) << 249;
        QTest::newRow("<<10 near the start") << SeekButtonTarget(B::kBack10, At(100, 25, 1000)) << 0;
        QTest::newRow("10>> middle") << SeekButtonTarget(B::kForward10, At(500, 25, 1000)) << 751;
        QTest::newRow("10>> near the end") << SeekButtonTarget(B::kForward10, At(900, 25, 1000)) << 999;
        QTest::newRow("<<1min near the start") << SeekButtonTarget(B::kBack60, At(999, 25, 1000)) << 0;
        QTest::newRow("<<1min far in") << SeekButtonTarget(B::kBack60, At(2000, 25, 3000)) << 499;
        QTest::newRow("1min>> far from the end") << SeekButtonTarget(B::kForward60, At(0, 25, 3000)) << 1501;
        QTest::newRow("1min>> near the end") << SeekButtonTarget(B::kForward60, At(0, 25, 1000)) << 999;
        // Over the merged output the minute buttons step between scene starts.
        const std::vector<int> starts = {0, 100, -1, 250};
        QTest::newRow("<<1Scn between starts") << SeekButtonTarget(B::kBack60, OutputAt(180, starts)) << 100;
        QTest::newRow("<<1Scn on a start") << SeekButtonTarget(B::kBack60, OutputAt(100, starts)) << 0;
        QTest::newRow("<<1Scn at the first start") << SeekButtonTarget(B::kBack60, OutputAt(0, starts)) << 0;
        QTest::newRow("<<1Scn before a late first start") << SeekButtonTarget(B::kBack60, OutputAt(30, {40, 90})) << 0;
        QTest::newRow("1Scn>> between starts") << SeekButtonTarget(B::kForward60, OutputAt(120, starts)) << 250;
        QTest::newRow("1Scn>> skips a disabled row") << SeekButtonTarget(B::kForward60, OutputAt(100, starts)) << 250;
        QTest::newRow("1Scn>> after the last start") << SeekButtonTarget(B::kForward60, OutputAt(300, starts)) << 999;
        QTest::newRow("1Scn>> without scenes") << SeekButtonTarget(B::kForward60, OutputAt(10, {})) << 999;
        // Slider point to value: channel 10..210, thumb 20 wide, range 0..1000.
        QTest::newRow("slider left of the channel") << SliderValueAt(0, 0, 1000, 10, 210, 20) << 0;
        QTest::newRow("slider at the channel start") << SliderValueAt(20, 0, 1000, 10, 210, 20) << 0;
        QTest::newRow("slider in the middle") << SliderValueAt(110, 0, 1000, 10, 210, 20) << 500;
        QTest::newRow("slider at the channel end") << SliderValueAt(200, 0, 1000, 10, 210, 20) << 1000;
        QTest::newRow("slider right of the channel") << SliderValueAt(400, 0, 1000, 10, 210, 20) << 1000;
        QTest::newRow("volume slider range") << SliderValueAt(110, 0, 100, 10, 210, 20) << 50;
        QTest::newRow("slider without a channel") << SliderValueAt(50, 0, 100, 10, 20, 20) << 0;
        // Slider value of a frame and back.
        QTest::newRow("value of frame 0") << SeekSliderValue(0, 250) << 0;
        QTest::newRow("value of the middle") << SeekSliderValue(125, 250) << 500;
        QTest::newRow("value of the last frame is the end") << SeekSliderValue(249, 250) << 1000;
        QTest::newRow("value without frames") << SeekSliderValue(10, 0) << 0;
        QTest::newRow("frame of value 0") << FrameOfSeekSlider(0, 250) << 0;
        QTest::newRow("frame of the middle") << FrameOfSeekSlider(500, 250) << 125;
        QTest::newRow("frame of the end is the last") << FrameOfSeekSlider(1000, 250) << 249;
        QTest::newRow("frame without frames") << FrameOfSeekSlider(700, 0) << 0;
    }
    void frames() {
        QFETCH(int, actual);
        QFETCH(int, expected);
        QCOMPARE(actual, expected);
    }

    void texts_data() {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const auto q = [](const std::string& s) { return QString::fromStdString(s); };
        QTest::newRow("time of frame 0") << q(SeekTimeText(0, 25, 100)) << QStringLiteral("0.000000");
        QTest::newRow("time of frame 90 at 29.97") << q(SeekTimeText(90, kNtsc, 1000)) << QStringLiteral("3.003000");
        // 2 / 3 s: the last frame is cut to 0.666666, an earlier one rounded.
        QTest::newRow("time of the last frame is cut") << q(SeekTimeText(2, 3, 3)) << QStringLiteral("0.666666");
        QTest::newRow("time before the last is rounded") << q(SeekTimeText(1, 3, 4)) << QStringLiteral("0.333333");
        QTest::newRow("time of a later frame rounds up") << q(SeekTimeText(2, 3, 4)) << QStringLiteral("0.666667");
        QTest::newRow("time without a rate") << q(SeekTimeText(50, 0, 100)) << QStringLiteral("0.000000");
        // A file of listed frame times starts the player at the frame's own time.
        const FrameClock listed(25,
                                std::make_shared<const std::vector<double>>(std::vector<double>{1.075, 1.115, 1.235}));
        QTest::newRow("listed time of a late frame") << q(SeekTimeText(1, listed, 3)) << QStringLiteral("1.115000");
        QTest::newRow("listed time of the last frame") << q(SeekTimeText(2, listed, 3)) << QStringLiteral("1.235000");
        QTest::newRow("file line of listed times") << q(PlayerFileLine("/v/a.mp4", 2, listed, 2, 2, 0))
                                                   << QStringLiteral("00:00:01.24 Frm:2 FPS:25.00 W2xH2 a.mp4");
        QTest::newRow("file line") << q(PlayerFileLine("/v/clip.mp4", 250, 25, 320, 180, 0))
                                   << QStringLiteral("00:00:10.00 Frm:250 FPS:25.00 W320xH180 clip.mp4");
        QTest::newRow("file line rotated") << q(PlayerFileLine("/v/r.mov", 25, 25, 180, 320, 90))
                                           << QStringLiteral("00:00:01.00 Frm:25 FPS:25.00 W180xH320 Rot:90 r.mov");
        QTest::newRow("file line without a file") << q(PlayerFileLine("", 25, 25, 1, 1, 0)) << QString();
    }
    void texts() {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }
};

QTEST_GUILESS_MAIN(SeekRulesTest)
#include "SeekRulesTest.moc"
