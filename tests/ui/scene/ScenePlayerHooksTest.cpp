// The scene tab's answers to its player: the selected scene's first frame in the input and where the
// enabled scenes begin in the output.
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "ui/PageFakes.h"
#include "ui/scene/ScenePage.h"
#include "ui/scene/ScenePlayerHooks.h"

using FakeScenePage = pagefakes::ScenePageFake;

class ScenePlayerHooksTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<FakeScenePage> m_page;
    std::unique_ptr<ScenePlayerHooks> m_hooks;

private slots:
    void init() {
        m_page = std::make_unique<FakeScenePage>(m_host);
        m_page->Data().ResetAll(false);
        m_page->Data().transition = false;
        m_page->Data().m_currentInfo.fps = 25;
        m_hooks = std::make_unique<ScenePlayerHooks>(
            *m_page, [](int) {}, new QPushButton(m_page.get()), new QWidget(m_page.get()));
        m_page->SetRanges({{30, 80}, {100, 149}, {200, 259}});
    }
    void cleanup() {
        m_hooks.reset();
        m_page.reset();
    }

    void theSelectedSceneStartsAtItsFirstFrame_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("start");
        QTest::newRow("first") << 0 << 30;
        QTest::newRow("last") << 2 << 200;
        QTest::newRow("none") << -1 << -1;
        QTest::newRow("past the end") << 3 << -1;
    }
    void theSelectedSceneStartsAtItsFirstFrame() {
        QFETCH(int, selected);
        QFETCH(int, start);
        m_page->Data().list_idx = selected;
        QCOMPARE(m_hooks->SelectedSceneStart(), start);
    }

    void theEnabledScenesFollowOneAnotherInTheOutput() {
        QCOMPARE(m_hooks->OutputStarts(), (std::vector<int>{0, 51, 101}));
        m_page->Data().Scenes().SetEnabled(1, false);
        QCOMPARE(m_hooks->OutputStarts(), (std::vector<int>{0, -1, 51}));
    }
};

QTEST_MAIN(ScenePlayerHooksTest)
#include "ScenePlayerHooksTest.moc"
