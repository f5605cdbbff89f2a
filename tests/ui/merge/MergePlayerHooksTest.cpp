// The merge tab's answers to its player: only analysed and enabled videos have a start in the output, and a click on a
// row shows nothing while work runs or the list is refilled.
#include <QtTest>
#include <memory>

#include "engine/merge/ConvertMerge.h"
#include "ui/PageFakes.h"
#include "ui/lists/MergeListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/merge/MergeListEditor.h"
#include "ui/merge/MergePage.h"
#include "ui/merge/MergePanels.h"
#include "ui/merge/MergePlayerHooks.h"
#include "ui/preview/PreviewPanel.h"

using FakeMergePage = pagefakes::MergePageFake;

class MergePlayerHooksTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<FakeMergePage> m_page;
    MergeTabPanels m_panels;
    std::unique_ptr<MergeListEditor> m_lists;
    std::unique_ptr<MergePlayerHooks> m_hooks;

    CTarneloData& Data() { return m_page->Data(); }

private slots:
    void init() {
        m_page = std::make_unique<FakeMergePage>(m_host);
        Data().ResetAll(false);
        Data().transition = false;
        m_panels = MergeTabPanels();
        m_panels.jobs = new CMergeJobPanel(m_page.get());
        m_panels.listModel = new MergeListModel(&Data(), m_page.get());
        m_panels.listView = new SceneListView(m_page.get());
        m_panels.listView->SetListModel(m_panels.listModel);
        m_panels.preview = new CPreviewPanel(m_page.get());
        m_lists = std::make_unique<MergeListEditor>(*m_page, m_panels.listView, m_panels.listModel, m_panels.preview);
        m_hooks = std::make_unique<MergePlayerHooks>(*m_page, m_panels, *m_lists, [](int) {});
        m_page->SetRanges({{0, 99}, {0, 49}, {0, 74}});
        Data().Scenes().UpdateAll([](SceneEntry& video) {
            video.m_fileToUse = "/in/" + std::to_string(video.framNo_second) + ".mp4";
            video.m_convertedInfo.frame_num = video.framNo_second + 1;
        });
    }
    void cleanup() {
        m_hooks.reset();
        m_lists.reset();
        m_page.reset();
    }

    void onlyEnabledVideosStartInTheOutput() {
        QCOMPARE(m_hooks->OutputStarts(), (std::vector<int>{0, 100, 150}));
        Data().Scenes().SetEnabled(0, false);
        QCOMPARE(m_hooks->OutputStarts(), (std::vector<int>{-1, 0, 50}));
    }

    void aClickShowsNothingWhileWorkRunsOrTheListIsRefilled_data() {
        QTest::addColumn<QString>("work");
        QTest::addColumn<int>("row");
        QTest::newRow("a job runs") << "busy" << 1;
        QTest::newRow("the list is refilled") << "refill" << 1;
        QTest::newRow("no such row") << "" << 5;
    }
    void aClickShowsNothingWhileWorkRunsOrTheListIsRefilled() {
        QFETCH(QString, work);
        QFETCH(int, row);
        Data().input_file = "/in/first.mp4";
        if (work == "busy") m_page->SetLocalJob(CTabPage::kJobAutoCorrect);
        if (work == "refill") m_lists->SetListSettled(false);
        m_hooks->OnRowClicked(row, 0);
        m_page->SetLocalJob(0);
        QCOMPARE(Data().list_idx, 0);
        QCOMPARE(Data().input_file, std::string("/in/first.mp4"));
        QCOMPARE(m_page->controlUpdates, 0);
    }
};

QTEST_MAIN(MergePlayerHooksTest)
#include "MergePlayerHooksTest.moc"
