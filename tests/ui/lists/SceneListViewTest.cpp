// Clicks on the rows of both lists as the view reports them: a click on a cell chooses its row, a click on a
// row's check box only ticks or unticks it, without choosing the row (a chosen row stops a playing preview).
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QtTest>
#include <memory>

#include "ui/PageFakes.h"
#include "ui/lists/MergeListModel.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"

class SceneListViewTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<pagefakes::Page> m_page;
    SceneListView* m_view = nullptr;
    EntryListModel* m_model = nullptr;

    // Where the row's check box is drawn, in the viewport.
    QPoint CheckBoxOf(int row) {
        const QModelIndex index = m_model->index(row, 0);
        QStyleOptionViewItem option;
        option.initFrom(m_view);
        option.rect = m_view->visualRect(index);
        option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = index.data().toString();
        return m_view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, m_view).center();
    }
    // The end of the cell, away from any check box.
    QPoint CellEnd(int row, int column) {
        const QRect cell = m_view->visualRect(m_model->index(row, column));
        return {cell.right() - 3, cell.center().y()};
    }

private slots:
    void init() {
        m_page = std::make_unique<pagefakes::Page>(m_host);
        m_page->Data().ResetAll(false);
        m_page->Data().m_sourceInfo.fps = 25;
        m_page->SetRanges({{0, 9}, {10, 19}, {20, 29}});
        m_view = new SceneListView(m_page.get());
        m_page->resize(900, 400);
        m_page->show();
    }
    void cleanup() { m_page.reset(); }

    void aCheckBoxTicksWithoutChoosingTheRow_data() {
        QTest::addColumn<bool>("merge");
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("clicks");    // RowClicked reports
        QTest::addColumn<int>("chosen");    // the selected row afterwards
        QTest::addColumn<bool>("enabled");  // the row's entry afterwards
        QTest::newRow("scene list: another row's box") << false << "box" << 2 << 0 << 0 << false;
        QTest::newRow("scene list: the chosen row's box") << false << "box" << 0 << 0 << 0 << false;
        QTest::newRow("scene list: its number") << false << "number" << 2 << 1 << 2 << true;
        QTest::newRow("scene list: its caption") << false << "caption" << 1 << 1 << 1 << true;
        QTest::newRow("merge list: another row's box") << true << "box" << 1 << 0 << 0 << false;
        QTest::newRow("merge list: its file") << true << "caption" << 1 << 1 << 1 << true;
    }
    void aCheckBoxTicksWithoutChoosingTheRow() {
        QFETCH(bool, merge);
        QFETCH(QString, where);
        QFETCH(int, row);
        QFETCH(int, clicks);
        QFETCH(int, chosen);
        QFETCH(bool, enabled);
        if (merge) {
            m_model = new MergeListModel(&m_page->Data(), m_page.get());
        } else {
            m_model = new SceneListModel(&m_page->Data(), m_page.get());
        }
        m_view->SetListModel(m_model);
        m_model->Fill();
        m_view->SelectRow(0);
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        QSignalSpy reports(m_view, &SceneListView::RowClicked);

        const int textColumn = merge ? int(MergeListModel::kColFile) : int(SceneListModel::kColCaption);
        const QPoint at = where == "box" ? CheckBoxOf(row) : CellEnd(row, where == "number" ? 0 : textColumn);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(reports.size(), clicks);
        QCOMPARE(m_view->CurrentRow(), chosen);
        QCOMPARE(m_page->Data().diff_list.Snapshot()[static_cast<size_t>(row)].enable, enabled);
        QCOMPARE(m_model->index(row, 0).data(Qt::CheckStateRole).toInt(), int(enabled ? Qt::Checked : Qt::Unchecked));
    }
};

QTEST_MAIN(SceneListViewTest)
#include "SceneListViewTest.moc"
