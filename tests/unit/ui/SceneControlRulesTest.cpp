// The enabling of the scene tab's controls over the states a user meets: no input, an input without scenes,
// scenes, a scene job, a playback, and landscape, portrait and rotated videos for cinemascope.
#include <QtTest>

#include "ui/common/SceneControlRules.h"

Q_DECLARE_METATYPE(SceneTabState)

namespace {

SceneTabState NoInput() { return SceneTabState{.settled = true}; }

SceneTabState InputOnly() {
    SceneTabState s = NoInput();
    s.inputSet = s.inputExists = true;
    s.outputFolderSet = s.outputFolderExists = true;
    s.outputNameSet = true;
    s.width = 1920;
    s.height = 1080;
    return s;
}

SceneTabState WithScenes() {
    SceneTabState s = InputOnly();
    s.listEmpty = false;
    s.outputExists = true;
    return s;
}

SceneTabState SceneJob() {
    SceneTabState s = WithScenes();
    s.sceneJob = s.anyJob = true;
    return s;
}

SceneTabState Playback() {
    SceneTabState s = WithScenes();
    s.playbackJob = s.anyJob = true;
    return s;
}

SceneTabState Sized(int width, int height, int rotation) {
    SceneTabState s = WithScenes();
    s.width = width;
    s.height = height;
    s.rotation = rotation;
    return s;
}

}  // namespace

class SceneControlRulesTest : public QObject {
    Q_OBJECT
private slots:
    void enablingFollowsTheState_data();
    void enablingFollowsTheState();
    void justStartedIsNotIdle();
};

void SceneControlRulesTest::enablingFollowsTheState_data() {
    QTest::addColumn<SceneTabState>("state");
    // files, play input, play output, delete folder, scene commands, stop, settings, cinemascope, can play,
    // frame buttons
    QTest::addColumn<QVector<bool>>("expected");
    QTest::newRow("no input") << NoInput()
                              << QVector<bool>{true, false, false, false, false, false, false, false, false, false};
    QTest::newRow("input without scenes")
        << InputOnly() << QVector<bool>{true, true, false, true, false, false, false, false, true, true};
    QTest::newRow("scenes") << WithScenes()
                            << QVector<bool>{true, true, true, true, true, false, true, true, true, true};
    QTest::newRow("scene job") << SceneJob()
                               << QVector<bool>{false, false, false, false, false, true, false, false, false, false};
    QTest::newRow("playback") << Playback()
                              << QVector<bool>{true, true, true, true, false, false, true, true, true, false};
    QTest::newRow("portrait") << Sized(1080, 1920, 0)
                              << QVector<bool>{true, true, true, true, true, false, true, false, true, true};
    QTest::newRow("landscape stored, turned a quarter")
        << Sized(1920, 1080, 90) << QVector<bool>{true, true, true, true, true, false, true, false, true, true};
    QTest::newRow("portrait stored, turned back")
        << Sized(1080, 1920, -90) << QVector<bool>{true, true, true, true, true, false, true, true, true, true};
    QTest::newRow("upside down landscape")
        << Sized(1920, 1080, 180) << QVector<bool>{true, true, true, true, true, false, true, true, true, true};
    SceneTabState noName = WithScenes();
    noName.outputNameSet = false;
    noName.outputExists = false;
    QTest::newRow("no output name") << noName
                                    << QVector<bool>{true, true, false, true, false, false, false, false, true, true};
}

void SceneControlRulesTest::enablingFollowsTheState() {
    QFETCH(SceneTabState, state);
    QFETCH(QVector<bool>, expected);
    const SceneControlStates c = ComputeSceneControlStates(state);
    const QVector<bool> got{c.files, c.playInput, c.playOutput,  c.deleteFolder, c.sceneCommands,
                            c.stop,  c.settings,  c.cinemascope, c.canPlay,      c.frameButtons};
    QCOMPARE(got, expected);
}

void SceneControlRulesTest::justStartedIsNotIdle() {
    // Right after a start the job buttons stay off even before the engine reports the job.
    SceneTabState s = WithScenes();
    s.settled = false;
    QVERIFY(!ComputeSceneControlStates(s).sceneCommands);
    s.settled = true;
    QVERIFY(ComputeSceneControlStates(s).sceneCommands);
}

QTEST_GUILESS_MAIN(SceneControlRulesTest)
#include "SceneControlRulesTest.moc"
