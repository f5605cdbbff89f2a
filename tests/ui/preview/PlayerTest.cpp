// The scene tab's player driven as a user would, with the real player program on a clip made here (no display
// and no sound device: the player draws and plays into nothing): play and stop, the seek buttons and the
// slider, a seek, a volume or an effect change while playing, the details window and the pane's menu, and that
// no player outlives a stop, a tab switch, a new project or the program's end.
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "app/AppMsgDlg.h"
#include "engine/jobs/JobTables.h"
#include "project/TimeText.h"
#include "support/ProcessWatch.h"
#include "ui/WindowTestBase.h"
#include "ui/lists/SceneEditRules.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PlayerControl.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/SeekRules.h"
#include "ui/preview/StaticPreview.h"

namespace {

constexpr int kTimeoutMs = 60000;
constexpr int kClipFrames = 500;  // 20 s at 25 fps: long enough to be stopped while it plays

// The arguments of the player programs this process runs.
std::vector<std::vector<std::string>> PlayerArguments() {
    std::vector<std::vector<std::string>> players;
    for (long pid : testsupport::ChildrenOf(getpid())) {
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string name;
        if (!std::getline(comm, name) || name != "ffplay" || !testsupport::ProcessExists(pid)) continue;
        std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
        std::vector<std::string> args;
        std::string arg;
        while (std::getline(cmdline, arg, '\0')) args.push_back(arg);
        players.push_back(args);
    }
    return players;
}

std::string ArgumentAfter(const std::vector<std::string>& args, const std::string& option) {
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == option) return args[i + 1];
    }
    return {};
}

bool NoPlayerLeft() { return PlayerArguments().empty(); }

}  // namespace

class PlayerTest : public WindowTestBase {
    Q_OBJECT
public:
    PlayerTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_clip;

    CTarneloTabScene& Tab() { return m_d.Tab(); }
    CPreviewPanel& Panel() { return *Tab().Panels().preview; }
    CPlayerControl& Player() { return *Tab().Panels().player; }
    bool Idle() { return m_d.Idle(); }

    void OpenClip() {
        m_d.OpenDropped(m_d.Copy(m_clip, QStringLiteral("play.mp4")));
        Tab().Engine().WaitPreviewIdle();
    }

    // Plays the open video and waits until the player reports frames.
    void PlayUntilFrames() {
        QPushButton* play = Panel().PlayStopButton();
        QVERIFY(play->isEnabled());
        QTest::mouseClick(play, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(IsPreviewJobId(Tab().CurrentJob()) && Tab().Engine().CurrentPlayFrame() > 0,
                                 kTimeoutMs);
    }

    void ClickSlider(QSlider* slider, int x) {
        QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(x, slider->height() / 2));
    }

    void PrepareRun() override {
        if (!clips::ToolsAvailable() || !clips::OnPath("ffplay")) QSKIP("ffmpeg, ffprobe or ffplay is not on PATH");
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        clips::ClipOptions o;
        o.frames = kClipFrames;
        o.audio = true;
        o.motion = {{100, 149}};
        std::string error;
        m_clip = QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "play.mp4", o, &error));
        QVERIFY2(!m_clip.isEmpty(), error.c_str());
    }
    void BeforeCase() override { OpenClip(); }
    bool NothingLeft() override { return NoPlayerLeft(); }

