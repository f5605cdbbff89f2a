// The scene list: where each scene starts in the merged output, the texts and colours of its rows, the
// check boxes that are the scenes' enable flags, and a view that forwards clicks unless a job runs.
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QtTest>

#include "app/AppEdit.h"
#include "app/Language.h"
#include "project/ClockTime.h"
#include "project/RecordingTime.h"
#include "ui/lists/ListContextMenu.h"
#include "ui/lists/ListModelSupport.h"
#include "ui/lists/OutputStarts.h"
#include "ui/lists/SceneEditRules.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"

using Starts = std::vector<int>;

namespace {

// Scenes of the given lengths one after another; a negative length is a disabled scene of that size.
std::vector<SceneEntry> Scenes(const std::vector<int>& lengths) {
    std::vector<SceneEntry> list;
    int first = 0;
    for (const int length : lengths) {
        const int n = length < 0 ? -length : length;
        SceneEntry scene(first, first + n - 1, std::string());
        scene.enable = length > 0;
        list.push_back(scene);
        first += n;
    }
    return list;
}

// Three scenes at 30 fps, the middle one unchecked.
void FillProject(CTarneloData& data) {
    data.m_currentInfo.fps = 30;
    data.diff_list.Assign(Scenes({90, -60, 300}), -1);
    data.diff_list.Update(0, [&](SceneEntry& s) { data.SetSceneCaption(s, 0.5, 2.0, "Hello"); });
}

struct OptionDelegate : QStyledItemDelegate {
    using QStyledItemDelegate::initStyleOption;
};

// Where the check box of row is drawn, in viewport coordinates.
QPoint CheckBoxCenter(SceneListView& view, int row) {
    const QModelIndex index = view.model()->index(row, SceneListModel::kColEnable);
    QStyleOptionViewItem option;
    option.initFrom(view.viewport());
    option.rect = view.visualRect(index);
    option.widget = &view;
    OptionDelegate().initStyleOption(&option, index);
    return view.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &view).center();
}

}  // namespace

class SceneListModelTest : public QObject {
    Q_OBJECT
private:
    CLanguage m_language;

    static QString Cell(const SceneListModel& model, int row, int column) { return CellText(model, row, column); }

private slots:
    void initTestCase() {
        m_language.SetSearchFolder(QStringLiteral(TARNELO_RESOURCE_DIR));
        QVERIFY(m_language.LoadLanguage(QStringLiteral("ja-JP")));
    }

    void outputStarts_data() {
        QTest::addColumn<std::vector<int>>("lengths");
        QTest::addColumn<bool>("transition");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("fps");
        QTest::addColumn<Starts>("expected");
        QTest::newRow("no transition") << std::vector<int>{90, 90, 90} << false << 1.0 << 30.0 << Starts{0, 90, 180};
        QTest::newRow("transition of 1 s") << std::vector<int>{90, 90, 90} << true << 1.0 << 30.0 << Starts{0, 75, 135};
        QTest::newRow("transition, 4 rows at 29.97")
            << std::vector<int>{100, 100, 100, 100} << true << 0.5 << 29.97 << Starts{0, 93, 178, 263};
        QTest::newRow("disabled middle row")
            << std::vector<int>{90, -90, 90} << true << 1.0 << 30.0 << Starts{0, -1, 75};
        QTest::newRow("disabled first row")
            << std::vector<int>{-50, 30, 20} << false << 0.5 << 30.0 << Starts{-1, 0, 30};
        QTest::newRow("transition without a rate") << std::vector<int>{90, 90} << true << 1.0 << 0.0 << Starts{0, 90};
        QTest::newRow("scene shorter than the fade")
            << std::vector<int>{10, 90, 90} << true << 1.0 << 30.0 << Starts{0, 0, 60};
        QTest::newRow("empty list") << std::vector<int>{} << true << 1.0 << 30.0 << Starts{};
    }

    void outputStarts() {
        QFETCH(std::vector<int>, lengths);
        QFETCH(bool, transition);
        QFETCH(double, seconds);
        QFETCH(double, fps);
        QFETCH(Starts, expected);
        QCOMPARE(SceneOutputStarts(Scenes(lengths), transition, seconds, fps), expected);
    }

