// The scene list's editing on a page of its own, with real list, caption and preview controls and an idle
// engine: when the row menu is offered and what it selects, deletes and the segment files they leave, the peak
// command, and a typed frame that waits for a cut to end before it is clamped and applied.
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "ui/PageFakes.h"
#include "ui/lists/SceneEditRules.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/scene/CaptionPanel.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/ScenePage.h"

namespace {

using FakeScenePage = pagefakes::ScenePageFake;

using Ranges = std::vector<std::pair<int, int>>;

}  // namespace

class SceneListEditorTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<FakeScenePage> m_page;
    std::unique_ptr<SceneListEditor> m_editor;
    SceneListView* m_view = nullptr;
    SceneListModel* m_model = nullptr;
    QTemporaryDir m_dir;
    std::vector<int> m_peakShown;
    std::vector<int> m_peakAdded;

    CTarneloData& Data() { return m_page->Data(); }
    // Scenes whose segment files exist in the test's folder.
    void SetScenes(const Ranges& ranges) {
        m_page->SetRanges(ranges);
        Data().Scenes().UpdateAll([&](SceneEntry& scene) {
            scene.fileName = SceneSegmentName(Data(), scene.framNo_first, scene.framNo_second);
            QFile file(QString::fromStdString(scene.fileName));
            QVERIFY(file.open(QIODevice::WriteOnly));
        });
        m_editor->FillList(0);
    }
    bool Exists(int first, int last) {
        return QFile::exists(QString::fromStdString(SceneSegmentName(Data(), first, last)));
    }

