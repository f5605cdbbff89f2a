// The merge tab's video list: its columns, the "Unanalyzed" rows, the output starts of the converted videos
// at the output rate, grey disabled rows, and the shared list view without in-place editing.
#include <QSignalSpy>
#include <QtTest>

#include "app/Language.h"
#include "ui/lists/ListModelSupport.h"
#include "ui/lists/MergeListModel.h"
#include "ui/lists/OutputStarts.h"
#include "ui/lists/SceneListView.h"

using Starts = std::vector<int>;
using M = MergeListModel;

namespace {

// An analysed video: its source properties and its frames after conversion.
SceneEntry Analysed(const std::string& file, int width, int height, double fps, int frames, int converted) {
    SceneEntry video;
    video.m_created = true;
    video.m_fileToUse = file;
    video.m_segmentInfo.width = width;
    video.m_segmentInfo.height = height;
    video.m_segmentInfo.fps = fps;
    video.m_segmentInfo.frame_num = frames;
    video.m_convertedInfo.frame_num = converted;
    return video;
}

SceneEntry Dropped(const std::string& file) {
    SceneEntry video;
    video.m_created = false;
    video.m_fileToUse = file;
    return video;
}

// Videos of the given converted lengths; a negative length is a disabled video, 0 one not analysed yet.
std::vector<SceneEntry> Videos(const std::vector<int>& converted) {
    std::vector<SceneEntry> list;
    for (const int n : converted) {
        SceneEntry video = n == 0 ? Dropped("/v/new.mp4") : Analysed("/v/a.mp4", 640, 360, 30, 0, n < 0 ? -n : n);
        video.enable = n >= 0;
        list.push_back(video);
    }
    return list;
}

// 1280x720 at 29.97 converted to 60 fps, a disabled 25 fps video, and a video just dropped.
void FillProject(CTarneloData& data) {
    data.m_currentInfo.fps = 25;
    data.diff_list.Assign({Analysed("/v/one.mp4", 1280, 720, 29.97, 300, 600),
                           Analysed("/v/two.avi", 720, 576, 25, 100, 240), Dropped("/w/three.mov")},
                          -1);
    data.diff_list.Update(1, [&](SceneEntry& s) { s.enable = false; });
}

// The project above in a model filled at 60 fps.
struct Filled {
    CTarneloData data;
    MergeListModel model{&data};

    Filled() {
        FillProject(data);
        model.SetOutputRate(60, 1);
        model.Fill();
    }
};

}  // namespace

class MergeListModelTest : public QObject {
    Q_OBJECT
private:
    CLanguage m_language;

private slots:
    void initTestCase() {
        m_language.SetSearchFolder(QStringLiteral(TARNELO_RESOURCE_DIR));
        QVERIFY(m_language.LoadLanguage(QStringLiteral("ja-JP")));
    }

    void columns() {
        CTarneloData data;
        MergeListModel model(&data, nullptr);
        QCOMPARE(model.columnCount(), 9);
        const int ids[] = {3043, 3149, 3150, 3151, 3154, 3155, 3047, 3051, 3052};
        const int widths[] = {50, 200, 80, 80, 70, 70, 80, 70, 80};
        for (int c = 0; c < M::kColumnCount; ++c) {
            QCOMPARE(M::HeaderId(c), ids[c]);
            QCOMPARE(model.WidthOf(c), widths[c]);
        }
        QCOMPARE(M::HeaderId(M::kColumnCount), 0);
        QCOMPARE(model.headerData(M::kColFile, Qt::Horizontal).toString(), QStringLiteral("ファイル"));
        QCOMPARE(model.headerData(M::kColConvertedFrames, Qt::Horizontal).toString(), QStringLiteral("変換後F"));
        QVERIFY(m_language.LoadLanguage(QStringLiteral("en-US")));
        model.RefreshHeaders();
        QCOMPARE(model.headerData(M::kColSourceFrames, Qt::Horizontal).toString(), QStringLiteral("Source F"));
        QVERIFY(m_language.LoadLanguage(QStringLiteral("ja-JP")));
    }

