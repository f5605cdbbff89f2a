// The preview pane and its player controls as a user meets them: the still fitted into the grey pane, the
// controls' texts in both languages, the rows at a narrow width, and which controls a stopped or playing
// player leaves usable.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <vector>

#include "app/Language.h"
#include "ui/WindowTestBase.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"

namespace {

const QColor kGrey(80, 80, 80);

QImage Grab(QWidget& w) { return w.grab().toImage(); }

QString U(const char* text) { return QString::fromUtf8(text); }

}  // namespace

class PreviewPanelTest : public WindowTestBase {
    Q_OBJECT
public:
    PreviewPanelTest() : WindowTestBase({}) {}

private:
    CLanguage m_language;
    QTemporaryDir m_dir;

    QString SolidImage(const char* name, QSize size, QColor colour) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = m_dir.filePath(QLatin1String(name));
        return image.save(path) ? path : QString();
    }

    void PrepareRun() override {
        m_language.SetSearchFolder(QStringLiteral(TARNELO_RESOURCE_DIR));
        QVERIFY(m_language.LoadLanguage(QStringLiteral("ja-JP")));
        QVERIFY(m_dir.isValid());
    }
    void AfterCase() override { QVERIFY(m_language.LoadLanguage(QStringLiteral("ja-JP"))); }