    void rowTexts_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("numbering") << 0 << int(SceneListModel::kColEnable) << QStringLiteral("001");
        QTest::newRow("length") << 1 << int(SceneListModel::kColLength) << QStringLiteral("60");
        QTest::newRow("duration") << 2 << int(SceneListModel::kColDuration) << QStringLiteral("00:00:10.00");
        QTest::newRow("caption") << 0 << int(SceneListModel::kColCaption) << QStringLiteral("Hello");
        QTest::newRow("caption start") << 0 << int(SceneListModel::kColCaptionStart) << QStringLiteral("0.50");
        QTest::newRow("output start") << 2 << int(SceneListModel::kColOutputStart) << QStringLiteral("90");
        QTest::newRow("output time") << 2 << int(SceneListModel::kColOutputTime) << QStringLiteral("00:00:03.00");
        QTest::newRow("no output start when off") << 1 << int(SceneListModel::kColOutputStart) << QString();
    }

    void rowTexts() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        CTarneloData data;
        FillProject(data);
        SceneListModel model(&data, nullptr);
        model.Fill();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.columnCount(), 11);
        QCOMPARE(Cell(model, row, column), text);
        QCOMPARE(model.data(model.index(row, column), Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::Alignment(Qt::AlignCenter));
    }

    void disabledRowsAreGreyAndUnchecked() {
        CTarneloData data;
        FillProject(data);
        SceneListModel model(&data, nullptr);
        model.Fill();
        QVERIFY(RowIsGrey(model, 1));
        QVERIFY(RowIsPlain(model, 0));
        QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(model.data(model.index(1, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(!model.data(model.index(0, 1), Qt::CheckStateRole).isValid());
        QCOMPARE(model.OutputStarts(), Starts({0, 90}));
    }

    // With the recording's clock the hidden column and the tool tip tell each scene's start and end by it;
    // the player's line and a scene's cut file map to the same times.
    void clockTimesOfTheScenes() {
        CTarneloData data;
        FillProject(data);
        data.m_sourceInfo.fps = 30;
        data.input_file = "/v/cam.mp4";
        data.diff_list.Update(2, [](SceneEntry& s) { s.fileName = "/v/out/cam_seg_150_449.mp4"; });
        SceneListModel model(&data, nullptr);
        model.Fill();
        QCOMPARE(Cell(model, 2, SceneListModel::kColClock), QString());
        QVERIFY(!model.data(model.index(0, 1), Qt::ToolTipRole).toString().contains(QLatin1String("2024")));
        QVERIFY(ParseClockText("2024-01-31T14:25:30.000+09:00", data.clock_start));
        model.Fill();
        QCOMPARE(Cell(model, 2, SceneListModel::kColClock), QStringLiteral("2024-01-31 14:25:35"));
        const QString tip = model.data(model.index(2, 1), Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(QLatin1String("2024-01-31T14:25:35.000+09:00")) &&
                     tip.contains(QLatin1String("2024-01-31T14:25:45.000+09:00")),
                 qPrintable(tip));
        QCOMPARE(RecordingSeconds(data, "/v/cam.mp4", 45), std::optional<double>(1.5));
        QCOMPARE(RecordingSeconds(data, "/v/out/cam_seg_150_449.mp4", 30), std::optional<double>(6.0));
        QCOMPARE(RecordingSeconds(data, "/v/out/cam_trim.mp4", 30), std::optional<double>());
    }

    void durationWithoutRateIsZero() {
        CTarneloData data;
        FillProject(data);
        data.m_currentInfo.fps = 0;
        SceneListModel model(&data, nullptr);
        model.Fill();
        QCOMPARE(Cell(model, 0, SceneListModel::kColDuration), QStringLiteral("00:00:00.00"));
        QCOMPARE(Cell(model, 2, SceneListModel::kColOutputStart), QStringLiteral("90"));
    }

    void headersFollowTheLanguage() {
        CTarneloData data;
        SceneListModel model(&data, nullptr);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("有効"));
        QCOMPARE(model.headerData(9, Qt::Horizontal).toString(), QStringLiteral("出力開始"));
        QSignalSpy changed(&model, &QAbstractItemModel::headerDataChanged);
        QVERIFY(m_language.LoadLanguage(QStringLiteral("en-US")));
        model.RefreshHeaders();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Enable"));
        QVERIFY(m_language.LoadLanguage(QStringLiteral("ja-JP")));
    }

    void checkBoxWritesTheEnableFlag() {
        CTarneloData data;
        FillProject(data);
        SceneListModel model(&data);
        model.Fill();
        QSignalSpy enableChanged(&model, &SceneListModel::EnableChanged);
        QVERIFY(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsUserCheckable));
        QVERIFY(!model.flags(model.index(0, 1)).testFlag(Qt::ItemIsUserCheckable));

        QVERIFY(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!data.diff_list.Snapshot()[0].enable);
        QCOMPARE(enableChanged.count(), 1);
        QCOMPARE(enableChanged.at(0).at(0).toInt(), 0);
        QCOMPARE(Cell(model, 0, SceneListModel::kColOutputStart), QString());
        QCOMPARE(Cell(model, 2, SceneListModel::kColOutputStart), QStringLiteral("0"));
        QCOMPARE(model.OutputStartOf(2), 0);
        QCOMPARE(model.OutputStarts(), Starts({0}));

        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(data.diff_list.Snapshot()[1].enable);
        QCOMPARE(Cell(model, 1, SceneListModel::kColOutputStart), QStringLiteral("0"));
        QCOMPARE(Cell(model, 2, SceneListModel::kColOutputStart), QStringLiteral("60"));
        QVERIFY(!model.data(model.index(1, 3), Qt::BackgroundRole).isValid());

        // Only the check state of column 0 is writable.
        QVERIFY(!model.setData(model.index(0, 1), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("x"), Qt::EditRole));
        QCOMPARE(enableChanged.count(), 2);
    }

    void lockedModelRefusesTheCheckBox() {
        CTarneloData data;
        FillProject(data);
        SceneListModel model(&data, nullptr);
        model.Fill();
        model.SetLocked(true);
        QSignalSpy enableChanged(&model, &SceneListModel::EnableChanged);
        QVERIFY(!model.flags(model.index(0, 0)).testFlag(Qt::ItemIsUserCheckable));
        QVERIFY(!model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(data.diff_list.Snapshot()[0].enable);
        QCOMPARE(enableChanged.count(), 0);
        model.SetLocked(false);
        QVERIFY(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
    }

    void rowsAreACopyUntilRefreshed() {
        CTarneloData data;
        FillProject(data);
        SceneListModel model(&data, nullptr);
        model.Fill();
        data.diff_list.Update(2, [&](SceneEntry& s) { s.framNo_second = 209; });
        data.diff_list.Update(0, [&](SceneEntry& s) { s.capParam.caption = "Changed"; });
        QCOMPARE(Cell(model, 2, SceneListModel::kColLength), QStringLiteral("300"));
        model.UpdateCaptions(0);
        QCOMPARE(Cell(model, 0, SceneListModel::kColCaption), QStringLiteral("Changed"));
        model.UpdateRow(2);
        QCOMPARE(Cell(model, 2, SceneListModel::kColLength), QStringLiteral("60"));
        data.diff_list.Append(SceneEntry(210, 239, std::string()));
        model.RefreshNumbering();
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(Cell(model, 3, SceneListModel::kColEnable), QStringLiteral("004"));
        QCOMPARE(Cell(model, 3, SceneListModel::kColOutputStart), QStringLiteral("150"));
    }

    void viewForwardsClicksUnlessBlocked_data() {
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<bool>("onCheckBox");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("enabledAfter");
        QTest::newRow("cell") << false << false << 1 << true;
        // A tick is not a click on the row: it neither reports nor selects it.
        QTest::newRow("check box") << false << true << 0 << false;
        QTest::newRow("cell while blocked") << true << false << 0 << true;
        QTest::newRow("check box while blocked") << true << true << 0 << true;
    }

    void viewForwardsClicksUnlessBlocked() {
        QFETCH(bool, blocked);
        QFETCH(bool, onCheckBox);
        QFETCH(int, clicks);
        QFETCH(bool, enabledAfter);
        CTarneloData data;
        FillProject(data);
        SceneListModel model(&data, nullptr);
        model.Fill();
        SceneListView view;
        view.SetListModel(&model);
        view.SetBlockedWhile([&blocked] { return blocked; });
        view.resize(800, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.objectName(), QStringLiteral("sceneList"));
        QCOMPARE(view.columnWidth(5), 120);
        QSignalSpy rowClicked(&view, &SceneListView::RowClicked);
        QSignalSpy menu(&view, &SceneListView::ContextMenuAt);

        const int column = onCheckBox ? 0 : 2;
        const QPoint at = onCheckBox ? CheckBoxCenter(view, 2) : view.visualRect(model.index(2, column)).center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(rowClicked.count(), clicks);
        QCOMPARE(data.diff_list.Snapshot()[2].enable, enabledAfter);
        if (clicks > 0) {
            QCOMPARE(rowClicked.at(0).at(0).toInt(), 2);
            QCOMPARE(rowClicked.at(0).at(1).toInt(), column);
            QCOMPARE(view.CurrentRow(), 2);
            QCOMPARE(view.selectionModel()->selectedRows().size(), 1);
        } else {
            QVERIFY(view.selectionModel()->selectedRows().isEmpty());
        }
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.index(0, 3)).center());
        QCOMPARE(rowClicked.count() > clicks, !blocked);

        const QPoint cell = view.visualRect(model.index(1, 4)).center();
        QContextMenuEvent right(QContextMenuEvent::Mouse, cell, view.viewport()->mapToGlobal(cell));
        QCoreApplication::sendEvent(view.viewport(), &right);
        QCOMPARE(menu.count(), blocked ? 0 : 1);
        if (!blocked) {
            QCOMPARE(menu.at(0).at(0).toInt(), 1);
            QCOMPARE(menu.at(0).at(1).toInt(), 4);
        }
    }

    void selectRowIsSilentAndKeysReportRows() {
        CTarneloData data;
        FillProject(data);
        SceneListModel model(&data, nullptr);
        model.Fill();
        SceneListView view;
        view.SetListModel(&model);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy rowClicked(&view, &SceneListView::RowClicked);
        view.SelectRow(1);
        QCOMPARE(view.CurrentRow(), 1);
        QCOMPARE(view.selectionModel()->selectedRows().size(), 1);
        QCOMPARE(rowClicked.count(), 0);
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.CurrentRow(), 2);
        QCOMPARE(rowClicked.count(), 1);
        QCOMPARE(rowClicked.at(0).at(0).toInt(), 2);
        QCOMPARE(rowClicked.at(0).at(1).toInt(), -1);
    }

    void insertedAndRemovedRowsAreRenumbered() {
        CTarneloData data;
        FillProject(data);
        SceneListModel model(&data, nullptr);
        model.Fill();
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QVERIFY(data.diff_list.Copy(0));
        model.InsertRow(0);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(Cell(model, 3, SceneListModel::kColEnable), QStringLiteral("004"));
        // Row 2 is the unchecked one; the last row starts after both copies.
        QCOMPARE(Cell(model, 3, SceneListModel::kColOutputStart), QStringLiteral("180"));
        data.diff_list.Delete(1);
        model.RemoveRow(1);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(Cell(model, 2, SceneListModel::kColOutputStart), QStringLiteral("90"));
        // A row count that does not follow from the change refills the whole list.
        data.diff_list.Clear();
        model.RemoveRow(0);
        QCOMPARE(model.rowCount(), 0);
    }

    // A drag with the pointer: held past the drag distance, the row travels under it with its picture, and
    // above or below the list each move scrolls one line.
    void dragMovesTheRowUnderThePointerAndScrollsAtTheEdges() {
        CTarneloData data;
        data.m_currentInfo.fps = 30;
        std::vector<int> lengths(30, 10);
        data.diff_list.Assign(Scenes(lengths), -1);
        SceneListModel model(&data, nullptr);
        model.Fill();
        SceneListView view;
        view.SetListModel(&model);
        view.SetDragSwap([&](int from, int to) {
            if (!data.diff_list.Swap(from, to)) return false;
            model.UpdateRow(from);
            model.UpdateRow(to);
            return true;
        });
        view.resize(800, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QScrollBar* bar = view.verticalScrollBar();
        bar->setValue(bar->maximum());
        const int scrolled = bar->value();
        QVERIFY(scrolled > 1);
        const int top = view.rowAt(0);
        QVERIFY(top > 0);
        QSignalSpy finished(&view, &SceneListView::DragFinished);
        QWidget* port = view.viewport();
        const auto centre = [&](int row) { return view.visualRect(model.index(row, 4)).center(); };

        // Within the drag distance nothing moves; past it the row goes with the pointer.
        QTest::mousePress(port, Qt::LeftButton, {}, centre(top + 2));
        QTest::mouseMove(port, centre(top + 2) + QPoint(0, 1));
        QVERIFY(!view.Dragging());
        QTest::mouseMove(port, centre(top + 2) + QPoint(QApplication::startDragDistance() + 2, 0));
        QCOMPARE(view.DragRow(), top + 2);
        auto* image = view.findChild<QLabel*>(QStringLiteral("dragImage"));
        QVERIFY(image != nullptr && image->isVisible());

        // Over the rows: the dragged scene trades places with the row under the pointer.
        QTest::mouseMove(port, centre(top + 1));
        QCOMPARE(view.DragRow(), top + 1);
        QCOMPARE(data.diff_list.Snapshot()[static_cast<size_t>(top + 1)].framNo_first, (top + 2) * 10);
        QCOMPARE(Cell(model, top + 1, SceneListModel::kColStart), QString::number((top + 2) * 10));
        QCOMPARE(view.CurrentRow(), top + 1);

        // Above the list: one line up per move, the scene goes to the top visible row.
        QTest::mouseMove(port, QPoint(10, -5));
        QCOMPARE(bar->value(), scrolled - 1);
        QCOMPARE(view.DragRow(), top - 1);
        QTest::mouseMove(port, QPoint(12, -5));
        QCOMPARE(bar->value(), scrolled - 2);
        QCOMPARE(view.DragRow(), top - 2);
        QCOMPARE(data.diff_list.Snapshot()[static_cast<size_t>(top - 2)].framNo_first, (top + 2) * 10);

        // Below the list: down again, to the last visible row.
        const QPoint below(10, port->height() + 5);
        QTest::mouseMove(port, below);
        QCOMPARE(bar->value(), scrolled - 1);
        QCOMPARE(view.DragRow(), view.rowAt(port->height() - 1));
        QTest::mouseRelease(port, Qt::LeftButton, {}, below);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!view.Dragging());
        QVERIFY(!image->isVisible());

        // Every scene is still there once.
        std::vector<int> firsts;
        for (const SceneEntry& scene : data.diff_list.Snapshot()) firsts.push_back(scene.framNo_first);
        std::sort(firsts.begin(), firsts.end());
        for (size_t i = 0; i < firsts.size(); ++i) QCOMPARE(firsts[i], static_cast<int>(i) * 10);

        // A swap the page refuses leaves the dragged row.
        view.SetDragSwap([](int, int) { return false; });
        view.BeginDrag(top);
        view.DragMoveTo(centre(top + 1));
        QCOMPARE(view.DragRow(), top);
        view.EndDrag();
    }

    void dragImageIsTheNameOnYellow() {
        const QPixmap image = SceneListView::DragImage(QStringLiteral("clip_seg_0_74.mp4"));
        QVERIFY(image.width() > image.height());
        const QImage pixels = image.toImage();
        QCOMPARE(pixels.pixelColor(0, 0), QColor(255, 255, 0));
        QVERIFY(SceneListView::DragImage(QStringLiteral("clip_seg_0_74_long_name.mp4")).width() > image.width());
    }

    void cellEditorCoversTheCellAndScrollingEndsIt() {
        CTarneloData data;
        FillProject(data);
        SceneListModel model(&data, nullptr);
        model.Fill();
        SceneListView view;
        view.SetListModel(&model);
        view.resize(800, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        CAppEdit* edit = view.OpenCellEditor(1, SceneListModel::kColEnd, QStringLiteral("149"), nullptr);
        QVERIFY(edit != nullptr);
        QCOMPARE(edit->objectName(), QStringLiteral("cellEdit"));
        QCOMPARE(edit->text(), QStringLiteral("149"));
        QCOMPARE(edit->accessibleName(), model.headerData(SceneListModel::kColEnd, Qt::Horizontal).toString());
        QVERIFY(edit->geometry().contains(view.visualRect(model.index(1, SceneListModel::kColEnd)).center()));
        QVERIFY(view.OpenCellEditor(3, 1, QString(), nullptr) == nullptr);
        QSignalSpy end(&view, &SceneListView::EditEndRequested);
        QWheelEvent wheel(QPointF(10, 10), view.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view.viewport(), &wheel);
        // The wheel reaches the scroll bar too; ending an edit twice is harmless.
        QVERIFY(end.count() >= 1);
        end.clear();
        view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(end.count(), 1);
    }

    void rowMenuOffersSplitOnlyWhereItCan_data() {
        QTest::addColumn<bool>("split");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("scene list") << true << true;
        QTest::newRow("scene too short") << true << false;
        QTest::newRow("merge list") << false << false;
    }
    void rowMenuOffersSplitOnlyWhereItCan() {
        QFETCH(bool, split);
        QFETCH(bool, enabled);
        QWidget owner;
        const std::unique_ptr<QMenu> menu = CreateListContextMenu(&owner, split, enabled);
        QStringList texts;
        QList<int> ids;
        for (QAction* action : menu->actions()) {
            texts << action->text();
            ids << action->data().toInt();
        }
        if (split) {
            QCOMPARE(ids, (QList<int>{1106, 1055, 1056}));
            QCOMPARE(texts.at(1), QString::fromUtf8("分割(&S)"));
            QCOMPARE(menu->actions().at(1)->isEnabled(), enabled);
        } else {
            QCOMPARE(ids, (QList<int>{1106, 1056}));
        }
        QCOMPARE(texts.first(), QString::fromUtf8("コピー(&C)"));
        QCOMPARE(texts.last(), QString::fromUtf8("削除(&R)"));
    }
};

QTEST_MAIN(SceneListModelTest)
#include "SceneListModelTest.moc"