    void rowTexts_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("numbering") << 2 << int(M::kColEnable) << QStringLiteral("003");
        QTest::newRow("file without folder") << 0 << int(M::kColFile) << QStringLiteral("one.mp4");
        QTest::newRow("resolution") << 0 << int(M::kColResolution) << QStringLiteral("1280 x 720");
        QTest::newRow("source rate") << 0 << int(M::kColFrameRate) << QStringLiteral("29.97");
        QTest::newRow("source frames") << 0 << int(M::kColSourceFrames) << QStringLiteral("300");
        QTest::newRow("converted frames") << 0 << int(M::kColConvertedFrames) << QStringLiteral("600");
        QTest::newRow("duration at the output rate") << 0 << int(M::kColDuration) << QStringLiteral("00:00:10.00");
        QTest::newRow("output start") << 0 << int(M::kColOutputStart) << QStringLiteral("0");
        QTest::newRow("output time") << 0 << int(M::kColOutputTime) << QStringLiteral("00:00:00.00");
        QTest::newRow("disabled: values shown") << 1 << int(M::kColConvertedFrames) << QStringLiteral("240");
        QTest::newRow("disabled: duration") << 1 << int(M::kColDuration) << QStringLiteral("00:00:04.00");
        QTest::newRow("disabled: no output start") << 1 << int(M::kColOutputStart) << QString();
        QTest::newRow("disabled: no output time") << 1 << int(M::kColOutputTime) << QString();
        QTest::newRow("dropped: file") << 2 << int(M::kColFile) << QStringLiteral("three.mov");
    }

    void rowTexts() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        Filled p;
        QCOMPARE(p.model.rowCount(), 3);
        QCOMPARE(CellText(p.model, row, column), text);
        const Qt::Alignment align =
            p.model.data(p.model.index(row, column), Qt::TextAlignmentRole).value<Qt::Alignment>();
        QCOMPARE(align, column == M::kColFile ? Qt::AlignLeft | Qt::AlignVCenter : Qt::Alignment(Qt::AlignCenter));
    }

    void unanalyzedRowsInBothLanguages_data() {
        QTest::addColumn<bool>("japanese");
        QTest::addColumn<QString>("text");
        QTest::newRow("ja-JP") << true << QStringLiteral("未解析");
        QTest::newRow("other") << false << QStringLiteral("Unanalyzed");
    }

    void unanalyzedRowsInBothLanguages() {
        QFETCH(bool, japanese);
        QFETCH(QString, text);
        Filled p;
        QSignalSpy repainted(&p.model, &QAbstractItemModel::dataChanged);
        p.model.SetJapanese(japanese);
        QCOMPARE(repainted.count(), japanese ? 0 : 1);  // it starts in Japanese
        QCOMPARE(CellText(p.model, 2, M::kColEnable), QStringLiteral("003"));
        QCOMPARE(CellText(p.model, 2, M::kColFile), QStringLiteral("three.mov"));
        for (int c = M::kColResolution; c < M::kColumnCount; ++c) QCOMPARE(CellText(p.model, 2, c), text);
        QCOMPARE(p.model.data(p.model.index(2, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        // Analysed rows keep their values.
        QCOMPARE(CellText(p.model, 0, M::kColResolution), QStringLiteral("1280 x 720"));
    }

    // The converted lengths of the merge list follow the scene list's rule, at the output rate.
    void outputStarts_data() {
        QTest::addColumn<std::vector<int>>("converted");
        QTest::addColumn<int>("num");
        QTest::addColumn<int>("den");
        QTest::addColumn<bool>("transition");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<Starts>("expected");
        QTest::newRow("30/1 joined") << std::vector<int>{90, 90, 90} << 30 << 1 << false << 1.0 << Starts{0, 90, 180};
        QTest::newRow("30/1 fades of 1 s")
            << std::vector<int>{90, 90, 90} << 30 << 1 << true << 1.0 << Starts{0, 75, 135};
        QTest::newRow("59.94 joined") << std::vector<int>{300, 300, 300} << 60000 << 1001 << false << 0.5
                                      << Starts{0, 300, 600};
        // T = round(0.5 x 59.94) = 30, H = round(0.25 x 59.94) = 15.
        QTest::newRow("59.94 fades of 0.5 s")
            << std::vector<int>{300, 300, 300, 300} << 60000 << 1001 << true << 0.5 << Starts{0, 285, 555, 825};
        QTest::newRow("disabled video") << std::vector<int>{90, -90, 90} << 30 << 1 << true << 1.0 << Starts{0, -1, 75};
        QTest::newRow("video not analysed")
            << std::vector<int>{90, 0, 90} << 30 << 1 << false << 1.0 << Starts{0, -1, 90};
        // Without an output rate the project's rate (25) measures the fade: T = 25, H = 13.
        QTest::newRow("no output rate") << std::vector<int>{100, 100, 100} << 0 << 1 << true << 1.0
                                        << Starts{0, 87, 162};
    }

    void outputStarts() {
        QFETCH(std::vector<int>, converted);
        QFETCH(int, num);
        QFETCH(int, den);
        QFETCH(bool, transition);
        QFETCH(double, seconds);
        QFETCH(Starts, expected);
        CTarneloData data;
        data.m_currentInfo.fps = 25;
        data.diff_list.Assign(Videos(converted), -1);
        data.transition = transition;
        data.TransitionDuration = seconds;
        MergeListModel model(&data, nullptr);
        model.SetOutputRate(num, den);
        model.Fill();
        Starts shown;
        Starts ascending;
        for (int row = 0; row < model.rowCount(); ++row) {
            shown.push_back(model.OutputStartOf(row));
            if (expected[static_cast<size_t>(row)] >= 0) {
                ascending.push_back(expected[static_cast<size_t>(row)]);
                QCOMPARE(CellText(model, row, M::kColOutputStart), QString::number(expected[static_cast<size_t>(row)]));
            }
        }
        QCOMPARE(shown, expected);
        QCOMPARE(model.OutputStarts(), ascending);
        QCOMPARE(MergeOutputStarts(data.diff_list.Snapshot(), transition, seconds, model.OutputFps()), expected);
    }

    void changingTheRateShowsAfterTheRefresh() {
        Filled p;
        p.data.diff_list.Update(1, [&](SceneEntry& s) { s.enable = true; });
        p.model.RefreshNumbering();
        QCOMPARE(CellText(p.model, 1, M::kColOutputTime), QStringLiteral("00:00:10.00"));
        p.model.SetOutputRate(30, 1);
        p.model.RefreshNumbering();
        QCOMPARE(CellText(p.model, 1, M::kColOutputTime), QStringLiteral("00:00:20.00"));
        QCOMPARE(CellText(p.model, 0, M::kColDuration), QStringLiteral("00:00:20.00"));
        p.model.SetOutputRate(0, 0);
        QCOMPARE(p.model.OutputFps(), 25.0);
    }

    void disabledRowIsGreyAndItsCheckBoxWritesTheFlag() {
        Filled p;
        QVERIFY(RowIsGrey(p.model, 1));
        QVERIFY(RowIsPlain(p.model, 0));
        QCOMPARE(p.model.data(p.model.index(1, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QSignalSpy enableChanged(&p.model, &MergeListModel::EnableChanged);
        QVERIFY(p.model.setData(p.model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(p.data.diff_list.Snapshot()[1].enable);
        QCOMPARE(enableChanged.count(), 1);
        QCOMPARE(CellText(p.model, 1, M::kColOutputStart), QStringLiteral("600"));
        QCOMPARE(p.model.OutputStarts(), Starts({0, 600}));
        QVERIFY(RowIsPlain(p.model, 1));
    }

    void appendedRowIsAddedWithoutASelection() {
        CTarneloData data;
        MergeListModel model(&data, nullptr);
        model.Fill();
        SceneListView view;
        view.SetListModel(&model);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        data.diff_list.Append(Dropped("/v/a.mp4"));
        model.AppendRow();
        data.diff_list.Append(Dropped("/v/b.mp4"));
        model.AppendRow();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(CellText(model, 1, M::kColFile), QStringLiteral("b.mp4"));
        QCOMPARE(CellText(model, 1, M::kColEnable), QStringLiteral("002"));
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(view.CurrentRow(), -1);
        QVERIFY(!view.selectionModel()->hasSelection());
    }

    void viewTakesTheWidthsAndEditsNoCell() {
        CTarneloData data;
        FillProject(data);
        MergeListModel model(&data, nullptr);
        model.Fill();
        SceneListView view;
        view.SetCellEditing(false);
        view.SetListModel(&model);
        for (int c = 0; c < M::kColumnCount; ++c) QCOMPARE(view.columnWidth(c), M::ColumnWidth(c));
        QVERIFY(view.OpenCellEditor(0, M::kColFile, QStringLiteral("x"), nullptr) == nullptr);
        QVERIFY(view.findChildren<QWidget*>(QStringLiteral("cellEdit")).isEmpty());
    }
};

QTEST_MAIN(MergeListModelTest)
#include "MergeListModelTest.moc"
