// The motion record's part of the scene tab on a page of its own, with a record written here: a record of
// another input is not used, a re-tune asked for during a cut follows its end, the threshold keys clamp and
// wait for work to end.
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/Language.h"
#include "engine/motion/MotionRecord.h"
#include "ui/PageFakes.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/scene/CaptionPanel.h"
#include "ui/scene/ExtractionPanel.h"
#include "ui/scene/MotionTimeline.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/SceneMotionTuner.h"
#include "ui/scene/ScenePage.h"

namespace {

using FakeScenePage = pagefakes::ScenePageFake;

using Ranges = std::vector<std::pair<int, int>>;

constexpr int kFrames = 250;
constexpr int kPeak = 55;

}  // namespace

class SceneMotionTunerTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    QTemporaryDir m_dir;
    std::unique_ptr<FakeScenePage> m_page;
    std::unique_ptr<SceneListEditor> m_lists;
    std::unique_ptr<SceneMotionTuner> m_tuner;
    ScenePanels m_panels;

    CTarneloData& Data() { return m_page->Data(); }
    // An input file and the record of its motion: frames 30-79 change, frame 55 the most.
    void WriteRecord() {
        QFile input(QString::fromStdString(Data().input_file));
        QVERIFY(input.open(QIODevice::WriteOnly));
        input.write(QByteArray(4096, 'v'));
        input.close();
        MotionRecord record;
        record.width = 1920;
        record.height = 1080;
        record.fps = 25;
        record.frameCount = kFrames;
        QVERIFY(ReadInputIdentity(Data().input_file, record.input));
        record.counts.assign(kFrames, 0);
        for (int frame = 30; frame < 80; ++frame) record.counts[static_cast<size_t>(frame)] = 50000;
        record.counts[kPeak] = 90000;
        QVERIFY(WriteMotionRecord(Data().motion_file, record));
    }