private slots:
    void stillIsScaledToFitAndCentredOnGrey() {
        struct Case {
            const char* name;
            QSize image;
            QColor colour;
            QRect expected;  // in a 400 x 300 pane
            QPoint bar;      // a point of the grey bars
        };
        const Case cases[] = {
            {"wide.png", {200, 50}, Qt::red, {0, 100, 400, 100}, {200, 20}},      // enlarged, bars above/below
            {"tall.png", {50, 100}, Qt::blue, {125, 0, 150, 300}, {20, 150}},     // enlarged, bars left/right
            {"big.png", {1600, 400}, Qt::green, {0, 100, 400, 100}, {200, 280}},  // reduced
            {"square.png", {30, 30}, Qt::yellow, {50, 0, 300, 300}, {380, 150}},  // reduced to the height
        };
        for (const Case& c : cases) {
            CStaticPreview pane;
            pane.resize(400, 300);
            const QString path = SolidImage(c.name, c.image, c.colour);
            QVERIFY(pane.ShowStill(path));
            QVERIFY2(pane.HasStill(), c.name);
            QCOMPARE(pane.StillRect(), c.expected);
            const QImage shot = Grab(pane);
            QCOMPARE(shot.size(), QSize(400, 300));
            const QRect inner = c.expected.adjusted(2, 2, -2, -2);
            for (const QPoint p : {inner.center(), inner.topLeft(), inner.bottomRight()}) {
                QVERIFY2(shot.pixelColor(p) == c.colour, c.name);
            }
            QVERIFY2(shot.pixelColor(c.bar) == kGrey, c.name);
            QVERIFY2(shot.pixelColor(0, 0) == kGrey || c.expected.topLeft() == QPoint(0, 0), c.name);
        }
    }

    void noImageOrUnreadableFileLeavesThePaneGrey() {
        QFile junk(m_dir.filePath(QStringLiteral("junk.png")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not an image");
        junk.close();
        const QString shown = SolidImage("shown.png", {64, 48}, Qt::red);
        for (const QString& path : {QString(), m_dir.filePath(QStringLiteral("missing.png")), junk.fileName()}) {
            CStaticPreview pane;
            pane.resize(200, 100);
            QVERIFY(pane.ShowStill(shown));
            QVERIFY(!pane.ShowStill(path));
            QVERIFY(!pane.HasStill());
            QVERIFY(pane.StillRect().isEmpty());
            const QImage shot = Grab(pane);
            for (const QPoint p : {QPoint(0, 0), QPoint(100, 50), QPoint(199, 99)}) {
                QCOMPARE(shot.pixelColor(p), kGrey);
            }
        }
        CStaticPreview pane;
        QCOMPARE(pane.objectName(), QStringLiteral("previewPane"));
        QVERIFY(pane.ShowStill(shown));
        pane.Clear();
        QVERIFY(!pane.HasStill());
    }

    void everyControlIsNamedInBothLanguagesAndTheMinuteButtonsStepScenesOnTheOutput() {
        struct Language {
            const char* name;
            const char* pane;
            const char* seek;
            const char* volume;
            const char* texts[10];  // 1065, 1066, 1061, 1062, 1063, 1064, 1060, 3092, 1077, 1043
        };
        const Language languages[] = {
            {"ja-JP",
             "プレビュー",
             "再生位置",
             "音量",
             {"<<1Frm", "1Frm>>", "<<10秒", "10秒>>", "<<1分", "1分>>", "再生/停止", "詳細情報", "シーン連続再生",
              "ループ再生"}},
            {"en-US",
             "Preview",
             "Playback position",
             "Volume",
             {"<<1Frm", "1Frm>>", "<<10s", "10s>>", "<<1min", "1min>>", "Play/Stop", "Details", "Continuous Play",
              "Loop Play"}},
        };
        for (const Language& lang : languages) {
            QVERIFY(m_language.LoadLanguage(QLatin1String(lang.name)));
            CPreviewPanel panel;
            panel.RefreshTexts(false);
            QList<QAbstractButton*> shownButtons;
            for (int i = 0; i < 6; ++i) shownButtons << panel.SeekButton(i);
            shownButtons << panel.PlayStopButton() << panel.DetailsButton() << panel.SceneLoopCheck()
                         << panel.LoopCheck();
            for (int i = 0; i < shownButtons.size(); ++i) {
                QCOMPARE(shownButtons[i]->text(), U(lang.texts[i]));
            }
            // Every control, found as a user's tool would, says what it is.
            const QList<QAbstractButton*> buttons = panel.findChildren<QAbstractButton*>();
            QCOMPARE(buttons.size(), 10);
            for (QAbstractButton* b : buttons) {
                QVERIFY(!b->objectName().isEmpty());
                QVERIFY2(!b->text().isEmpty(), qPrintable(b->objectName()));
                QCOMPARE(b->accessibleName(), b->text());
            }
            QCOMPARE(panel.Pane()->accessibleName(), U(lang.pane));
            QCOMPARE(panel.SeekSlider()->accessibleName(), U(lang.seek));
            QCOMPARE(panel.VolumeSlider()->accessibleName(), U(lang.volume));
            auto* volumeLabel = panel.findChild<QLabel*>(QStringLiteral("volumeLabel"));
            QVERIFY(volumeLabel);
            QCOMPARE(volumeLabel->text(), U(lang.volume));
            for (const char* name : {"positionLine", "fileLine", "seekSlider", "volumeSlider", "previewPane"}) {
                QVERIFY2(panel.findChild<QWidget*>(QLatin1String(name)), name);
            }
            QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("positionLine"))->text(),
                     QStringLiteral("00:00:00.00/00:00:00.00 Frm:0/0"));

            panel.RefreshTexts(true);
            QCOMPARE(panel.SeekButton(4)->text(), QStringLiteral("<<1Scn"));
            QCOMPARE(panel.SeekButton(5)->text(), QStringLiteral("1Scn>>"));
            QCOMPARE(panel.SeekButton(5)->accessibleName(), QStringLiteral("1Scn>>"));
            QCOMPARE(panel.SeekButton(3)->text(), U(lang.texts[3]));
            panel.RefreshTexts(false);
            QCOMPARE(panel.SeekButton(4)->text(), U(lang.texts[4]));
            QCOMPARE(panel.SeekButton(5)->text(), U(lang.texts[5]));
        }
    }

    void narrowPanelWrapsTheSeekButtonsAndCutsNoControl() {
        for (const char* name : {"ja-JP", "en-US"}) {
            QVERIFY(m_language.LoadLanguage(QLatin1String(name)));
            for (const int width : {380, 1000}) {
                CPreviewPanel panel;
                panel.RefreshTexts(true);
                panel.SetFileText(
                    QStringLiteral("00:10:00.00 Frm:18000 FPS:29.97 W1920xH1080 Rot:90 a-very-long-name"
                                   "-of-a-video-file-that-does-not-fit.mp4"));
                panel.resize(width, 720);
                panel.show();
                QVERIFY(QTest::qWaitForWindowExposed(&panel));
                QTRY_COMPARE(panel.width(), width);
                panel.layout()->activate();
                const QList<QAbstractButton*> buttons = panel.findChildren<QAbstractButton*>();
                for (QAbstractButton* b : buttons) {
                    const QRect g = b->geometry();
                    QVERIFY2(panel.rect().contains(g), qPrintable(b->objectName()));
                    QVERIFY2(g.width() >= b->sizeHint().width(), qPrintable(b->objectName()));
                    for (QAbstractButton* other : buttons) {
                        if (other != b) QVERIFY2(!g.intersects(other->geometry()), qPrintable(b->objectName()));
                    }
                }
                QVERIFY(panel.rect().contains(panel.SeekSlider()->geometry()));
                QVERIFY(panel.rect().contains(panel.VolumeSlider()->geometry()));
                QVERIFY(panel.Pane()->height() > 100);
                // Wide: one row; narrow: the six buttons in two rows of three.
                const bool oneRow = panel.SeekButton(0)->y() == panel.SeekButton(5)->y();
                QCOMPARE(oneRow, width == 1000);
                QCOMPARE(panel.SeekButton(2)->y(), panel.SeekButton(0)->y());
            }
        }
    }

    void frameButtonsNeedAStoppedPlayerAndTheOthersOnlyAVideo() {
        struct Case {
            bool canPlay;
            bool playing;
            bool frameButtons;
            bool others;
        };
        CPreviewPanel panel;
        QList<QWidget*> others{panel.SeekSlider(),    panel.VolumeSlider(),   panel.PlayStopButton(),
                               panel.DetailsButton(), panel.SceneLoopCheck(), panel.LoopCheck()};
        for (int i = 2; i < 6; ++i) others << panel.SeekButton(i);
        for (const Case c : {Case{true, false, true, true}, Case{true, true, false, true},
                             Case{false, false, false, false}, Case{false, true, false, false}}) {
            panel.SetPlayerControlsEnabled(c.canPlay, c.playing);
            QCOMPARE(panel.SeekButton(0)->isEnabled(), c.frameButtons);
            QCOMPARE(panel.SeekButton(1)->isEnabled(), c.frameButtons);
            for (QWidget* w : others) QVERIFY2(w->isEnabled() == c.others, qPrintable(w->objectName()));
        }
        for (const bool enabled : {false, true}) {
            panel.SetAllEnabled(enabled);
            for (QAbstractButton* b : panel.findChildren<QAbstractButton*>()) QCOMPARE(b->isEnabled(), enabled);
            for (QSlider* s : panel.findChildren<QSlider*>()) QCOMPARE(s->isEnabled(), enabled);
        }
    }

    void positionLineShowsTimesFramesAndTheSceneOffset() {
        struct Case {
            int frame, count;
            double rate;
            int offset;
            const char* text;
        };
        const Case cases[] = {
            {0, 0, 0.0, 0, "00:00:00.00/00:00:00.00 Frm:0/0"},
            {30, 300, 30.0, 0, "00:00:01.00/00:00:10.00 Frm:30/299"},
            {299, 300, 30.0, 0, "00:00:10.00/00:00:10.00 Frm:299/299"},  // the last frame shows the whole length
            {45, 300, 0.0, 0, "00:00:00.00/00:00:00.00 Frm:45/299"},     // no frame rate known
            {10, 100, 25.0, 50, "00:00:00.40/00:00:04.00 Frm:10/99 Offset Frm:60/149"},
            {99, 100, 25.0, 50, "00:00:04.00/00:00:04.00 Frm:99/99 Offset Frm:149/149"},
        };
        for (const Case& c : cases) {
            QCOMPARE(CPreviewPanel::PositionText(c.frame, c.count, c.rate, c.offset), QLatin1String(c.text));
        }
        // Half at 25 fps, half at 12.5: the times are the frames' own, the end the file's real length.
        std::vector<double> times;
        for (int i = 0; i <= 100; ++i) times.push_back(i <= 50 ? i * 0.04 : 2.0 + (i - 50) * 0.08);
        const FrameClock clock(16.67, std::make_shared<const std::vector<double>>(times));
        QCOMPARE(CPreviewPanel::PositionText(75, 100, clock), QLatin1String("00:00:04.00/00:00:06.00 Frm:75/99"));
        QCOMPARE(CPreviewPanel::PositionText(99, 100, clock), QLatin1String("00:00:06.00/00:00:06.00 Frm:99/99"));
        QCOMPARE(CPreviewPanel::PositionText(10, 100, 25.0, 50, QStringLiteral("2024-01-31 14:25:32")),
                 QLatin1String("00:00:00.40/00:00:04.00 Frm:10/99 Offset Frm:60/149  2024-01-31 14:25:32"));
        CPreviewPanel panel;
        panel.SetPositionText(CPreviewPanel::PositionText(30, 300, 30.0));
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("positionLine"))->text(),
                 QStringLiteral("00:00:01.00/00:00:10.00 Frm:30/299"));
    }
};

QTEST_MAIN(PreviewPanelTest)
#include "PreviewPanelTest.moc"
