// What the player asks of a tab, answered the same on both tabs: a playback starts through the tab's job start,
// a stop disables the stop button and settles the controls, a stop of the player leaves other work alone, and
// whether the selected row is the last one.
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "engine/jobs/JobTables.h"
#include "ui/PageFakes.h"
#include "ui/common/PagePlayerHooks.h"

namespace {

class Hooks : public PagePlayerHooks {
public:
    using PagePlayerHooks::PagePlayerHooks;
    int SelectedSceneStart() const override { return 0; }
    std::vector<int> OutputStarts() const override { return {}; }
};

}  // namespace

class PagePlayerHooksTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<pagefakes::Page> m_page;
    std::unique_ptr<Hooks> m_hooks;
    QPushButton* m_stop = nullptr;
    QWidget* m_list = nullptr;
    QList<int> m_started;

private slots:
    void init() {
        m_page = std::make_unique<pagefakes::Page>(m_host);
        m_stop = new QPushButton(m_page.get());
        m_list = new QWidget(m_page.get());
        m_started.clear();
        m_hooks = std::make_unique<Hooks>(
            *m_page, "Tag", [this](int job) { m_started << job; }, m_stop, m_list);
    }
    void cleanup() {
        m_hooks.reset();
        m_page.reset();
    }

    void theSelectedRowIsLast_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("last");
        QTest::newRow("last of three") << 3 << 2 << true;
        QTest::newRow("middle") << 3 << 1 << false;
        QTest::newRow("none selected") << 3 << -1 << false;
        QTest::newRow("past the end") << 2 << 4 << true;
        QTest::newRow("only row") << 1 << 0 << true;
    }
    void theSelectedRowIsLast() {
        QFETCH(int, rows);
        QFETCH(int, selected);
        QFETCH(bool, last);
        std::vector<std::pair<int, int>> ranges;
        for (int i = 0; i < rows; ++i) ranges.emplace_back(i * 10, i * 10 + 9);
        m_page->SetRanges(ranges);
        m_page->Data().list_idx = selected;
        QCOMPARE(m_hooks->SelectedSceneIsLast(), last);
    }

    void aPlaybackStartsAndStopsAsTheTabsJobsDo() {
        m_hooks->StartPlayback(kJobScenePreview);
        QCOMPARE(m_started, QList<int>{kJobScenePreview});
        m_stop->setEnabled(true);
        m_hooks->StopPlayback();
        QVERIFY(!m_stop->isEnabled());
        QCOMPARE(m_page->controlUpdates, 1);
        m_hooks->PlayerChanged();
        QCOMPARE(m_page->controlUpdates, 2);
    }

    void stoppingThePlayerLeavesOtherWorkAlone() {
        m_stop->setEnabled(true);
        m_hooks->StopPlayer();
        m_page->SetLocalJob(CTabPage::kJobAutoCorrect);
        m_hooks->StopPlayer();
        QVERIFY(m_stop->isEnabled());
        QCOMPARE(m_page->controlUpdates, 0);
        QVERIFY(m_hooks->SceneJobRunning());
        m_page->SetLocalJob(0);
        QVERIFY(!m_hooks->SceneJobRunning());
    }
};

QTEST_MAIN(PagePlayerHooksTest)
#include "PagePlayerHooksTest.moc"