private slots:
    void initTestCase() { QVERIFY(m_host.LoadStrings()); }
    void init() {
        m_page = std::make_unique<FakeScenePage>(m_host);
        Data().ResetAll(false);
        Data().input_file = m_dir.filePath(QStringLiteral("clip.mp4")).toStdString();
        Data().output_folder = m_dir.path().toStdString() + "/";
        Data().project_file = m_dir.filePath(QStringLiteral("clip.kpproj")).toStdString();
        Data().motion_file = m_dir.filePath(QStringLiteral("clip.kpmotion")).toStdString();
        Data().m_sourceInfo.fps = 25;
        Data().m_sourceInfo.frame_num = kFrames;
        m_panels = ScenePanels();
        m_panels.listModel = new SceneListModel(&Data(), m_page.get());
        m_panels.listView = new SceneListView(m_page.get());
        m_panels.listView->SetListModel(m_panels.listModel);
        m_panels.captions = new CCaptionPanel(&Data(), m_page.get());
        m_panels.preview = new CPreviewPanel(m_page.get());
        m_panels.extraction = new CExtractionPanel(&Data(), m_page.get());
        m_panels.timeline = new CMotionTimeline(m_page.get());
        m_lists = std::make_unique<SceneListEditor>(*m_page, m_panels);
        m_tuner = std::make_unique<SceneMotionTuner>(*m_page, m_panels, *m_lists);
        m_page->SetRanges({{0, 249}});
        m_lists->FillList(0);
        WriteRecord();
    }
    void cleanup() {
        m_tuner.reset();
        m_lists.reset();
        m_page.reset();
    }

    void aRecordOfAnotherInputIsNotUsed() {
        m_tuner->ReloadMotionRecord();
        QVERIFY(m_tuner->HasMotionRecord());
        QFile input(QString::fromStdString(Data().input_file));
        QVERIFY(input.open(QIODevice::Append));
        input.write("more");
        input.close();
        m_tuner->ReloadMotionRecord();
        QVERIFY(!m_tuner->HasMotionRecord());
        m_tuner->RetuneScenes();
        QCOMPARE(m_page->Ranges(), (Ranges{{0, 249}}));
    }

    void aRetuneDuringACutFollowsItsEnd() {
        m_tuner->ReloadMotionRecord();
        m_page->SetWaitCursor(true);
        m_tuner->RetuneScenes();
        m_tuner->ApplyPendingRetune();
        QCOMPARE(m_page->Ranges(), (Ranges{{0, 249}}));
        m_page->SetWaitCursor(false);
        m_tuner->ApplyPendingRetune();
        const Ranges retuned = m_page->Ranges();
        QCOMPARE(retuned.size(), size_t{1});
        QCOMPARE(retuned[0].first, 30);
        QVERIFY(retuned[0].second >= 79 && retuned[0].second <= 80);
        // Applied once: a later list stays as it is.
        m_page->SetRanges({{0, 9}});
        m_tuner->ApplyPendingRetune();
        QCOMPARE(m_page->Ranges(), (Ranges{{0, 9}}));
    }

    // Counts against the previous frame cannot give the scenes of a compare half a second back: the list stays and
    // the status bar asks for a new extraction, until the setting is the record's again.
    void anotherCompareSettingNeedsANewExtraction() {
        m_tuner->ReloadMotionRecord();
        m_panels.extraction->RefreshTexts();
        auto* edit = m_panels.extraction->findChild<QLineEdit*>(QStringLiteral("compareSecondsEdit"));
        QVERIFY(edit);
        QCOMPARE(edit->accessibleName(), QString::fromUtf8("比較間隔(秒)"));
        edit->setText(QStringLiteral("0.5"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(Data().compare_sec.value, 0.5);
        m_tuner->RetuneScenes();
        QCOMPARE(m_page->Ranges(), (Ranges{{0, 249}}));
        QVERIFY(!m_host.statusTexts.isEmpty());
        QCOMPARE(m_host.statusTexts.last(), ResText(3222));

        Data().compare_sec.SetValueClamped(0);
        m_tuner->RetuneScenes();
        QCOMPARE(m_page->Ranges().size(), size_t{1});
        QCOMPARE(m_page->Ranges()[0].first, 30);
    }

    // The padding and the longest scene: named as their labels, and each change asks for a re-tune that widens the
    // scene within the video; a limit under 10 s is shown as the 10 s taken.
    void paddingAndTheLongestSceneRetuneTheList() {
        m_tuner->ReloadMotionRecord();
        m_tuner->RetuneScenes();
        const int last = m_page->Ranges().at(0).second;
        m_panels.extraction->RefreshTexts();
        QSignalSpy changed(m_panels.extraction, &CExtractionPanel::Changed);
        const struct {
            const char* edit;
            int label;
            const char* typed;
            const char* shown;
            Ranges scenes;
        } steps[] = {
            {"preRollEdit", 3210, "0.4", "0.4", {{20, last}}},
            {"postRollEdit", 3211, "12", "10.0", {{20, 249}}},
            {"longestSceneEdit", 3212, "5", "10.0", {{20, 249}}},
            {"preRollEdit", 3210, "0", "0.0", {{30, 249}}},
        };
        for (const auto& step : steps) {
            auto* edit = m_panels.extraction->findChild<QLineEdit*>(QLatin1String(step.edit));
            QVERIFY2(edit, step.edit);
            QCOMPARE(edit->accessibleName(), ResText(step.label));
            edit->setText(QLatin1String(step.typed));
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(edit->text(), QLatin1String(step.shown));
            m_tuner->RetuneScenes();
            QCOMPARE(m_page->Ranges(), step.scenes);
        }
        QCOMPARE(changed.count(), 4);
        QCOMPARE(Data().max_len.value, 10.0);
    }

    void theThresholdKeysClampAndWaitForWork_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<double>("after");
        QTest::addColumn<int>("saves");
        QTest::newRow("up") << 100.0 << int(Qt::Key_Up) << false << 101.0 << 1;
        QTest::newRow("page down") << 100.0 << int(Qt::Key_PageDown) << false << 90.0 << 1;
        QTest::newRow("clamped at the top") << 995.0 << int(Qt::Key_PageUp) << false << 1000.0 << 1;
        QTest::newRow("nothing past the top") << 1000.0 << int(Qt::Key_Up) << false << 1000.0 << 0;
        QTest::newRow("clamped at the bottom") << 3.0 << int(Qt::Key_PageDown) << false << 0.0 << 1;
        QTest::newRow("a job runs") << 100.0 << int(Qt::Key_Up) << true << 100.0 << 0;
    }
    void theThresholdKeysClampAndWaitForWork() {
        QFETCH(double, start);
        QFETCH(int, key);
        QFETCH(bool, busy);
        QFETCH(double, after);
        QFETCH(int, saves);
        m_tuner->ReloadMotionRecord();
        Data().threshold.SetValueClamped(start);
        if (busy) m_page->SetLocalJob(CTabPage::kJobAutoCorrect);
        QTest::keyClick(m_panels.timeline, static_cast<Qt::Key>(key));
        m_page->SetLocalJob(0);
        QCOMPARE(Data().threshold.value, after);
        QCOMPARE(m_page->calls.count(QStringLiteral("save")), saves);
    }
};

QTEST_MAIN(SceneMotionTunerTest)
#include "SceneMotionTunerTest.moc"
