// The scene tab while a preview plays, with the real player on a clip made here (no display and no sound
// device): an effect changed during a scene's preview shows at once, the player starting again where it was
// with the new filters, and ticking a row's check box leaves the playing preview alone.
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QtTest>
#include <cstdlib>
#include <fstream>
#include <utility>
#include <vector>

#include "engine/jobs/JobTables.h"
#include "project/TimeText.h"
#include "support/ProcessWatch.h"
#include "ui/WindowTestBase.h"
#include "ui/lists/SceneEditRules.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PreviewPanel.h"

using scenetab::kJobTimeoutMs;

namespace {

// The player programs this process runs, each with its command line.
std::vector<std::pair<long, std::vector<std::string>>> Players() {
    std::vector<std::pair<long, std::vector<std::string>>> players;
    for (long pid : testsupport::ChildrenOf(getpid())) {
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string name;
        if (!std::getline(comm, name) || name != "ffplay" || !testsupport::ProcessExists(pid)) continue;
        std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
        std::vector<std::string> args;
        std::string arg;
        while (std::getline(cmdline, arg, '\0')) args.push_back(arg);
        players.emplace_back(pid, args);
    }
    return players;
}

std::string ArgumentAfter(const std::vector<std::string>& args, const std::string& option) {
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == option) return args[i + 1];
    }
    return {};
}

}  // namespace

class ScenePreviewTest : public WindowTestBase {
    Q_OBJECT
public:
    ScenePreviewTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_clip;

    CTarneloTabScene& Tab() { return m_d.Tab(); }
    CTarneloData& Data() { return Tab().Data(); }
    CPreviewPanel& Panel() { return *Tab().Panels().preview; }
    // The one player that runs (0 when there is none or more than one).
    long Player() {
        const auto players = Players();
        return players.size() == 1 ? players.front().first : 0;
    }
    std::vector<std::string> PlayerArguments() {
        const auto players = Players();
        return players.size() == 1 ? players.front().second : std::vector<std::string>();
    }
    void ClickCaption(int row) {
        SceneListView* view = Tab().Panels().listView;
        const QModelIndex caption = Tab().Panels().listModel->index(row, SceneListModel::kColCaption);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(caption).center());
        Tab().Engine().WaitBackgroundDrained();
        Tab().Engine().WaitPreviewIdle();
    }

    // The clip open with two scenes of ten seconds each, the first selected.
    void OpenWithTwoScenes() {
        m_d.OpenDropped(m_d.Copy(m_clip, QStringLiteral("scenes.mp4")));
        if (QTest::currentTestFailed()) return;
        Tab().Engine().WaitBackgroundDrained();
        std::vector<SceneEntry> scenes{SceneEntry(0, 249, SceneSegmentName(Data(), 0, 249)),
                                       SceneEntry(250, 499, SceneSegmentName(Data(), 250, 499))};
        Data().diff_list.Assign(std::move(scenes), 0);
        Data().list_idx = 0;
        Tab().RefreshList(true);
    }

    // Plays with the play button and waits until the player reports frames.
    void PlayUntilFrames(int job) {
        QTest::mouseClick(Panel().PlayStopButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Tab().CurrentJob() == job && Tab().Engine().CurrentPlayFrame() > 0, kJobTimeoutMs);
    }

    // Where the row's check box is drawn, in the list's viewport.
    QPoint CheckBoxOf(int row) {
        SceneListView* view = Tab().Panels().listView;
        const QModelIndex index = Tab().Panels().listModel->index(row, SceneListModel::kColEnable);
        QStyleOptionViewItem option;
        option.initFrom(view);
        option.rect = view->visualRect(index);
        option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = index.data().toString();
        return view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view).center();
    }

    void PrepareRun() override {
        if (!clips::ToolsAvailable() || !clips::OnPath("ffplay")) QSKIP("ffmpeg, ffprobe or ffplay is not on PATH");
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        clips::ClipOptions o;
        o.frames = 500;
        o.motion = {{100, 149}};
        std::string error;
        m_clip = QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "scenes.mp4", o, &error));
        QVERIFY2(!m_clip.isEmpty(), error.c_str());
    }

private slots:
    void anEffectChangedWhileAScenePlaysShowsAtOnce_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::newRow("brightness") << "brightnessEdit"
                                    << "0.3"
                                    << "val+76.500";
        QTest::newRow("contrast") << "contrastEdit"
                                  << "1.5"
                                  << ")*1.500+128";
        QTest::newRow("saturation") << "saturationEdit"
                                    << "1.5"
                                    << "hue=s=1.500";
        QTest::newRow("gamma") << "gammaEdit"
                               << "2"
                               << "1/2.000)";
    }
    void anEffectChangedWhileAScenePlaysShowsAtOnce() {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        OpenWithTwoScenes();
        if (QTest::currentTestFailed()) return;
        // A click on a scene cuts it and puts it in the player; play then plays the scene. Both are cut first, so
        // no cut runs beside the player.
        ClickCaption(1);
        ClickCaption(0);
        QTRY_COMPARE(Tab().Engine().CurrentPreviewFile(), Data().diff_list.Snapshot()[0].fileName);
        PlayUntilFrames(kJobScenePreview);
        const long before = Player();
        QVERIFY(before != 0);
        QVERIFY(!QString::fromStdString(ArgumentAfter(PlayerArguments(), "-vf")).contains(filter));

        scenetab::Driver::Type(m_d.Find<QLineEdit>(control.toLatin1().constData()), typed);
        // Another player plays the same scene on from where the first one was, with the change.
        QTRY_VERIFY_WITH_TIMEOUT(Player() != 0 && Player() != before, kJobTimeoutMs);
        QCOMPARE(Tab().CurrentJob(), int(kJobScenePreview));
        const std::vector<std::string> args = PlayerArguments();
        QVERIFY2(QString::fromStdString(ArgumentAfter(args, "-vf")).contains(filter),
                 ArgumentAfter(args, "-vf").c_str());
        QCOMPARE(ArgumentAfter(args, "-i"), Data().diff_list.Snapshot()[0].fileName);
        QVERIFY(ParseDouble(ArgumentAfter(args, "-ss")) > 0);
        QTest::mouseClick(Panel().PlayStopButton(), Qt::LeftButton);
        QVERIFY(m_d.Idle());
        QTRY_VERIFY(Players().empty());
    }

    void tickingARowLeavesThePreviewPlaying_data() {
        QTest::addColumn<int>("row");
        QTest::newRow("the selected row") << 0;
        QTest::newRow("another row") << 1;
    }
    void tickingARowLeavesThePreviewPlaying() {
        QFETCH(int, row);
        OpenWithTwoScenes();
        if (QTest::currentTestFailed()) return;
        PlayUntilFrames(kJobInputPreview);
        const long playing = Player();
        SceneListView* view = Tab().Panels().listView;

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CheckBoxOf(row));
        QVERIFY(!Data().diff_list.Snapshot()[static_cast<size_t>(row)].enable);
        QCOMPARE(Tab().CurrentJob(), int(kJobInputPreview));
        QCOMPARE(Player(), playing);
        QCOMPARE(Data().list_idx, 0);
        // Ticked again, it is back in the output; the preview still plays.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CheckBoxOf(row));
        QVERIFY(Data().diff_list.Snapshot()[static_cast<size_t>(row)].enable);
        QCOMPARE(Player(), playing);
        QTest::mouseClick(Panel().PlayStopButton(), Qt::LeftButton);
        QVERIFY(m_d.Idle());
    }
};

QTEST_MAIN(ScenePreviewTest)
#include "ScenePreviewTest.moc"