private slots:
    void initTestCase() { QVERIFY(m_host.LoadStrings()); }
    void init() {
        m_page = std::make_unique<FakeScenePage>(m_host);
        Data().ResetAll(false);
        Data().input_file = m_dir.filePath(QStringLiteral("clip.mp4")).toStdString();
        Data().output_folder = m_dir.path().toStdString() + "/";
        Data().m_sourceInfo.fps = 25;
        Data().m_sourceInfo.frame_num = 300;
        ScenePanels panels;
        panels.listModel = new SceneListModel(&Data(), m_page.get());
        panels.listView = m_view = new SceneListView(m_page.get());
        panels.listView->SetListModel(panels.listModel);
        panels.captions = new CCaptionPanel(&Data(), m_page.get());
        panels.preview = new CPreviewPanel(m_page.get());
        m_model = panels.listModel;
        m_editor = std::make_unique<SceneListEditor>(*m_page, panels);
        m_page->editDone = [this](const EditDoneMsg& msg) { m_editor->OnEditDone(msg); };
        m_peakShown.clear();
        m_peakAdded.clear();
        m_editor->SetPeakCommand([this](QMenu&, int row) { m_peakAdded.push_back(row); },
                                 [this](int row) { m_peakShown.push_back(row); });
        m_page->resize(800, 400);
        m_page->show();
        SetScenes({{0, 99}, {100, 129}, {130, 299}});
    }
    void cleanup() {
        m_editor.reset();
        m_page.reset();
    }

    void theRowMenuIsOfferedOnlyOutsideFrameCellsAndWork_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("work");
        QTest::addColumn<bool>("offered");
        QTest::addColumn<bool>("split");
        QTest::newRow("caption of a long scene") << 0 << int(SceneListModel::kColCaption) << "" << true << true;
        QTest::newRow("caption of a short scene") << 1 << int(SceneListModel::kColCaption) << "" << true << false;
        QTest::newRow("start frame") << 0 << int(SceneListModel::kColStart) << "" << false << false;
        QTest::newRow("length") << 0 << int(SceneListModel::kColLength) << "" << false << false;
        QTest::newRow("no row") << 3 << int(SceneListModel::kColCaption) << "" << false << false;
        QTest::newRow("a correction runs") << 2 << int(SceneListModel::kColCaption) << "busy" << false << false;
        QTest::newRow("a cut runs") << 2 << int(SceneListModel::kColCaption) << "cursor" << false << false;
        QTest::newRow("the list is refilled") << 2 << int(SceneListModel::kColCaption) << "refill" << false << false;
    }
    void theRowMenuIsOfferedOnlyOutsideFrameCellsAndWork() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, work);
        QFETCH(bool, offered);
        QFETCH(bool, split);
        if (work == "busy") m_page->SetLocalJob(CTabPage::kJobAutoCorrect);
        if (work == "cursor") m_page->SetWaitCursor(true);
        if (work == "refill") m_editor->SetListSettled(false);
        const std::unique_ptr<QMenu> menu = m_editor->ContextMenu(row, column);
        m_page->SetLocalJob(0);
        m_page->SetWaitCursor(false);
        QCOMPARE(menu != nullptr, offered);
        if (!offered) {
            QCOMPARE(Data().list_idx, 0);
            QVERIFY(m_peakAdded.empty());
            return;
        }
        QCOMPARE(Data().list_idx, row);
        QCOMPARE(m_view->CurrentRow(), row);
        QCOMPARE(m_peakAdded, std::vector<int>{row});
        const QAction* splitAction = menu->findChild<QAction*>(QStringLiteral("command1055"));
        QVERIFY(splitAction != nullptr);
        QCOMPARE(splitAction->isEnabled(), split);
    }

    void deletingKeepsAFileACopyStillUses() {
        m_view->SelectRow(1);
        m_editor->OnListCommand(1106);
        QCOMPARE(m_page->Ranges(), (Ranges{{0, 99}, {100, 129}, {100, 129}, {130, 299}}));
        QCOMPARE(Data().list_idx, 2);
        QCOMPARE(m_page->calls, (QStringList{"info", "save"}));
        m_editor->OnListCommand(1056);
        QVERIFY(Exists(100, 129));
        m_view->SelectRow(1);
        m_editor->OnListCommand(1056);
        QVERIFY(!Exists(100, 129));
        QCOMPARE(m_page->Ranges(), (Ranges{{0, 99}, {130, 299}}));
        QCOMPARE(m_model->rowCount(), 2);
        // The last row deleted: the new last row is selected.
        m_view->SelectRow(1);
        m_editor->OnListCommand(1056);
        QCOMPARE(Data().list_idx, 0);
        QCOMPARE(m_view->CurrentRow(), 0);
        // The only scene is not deleted: the list is rebuilt instead.
        m_page->calls.clear();
        m_editor->OnListCommand(1056);
        QCOMPARE(m_page->calls, (QStringList{"rebuild", "info", "save"}));
        QCOMPARE(m_page->Ranges(), (Ranges{{0, 99}}));
    }

    void thePeakCommandShowsItsRowAndEditsNothing() {
        m_view->SelectRow(2);
        m_editor->OnListCommand(SceneListEditor::kShowPeakCommand);
        QCOMPARE(m_peakShown, std::vector<int>{2});
        QCOMPARE(Data().list_idx, 0);
        QVERIFY(m_page->calls.isEmpty());
    }

    void aFrameTypedDuringACutWaitsForItsEnd() {
        const QModelIndex cell = m_model->index(1, SceneListModel::kColStart);
        m_editor->OnRowClicked(1, SceneListModel::kColStart);
        CAppEdit* edit = m_editor->CellEdit();
        QVERIFY(edit != nullptr);
        QCOMPARE(edit->text(), QStringLiteral("100"));
        QVERIFY(cell.isValid());
        m_page->SetWaitCursor(true);
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("120"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(m_editor->CellEdit() == nullptr);
        m_editor->ApplyPendingEdit();
        QCOMPARE(m_page->Ranges()[1], std::make_pair(100, 129));
        m_page->SetWaitCursor(false);
        m_editor->ApplyPendingEdit();
        // Clamped to the scene's end less the shortest scene; the segment takes the range's name.
        QCOMPARE(m_page->Ranges()[1], std::make_pair(105, 129));
        QCOMPARE(Data().Scenes().At(1)->fileName, SceneSegmentName(Data(), 105, 129));
        QVERIFY(!Exists(100, 129));
        QVERIFY(m_page->calls.contains("save"));
        // Applied once only.
        m_page->calls.clear();
        m_editor->ApplyPendingEdit();
        QVERIFY(m_page->calls.isEmpty());
    }

    void anUnchangedValueOrAClosedEditChangesNothing() {
        m_editor->OnRowClicked(2, SceneListModel::kColEnd);
        QVERIFY(m_editor->CellEdit() != nullptr);
        QTest::keyClick(m_editor->CellEdit(), Qt::Key_Return);
        QCOMPARE(m_page->Ranges()[2], std::make_pair(130, 299));
        m_editor->OnRowClicked(2, SceneListModel::kColEnd);
        m_editor->DropCellEdit();
        m_editor->OnEditDone(EditDoneMsg{"200"});
        QCOMPARE(m_page->Ranges()[2], std::make_pair(130, 299));
        QVERIFY(!m_page->calls.contains("save"));
    }
};

QTEST_MAIN(SceneListEditorTest)
#include "SceneListEditorTest.moc"
