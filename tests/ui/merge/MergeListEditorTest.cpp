// The merge list's editing on a page of its own: the row menu has no split and is offered for any column of a
// listed video, a copy and a delete keep the selection on a listed video, a deleted video's converted file
// stays, and deleting the only video clears the list.
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "engine/merge/ConvertMerge.h"
#include "ui/PageFakes.h"
#include "ui/lists/MergeListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/merge/MergeListEditor.h"
#include "ui/merge/MergePage.h"
#include "ui/preview/PreviewPanel.h"

namespace {

using FakeMergePage = pagefakes::MergePageFake;

using Ranges = std::vector<std::pair<int, int>>;

}  // namespace

class MergeListEditorTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<FakeMergePage> m_page;
    std::unique_ptr<MergeListEditor> m_editor;
    SceneListView* m_view = nullptr;
    MergeListModel* m_model = nullptr;
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_host.LoadStrings()); }
    void init() {
        m_page = std::make_unique<FakeMergePage>(m_host);
        m_page->Data().ResetAll(false);
        m_model = new MergeListModel(&m_page->Data(), m_page.get());
        m_view = new SceneListView(m_page.get());
        m_view->SetListModel(m_model);
        m_editor = std::make_unique<MergeListEditor>(*m_page, m_view, m_model, new CPreviewPanel(m_page.get()));
        m_page->SetRanges({{0, 99}, {0, 49}, {0, 199}});
        m_editor->FillList(0);
        m_page->clearList = [this] { m_page->Data().Scenes().Clear(); };
    }
    void cleanup() {
        m_editor.reset();
        m_page.reset();
    }

    void theMenuHasNoSplitAndNeedsAListedVideo_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("refill");
        QTest::addColumn<bool>("offered");
        QTest::newRow("first") << 0 << false << true;
        QTest::newRow("last") << 2 << false << true;
        QTest::newRow("past the end") << 3 << false << false;
        QTest::newRow("none") << -1 << false << false;
        QTest::newRow("list refilled") << 1 << true << false;
    }
    void theMenuHasNoSplitAndNeedsAListedVideo() {
        QFETCH(int, row);
        QFETCH(bool, refill);
        QFETCH(bool, offered);
        m_editor->SetListSettled(!refill);
        const std::unique_ptr<QMenu> menu = m_editor->ContextMenu(row, 3);
        QCOMPARE(menu != nullptr, offered);
        if (!menu) return;
        QCOMPARE(m_view->CurrentRow(), row);
        QVERIFY(menu->findChild<QAction*>(QStringLiteral("command1055")) == nullptr);
        QVERIFY(menu->findChild<QAction*>(QStringLiteral("command1056")) != nullptr);
    }

    void deletingKeepsTheConvertedFile() {
        const QString converted = m_dir.filePath(QStringLiteral("converted.mp4"));
        QFile file(converted);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        m_page->Data().Scenes().UpdateAll([&](SceneEntry& video) { video.fileName = converted.toStdString(); });
        m_view->SelectRow(2);
        m_editor->OnListCommand(1056);
        QCOMPARE(m_page->Ranges(), (Ranges{{0, 99}, {0, 49}}));
        QCOMPARE(m_page->Data().list_idx, 1);
        QCOMPARE(m_model->rowCount(), 2);
        QVERIFY(QFile::exists(converted));
        QCOMPARE(m_page->calls, (QStringList{"stop", "info"}));
    }

    void copyingSelectsTheCopiedVideo() {
        m_view->SelectRow(0);
        m_editor->OnListCommand(1106);
        QCOMPARE(m_page->Ranges(), (Ranges{{0, 99}, {0, 99}, {0, 49}, {0, 199}}));
        QCOMPARE(m_page->Data().list_idx, 1);
        QCOMPARE(m_view->CurrentRow(), 1);
    }

    void deletingTheOnlyVideoClearsTheList() {
        m_page->SetRanges({{0, 9}});
        m_editor->FillList(0);
        m_editor->OnListCommand(1056);
        QCOMPARE(m_page->calls, (QStringList{"clear", "info"}));
        QVERIFY(m_page->Data().Scenes().Empty());
    }
};

QTEST_MAIN(MergeListEditorTest)
#include "MergeListEditorTest.moc"