private slots:
    void playAndStopFollowThePosition() {
        PlayUntilFrames();
        QCOMPARE(Tab().CurrentJob(), int(kJobInputPreview));
        QCOMPARE(PlayerArguments().size(), size_t(1));
        // The frame buttons wait for a stopped player.
        QVERIFY(!Panel().SeekButton(0)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(Panel().findChild<QLabel*>("positionLine")->text().contains("/499"), kTimeoutMs);
        QTest::mouseClick(Panel().PlayStopButton(), Qt::LeftButton);
        QVERIFY(Idle());
        QVERIFY(NoPlayerLeft());
        QVERIFY(Panel().SeekButton(0)->isEnabled());
        const int stoppedAt = Tab().Engine().CurrentPlayFrame();
        QVERIFY(stoppedAt > 0);
        const QString line = Panel().findChild<QLabel*>("positionLine")->text();
        QVERIFY2(line.contains(QStringLiteral("Frm:")), qPrintable(line));
        QVERIFY(Panel().findChild<QLabel*>("fileLine")->text().endsWith(QStringLiteral(" play.mp4")));
    }

    void seekButtonsWhileStopped() {
        CTarneloProcess& engine = Tab().Engine();
        QTest::mouseClick(Panel().SeekButton(3), Qt::LeftButton);  // 10秒>>: round(10 * 25) + 1
        QCOMPARE(engine.CurrentPlayFrame(), 251);
        QCOMPARE(QString::fromStdString(engine.CurrentPlayTime()), QStringLiteral("10.040000"));
        QVERIFY(Panel().findChild<QLabel*>("positionLine")->text().contains(QStringLiteral("Frm:251/499")));
        QTest::mouseClick(Panel().SeekButton(0), Qt::LeftButton);  // <<1Frm
        QCOMPARE(engine.CurrentPlayFrame(), 250);
        QTest::mouseClick(Panel().SeekButton(5), Qt::LeftButton);  // 1分>> runs into the end
        QCOMPARE(engine.CurrentPlayFrame(), 499);
        QCOMPARE(Panel().SeekSlider()->value(), 1000);
        QTest::mouseClick(Panel().SeekButton(4), Qt::LeftButton);  // <<1分 runs into the start
        QCOMPARE(engine.CurrentPlayFrame(), 0);
        // Each stopped seek leaves a still of where it went.
        engine.WaitPreviewIdle();
        QTRY_VERIFY(Panel().Pane()->HasStill());
        QVERIFY(Idle());
    }

    void sliderClickSeeksWhereItWasClicked() {
        QSlider* seek = Panel().SeekSlider();
        ClickSlider(seek, seek->width() * 3 / 4);
        const int value = seek->value();
        QVERIFY2(value > 600 && value < 900, qPrintable(QString::number(value)));
        QCOMPARE(Tab().Engine().CurrentPlayFrame(), FrameOfSeekSlider(value, kClipFrames));
        QVERIFY(!Player().SeekDragging());
        QVERIFY(Idle());
    }

    void seekWhilePlayingRestartsOnAWholeSecond() {
        PlayUntilFrames();
        QTest::mouseClick(Panel().SeekButton(3), Qt::LeftButton);  // 10秒>>
        QTRY_VERIFY_WITH_TIMEOUT(PlayerArguments().size() == 1, kTimeoutMs);
        QVERIFY(IsPreviewJobId(Tab().CurrentJob()));
        const std::string start = ArgumentAfter(PlayerArguments().front(), "-ss");
        const double seconds = ParseDouble(start);
        QVERIFY2(seconds >= 10 && seconds == std::floor(seconds), start.c_str());
    }

    void volumeWhilePlayingRestartsWithTheVolume() {
        PlayUntilFrames();
        QSlider* volume = Panel().VolumeSlider();
        ClickSlider(volume, volume->width() / 2);
        const int chosen = volume->value();
        QVERIFY(chosen > 20 && chosen < 80);
        QCOMPARE(Tab().Data().play_vol, chosen);
        QTRY_VERIFY_WITH_TIMEOUT(PlayerArguments().size() == 1, kTimeoutMs);
        QCOMPARE(QString::fromStdString(ArgumentAfter(PlayerArguments().front(), "-af")),
                 QString::asprintf("volume=%.6f", chosen / 100.0));
        // It goes on where it was, not from the start.
        QVERIFY(ParseDouble(ArgumentAfter(PlayerArguments().front(), "-ss")) > 0);
    }

    void anEffectChangedWhileAScenePlaysShowsAtOnce_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::newRow("brightness") << "brightnessEdit"
                                    << "0.3"
                                    << "val+76.500";
        QTest::newRow("contrast") << "contrastEdit"
                                  << "1.5"
                                  << ")*1.500+128";
    }
    void anEffectChangedWhileAScenePlaysShowsAtOnce() {
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        CTarneloData& data = Tab().Data();
        data.diff_list.Assign({SceneEntry(0, 249, SceneSegmentName(data, 0, 249))}, 0);
        Tab().RefreshList(true);
        // A click on the scene cuts it and puts it in the player, which then plays the scene.
        SceneListView* view = Tab().Panels().listView;
        const QModelIndex caption = Tab().Panels().listModel->index(0, SceneListModel::kColCaption);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(caption).center());
        Tab().Engine().WaitBackgroundDrained();
        PlayUntilFrames();
        QCOMPARE(Tab().CurrentJob(), int(kJobScenePreview));
        const std::vector<std::string> before = PlayerArguments().front();

        scenetab::Driver::Type(m_d.Find<QLineEdit>(edit.toLatin1().constData()), typed);
        // Another player goes on with the scene from where the first one was, with the change.
        QTRY_VERIFY_WITH_TIMEOUT(PlayerArguments().size() == 1 && PlayerArguments().front() != before, kTimeoutMs);
        const std::vector<std::string> args = PlayerArguments().front();
        QVERIFY2(QString::fromStdString(ArgumentAfter(args, "-vf")).contains(filter),
                 ArgumentAfter(args, "-vf").c_str());
        QCOMPARE(ArgumentAfter(args, "-i"), data.diff_list.Snapshot()[0].fileName);
        QVERIFY(ParseDouble(ArgumentAfter(args, "-ss")) > 0);
        QCOMPARE(Tab().CurrentJob(), int(kJobScenePreview));
    }

    void detailsAndPaneMenuReportOnThePlayerFile() {
        QTest::mouseClick(Panel().DetailsButton(), Qt::LeftButton);
        QPointer<CAppHelpDialog> details = Player().DetailsWindow();
        QVERIFY(details);
        QCOMPARE(details->Path().toStdString(), Tab().Data().input_file);
        QCOMPARE(details->windowTitle(), QString::fromUtf8("詳細情報"));
        QVERIFY(details->Text().contains(QStringLiteral("\"codec_type\": \"video\"")));
        // A second click replaces the window.
        QTest::mouseClick(Panel().DetailsButton(), Qt::LeftButton);
        QVERIFY(!details);
        std::unique_ptr<QMenu> menu(Player().BuildPaneMenu(Panel().Pane()));
        QVERIFY(menu);
        QStringList texts;
        for (QAction* action : menu->actions()) texts << action->text();
        QCOMPARE(texts, QStringList({QString::fromUtf8("再生(&P)"), QString::fromUtf8("プロパティ(&R)")}));
        // A new project has no file in the player: the menu offers nothing.
        Tab().NewProject();
        QVERIFY(!Player().BuildPaneMenu(Panel().Pane()));
    }

    void tabSwitchStopsThePlayer() {
        PlayUntilFrames();
        QTest::mouseClick(Dlg()->findChild<QPushButton*>("mergeTabButton"), Qt::LeftButton);
        QCOMPARE(Dlg()->ActiveTabIndex(), 1);
        QVERIFY(Idle());
        QTRY_VERIFY(NoPlayerLeft());
    }

    void newProjectStopsThePlayerAndGreysThePane() {
        PlayUntilFrames();
        Tab().NewProject();
        QVERIFY(Idle());
        QTRY_VERIFY(NoPlayerLeft());
        QVERIFY(!Panel().Pane()->HasStill());
        QVERIFY(!Panel().Pane()->PlayerEmbedded());
    }

    void programExitStopsThePlayer() {
        PlayUntilFrames();
        m_d.Stop();
        QTRY_VERIFY(NoPlayerLeft());
        QVERIFY(testsupport::ChildrenOf(getpid()).empty());
    }
};

QTEST_MAIN(PlayerTest)
#include "PlayerTest.moc"
