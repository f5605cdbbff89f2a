// A list view joined to the shared row editing: a drag swaps through the editor and moves the rows, the
// dragged row's text is its file's name, and once the editor is gone the view's drags change nothing.
#include <QMenu>
#include <QtTest>
#include <memory>

#include "ui/PageFakes.h"
#include "ui/common/ListEditorBase.h"
#include "ui/lists/ListRows.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"

namespace {

class Editor : public ListEditorBase {
public:
    Editor(CTarneloData& data, SceneListView* view, SceneListModel* model)
        : ListEditorBase(data, std::make_unique<ListRows>(view, model)) {
        static_cast<ListRows&>(Rows()).Attach(*this);
    }
    bool blocked = false;
    int finished = 0;
    bool EditBlocked() const override { return blocked; }
    std::unique_ptr<QMenu> ContextMenu(int, int) override { return nullptr; }
    void DragFinished() override { ++finished; }

protected:
    void RunCommand(int, int) override {}
    void AfterCommand() override {}
    void AfterSwap() override {}
};

}  // namespace

class ListRowsTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<pagefakes::Page> m_page;
    SceneListView* m_view = nullptr;
    SceneListModel* m_model = nullptr;

    void Drag(int from, int to) {
        m_view->BeginDrag(from);
        m_view->DragMoveTo(m_view->visualRect(m_model->index(to, SceneListModel::kColCaption)).center());
        m_view->EndDrag();
    }

private slots:
    void init() {
        m_page = std::make_unique<pagefakes::Page>(m_host);
        m_page->Data().ResetAll(false);
        m_page->Data().m_sourceInfo.fps = 25;
        m_model = new SceneListModel(&m_page->Data(), m_page.get());
        m_view = new SceneListView(m_page.get());
        m_view->SetListModel(m_model);
        m_page->SetRanges({{0, 9}, {10, 19}, {20, 29}});
        m_model->Fill();
        m_page->resize(800, 400);
        m_page->show();
    }
    void cleanup() { m_page.reset(); }

    void aDragSwapsThroughTheEditor() {
        Editor editor(m_page->Data(), m_view, m_model);
        Drag(2, 1);
        QCOMPARE(m_page->Ranges(), (std::vector<std::pair<int, int>>{{0, 9}, {20, 29}, {10, 19}}));
        QCOMPARE(m_model->index(1, SceneListModel::kColStart).data().toString(), QStringLiteral("20"));
        QCOMPARE(m_page->Data().list_idx, 1);
        QCOMPARE(editor.finished, 1);
        // A blocked editor keeps the rows where they are.
        editor.blocked = true;
        Drag(1, 0);
        QCOMPARE(m_page->Ranges()[0], std::make_pair(0, 9));
    }

    void withoutTheEditorADragChangesNothing() {
        { Editor editor(m_page->Data(), m_view, m_model); }
        Drag(2, 0);
        QCOMPARE(m_page->Ranges()[0], std::make_pair(0, 9));
        QCOMPARE(SceneListView::DragImage(QStringLiteral("x")).isNull(), false);
    }
};

QTEST_MAIN(ListRowsTest)
#include "ListRowsTest.moc"
