// The row editing both tabs share, on a list of three scenes and rows that note what they were asked: which
// row a command works on, what a blocked list or a refused copy or swap leaves, and the rebuild mark.
#include <QMenu>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "project/TarneloData.h"
#include "ui/common/ListEditorBase.h"

namespace {

struct RowLog {
    int current = -1;
    int selected = -1;
    bool enabled = true;
    bool refuse = false;  // copies and swaps fail, as for rows out of range
    std::vector<std::string> calls;
};

class FakeRows : public EditableRows {
public:
    FakeRows(RowLog& log, CTarneloData& data) : m_log(log), m_data(data) {}
    int CurrentRow() const override { return m_log.current; }
    void SelectRow(int row) override { m_log.selected = row; }
    void SetRowsEnabled(bool enabled) override { m_log.enabled = enabled; }
    bool CopyRow(int row) override {
        m_log.calls.push_back("copy " + std::to_string(row));
        return !m_log.refuse && m_data.Scenes().Copy(row);
    }
    bool SwapRows(int from, int to) override {
        m_log.calls.push_back("swap " + std::to_string(from) + "," + std::to_string(to));
        return !m_log.refuse && m_data.Scenes().Swap(from, to);
    }

private:
    RowLog& m_log;
    CTarneloData& m_data;
};

constexpr int kCopy = 1;
constexpr int kHandled = 2;  // a command BeforeCommand takes care of

class Editor : public ListEditorBase {
public:
    Editor(CTarneloData& data, RowLog& log) : ListEditorBase(data, std::make_unique<FakeRows>(log, data)), m_log(log) {}

    bool blocked = false;
    int after = 0;
    int swapped = 0;
    bool enabledDuring = true;
    bool settledDuring = true;

    bool EditBlocked() const override { return blocked; }
    std::unique_ptr<QMenu> ContextMenu(int, int) override { return nullptr; }
    void DragFinished() override {}

protected:
    bool BeforeCommand(int id, int row) override {
        m_log.calls.push_back("before " + std::to_string(row));
        return id != kHandled;
    }
    void RunCommand(int id, int row) override {
        enabledDuring = m_log.enabled;
        settledDuring = ListSettled();
        if (id == kCopy) CopyRow(row);
    }
    void AfterCommand() override { ++after; }
    void AfterSwap() override { ++swapped; }

private:
    RowLog& m_log;
};

std::vector<int> Starts(const CTarneloData& data) {
    std::vector<int> starts;
    for (const SceneEntry& scene : data.Scenes().Snapshot()) starts.push_back(scene.framNo_first);
    return starts;
}

}  // namespace

class ListEditorBaseTest : public QObject {
    Q_OBJECT
private:
    CTarneloData m_data;
    RowLog m_log;
    std::unique_ptr<Editor> m_editor;

private slots:
    void init() {
        m_data.ResetAll(false);
        m_data.Scenes().Assign(
            {SceneEntry(0, 9, "/out/a.mp4"), SceneEntry(10, 19, "/out/b.mp4"), SceneEntry(20, 29, "/out/c.mp4")}, 0);
        m_data.list_idx = 0;
        m_log = RowLog();
        m_editor = std::make_unique<Editor>(m_data, m_log);
    }

    void aCommandWorksOnTheCurrentRowElseTheSelection_data() {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("selection");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<int>("copied");  // -1: nothing runs
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("current row") << 2 << 0 << false << 2 << 3;
        QTest::newRow("no current row: the selection") << -1 << 1 << false << 1 << 2;
        QTest::newRow("out of range") << 5 << 0 << false << -1 << 0;
        QTest::newRow("neither") << -1 << -1 << false << -1 << -1;
        QTest::newRow("blocked") << 1 << 1 << true << -1 << 1;
    }
    void aCommandWorksOnTheCurrentRowElseTheSelection() {
        QFETCH(int, current);
        QFETCH(int, selection);
        QFETCH(bool, blocked);
        QFETCH(int, copied);
        QFETCH(int, selectedAfter);
        m_log.current = current;
        m_data.list_idx = selection;
        m_editor->blocked = blocked;
        m_editor->OnListCommand(kCopy);
        QCOMPARE(m_data.list_idx, selectedAfter);
        if (copied < 0) {
            QVERIFY(m_log.calls.empty());
            QCOMPARE(m_editor->after, 0);
            QCOMPARE(m_data.Scenes().Size(), 3);
            return;
        }
        QCOMPARE(m_log.calls,
                 (std::vector<std::string>{"before " + std::to_string(copied), "copy " + std::to_string(copied)}));
        QCOMPARE(m_data.Scenes().Size(), 4);
        QCOMPARE(m_log.selected, copied + 1);
        QCOMPARE(m_editor->after, 1);
    }

    void aCommandRunsWithTheRowsOffAndTheListMarkedAsRebuilt() {
        m_log.current = 1;
        m_editor->OnListCommand(kCopy);
        QVERIFY(!m_editor->enabledDuring);
        QVERIFY(!m_editor->settledDuring);
        QVERIFY(m_log.enabled);
        QVERIFY(m_editor->ListSettled());
    }

    void aCommandTakenBeforeChangesNothing() {
        m_log.current = 2;
        m_editor->OnListCommand(kHandled);
        QCOMPARE(m_data.list_idx, 0);
        QCOMPARE(m_editor->after, 0);
        QCOMPARE(m_log.calls, std::vector<std::string>{"before 2"});
    }

    void aRefusedCopyKeepsTheSelection() {
        m_log.current = 1;
        m_log.refuse = true;
        m_editor->OnListCommand(kCopy);
        QCOMPARE(m_data.list_idx, 1);
        QCOMPARE(m_log.selected, -1);
    }

    void aDragSwapMovesTheSelectionWithTheRow_data() {
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<bool>("swapped");
        QTest::newRow("swapped") << false << false << true;
        QTest::newRow("blocked") << true << false << false;
        QTest::newRow("refused") << false << true << false;
    }
    void aDragSwapMovesTheSelectionWithTheRow() {
        QFETCH(bool, blocked);
        QFETCH(bool, refuse);
        QFETCH(bool, swapped);
        m_editor->blocked = blocked;
        m_log.refuse = refuse;
        QCOMPARE(m_editor->DragSwap(0, 1), swapped);
        QCOMPARE(m_data.list_idx, swapped ? 1 : 0);
        QCOMPARE(m_editor->swapped, swapped ? 1 : 0);
        QCOMPARE(Starts(m_data), swapped ? (std::vector<int>{10, 0, 20}) : (std::vector<int>{0, 10, 20}));
        QCOMPARE(m_log.calls.empty(), blocked);
        QVERIFY(m_editor->ListSettled());
    }

    void rebuildingRestoresTheMarkItFound() {
        m_editor->WhileRebuilding([&] {
            QVERIFY(!m_editor->ListSettled());
            m_editor->WhileRebuilding([] {});
            QVERIFY(!m_editor->ListSettled());
        });
        QVERIFY(m_editor->ListSettled());
        m_editor->SetListSettled(false);
        m_editor->WhileRebuilding([] {});
        QVERIFY(!m_editor->ListSettled());
    }

    void theDraggedRowShowsItsFileName() {
        QCOMPARE(m_editor->DragText(1), QStringLiteral("b.mp4"));
        QCOMPARE(m_editor->DragText(3), QString());
        QCOMPARE(m_editor->DragText(-1), QString());
    }
};

QTEST_MAIN(ListEditorBaseTest)
#include "ListEditorBaseTest.moc"
