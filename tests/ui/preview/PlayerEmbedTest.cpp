// The player's own window taken into the preview pane on a real X server: it becomes a child of the pane's
// container, follows the pane's size, and a stop leaves its last picture as the input's "_preview.jpg" in the
// output folder, shown in the pane; a stop whose grab fails leaves the still there was and logs the failure
// without an error code it does not have. Skipped without an X display (the suite runs it under a virtual one).
#include <unistd.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdlib>

#include "app/AppMsgDlg.h"
#include "engine/jobs/JobTables.h"
#include "log/AppLog.h"
#include "platform/X11Windows.h"
#include "ui/WindowTestBase.h"
#include "ui/preview/PlayerControl.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"

namespace {

constexpr int kTimeoutMs = 60000;

}  // namespace

class PlayerEmbedTest : public WindowTestBase {
    Q_OBJECT
public:
    PlayerEmbedTest() : WindowTestBase({.silentNotices = true}) {}

private:
    QString m_clip;

    CTarneloTabScene& Tab() { return m_d.Tab(); }
    CPreviewPanel& Panel() { return *Tab().Panels().preview; }
    CPlayerControl& Player() { return *Tab().Panels().player; }
    bool Idle() { return m_d.Idle(); }

    void PrepareRun() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || qEnvironmentVariableIsEmpty("DISPLAY")) {
            QSKIP("needs an X display and the xcb platform");
        }
        if (!clips::ToolsAvailable() || !clips::OnPath("ffplay")) QSKIP("ffmpeg, ffprobe or ffplay is not on PATH");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        AppLogConfig log;
        log.LOG_FILE_PATH = m_clips.filePath(QStringLiteral("app.log")).toStdString();
        QVERIFY(AppLog().Start(log, "PlayerEmbedTest"));
        // A blue picture, so the captured frame can not be mistaken for the grey pane.
        clips::ClipOptions o;
        o.width = 320;
        o.height = 180;
        o.frames = 500;
        o.background = "blue";
        o.boxColor = "yellow";
        o.motion = {{0, 499}};
        std::string error;
        m_clip = QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "blue.mp4", o, &error));
        QVERIFY2(!m_clip.isEmpty(), error.c_str());
        QVERIFY(m_d.Start());
        m_d.OpenDropped(m_d.Copy(m_clip, QStringLiteral("blue.mp4")));
        Tab().Engine().WaitPreviewIdle();
    }
    void EndRun() override {
        m_d.Stop();
        QTRY_VERIFY(scenetab::NoChildLeft());
    }

private slots:
    void playerWindowLivesInThePane() {
        QTest::mouseClick(Panel().PlayStopButton(), Qt::LeftButton);
        // The start returns once the window is in the pane (or its search gave up).
        QVERIFY(IsPreviewJobId(Tab().CurrentJob()));
        QVERIFY(Player().Embedding().Embedded());
        qInfo("player window found after %lld ms", static_cast<long long>(Player().Embedding().LastSearchMs()));
        QWidget* container = Player().Embedding().Container();
        // The window tree is asked over a connection of its own, which sees the move once the server made it.
        QTRY_COMPARE(platform::ParentWindow(Player().Embedding().Window()),
                     static_cast<unsigned long>(container->winId()));
        QVERIFY(Panel().Pane()->PlayerEmbedded());
        QCOMPARE(container->geometry(), Panel().Pane()->rect());

        // The pane changes its size, and the player follows.
        const QSize smaller = Panel().Pane()->size() - QSize(40, 30);
        Panel().Pane()->resize(smaller);
        QCOMPARE(container->size(), smaller);

        // A right click on the playing picture reaches the container (the player takes no pointer input)
        // and opens the pane's menu over it; the player plays on.
        QStringList shown;
        QTimer::singleShot(200, this, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions()) shown << action->text();
                menu->close();
            }
        });
        const QPoint inside = container->rect().center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, inside, container->mapToGlobal(inside));
        QApplication::sendEvent(container, &click);
        QCOMPARE(shown.size(), 2);
        QVERIFY(IsPreviewJobId(Tab().CurrentJob()));
    }

    void stopLeavesTheLastPictureAsTheStill() {
        QVERIFY(Player().Embedding().Embedded());
        QTRY_VERIFY_WITH_TIMEOUT(Tab().Engine().CurrentPlayFrame() > 5, kTimeoutMs);
        const QString still = QString::fromStdString(Player().Embedding().CaptureFile());
        QFile::remove(still);
        QTest::mouseClick(Panel().PlayStopButton(), Qt::LeftButton);
        QVERIFY(Idle());
        QVERIFY(!Player().Embedding().Embedded());
        QVERIFY(!Panel().Pane()->PlayerEmbedded());
        QVERIFY(scenetab::NoChildLeft());
        QVERIFY2(QFile::exists(still), qPrintable(still));
        QCOMPARE(Panel().Pane()->StillPath(), still);
        const QImage image(still);
        QVERIFY(!image.isNull());
        // The player's picture: a good part of it blue, not just the grey of the pane and the padding.
        int blue = 0;
        int samples = 0;
        for (int y = 0; y < image.height(); y += 4) {
            for (int x = 0; x < image.width(); x += 4) {
                const QColor c = image.pixelColor(x, y);
                ++samples;
                if (c.blue() > c.red() + 60 && c.blue() > c.green() + 60) ++blue;
            }
        }
        QVERIFY2(blue * 5 > samples, qPrintable(QStringLiteral("%1 of %2 blue").arg(blue).arg(samples)));
    }

    void aFailedGrabLeavesTheLastStill() {
        QFile still(QString::fromStdString(Player().Embedding().CaptureFile()));
        QVERIFY(still.open(QIODevice::ReadOnly));
        const QByteArray before = still.readAll();
        still.close();
        QTest::mouseClick(Panel().PlayStopButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Player().Embedding().Embedded() && Tab().Engine().CurrentPlayFrame() > 5, kTimeoutMs);
        PlayerWindowEmbed::FailNextGrab();
        QTest::mouseClick(Panel().PlayStopButton(), Qt::LeftButton);
        QVERIFY(Idle() && !Panel().Pane()->PlayerEmbedded());
        // The pane shows the still it had, from its file as it was; the log tells no error code it has not.
        QCOMPARE(Panel().Pane()->StillPath(), still.fileName());
        QVERIFY(still.open(QIODevice::ReadOnly) && still.readAll() == before);
        AppLog().Flush();
        QFile log(m_clips.filePath(QStringLiteral("app.log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY(text.contains("GetDC failed. hWnd(") && !text.contains("Error: 0"));
    }
};

QTEST_MAIN(PlayerEmbedTest)
#include "PlayerEmbedTest.moc"
