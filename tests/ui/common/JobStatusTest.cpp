#include <QProgressBar>
#include <QSignalSpy>
#include <QStringList>
#include <QtTest>

#include "app/AppShell.h"
#include "app/Language.h"
#include "app/RecentFileList.h"
#include "engine/jobs/JobTables.h"
#include "ui/common/JobStatus.h"
#include "ui/common/TabHost.h"

namespace {

class StubShell : public AppShell {
public:
    bool SaveSettings() override { return true; }
    void AddRecentFile(const QString&) override {}
    void WriteRecentFiles() override {}
    CRecentFileList& RecentFiles() override { return m_recent; }
    bool IsCudaAvailable() const override { return false; }
    CLanguage& Language() override { return m_language; }
    QString ProgramFolder() const override { return {}; }

private:
    CRecentFileList m_recent;
    CLanguage m_language;
};

// Keeps what each status pane shows.
class PaneHost : public TabHost {
public:
    QString panes[4];
    int writes = 0;
    bool japanese = true;

    AppShell& App() const override { return m_shell; }
    bool Japanese() const override { return japanese; }
    void SetStatusText(int pane, const QString& text) override {
        QVERIFY(pane >= 0 && pane < 4);
        panes[pane] = text;
        ++writes;
    }
    void ResetStatusBar() override {
        for (QString& p : panes) p.clear();
    }
    void UpdateTabButtons() override {}
    void ShowMessage(const QString&) override {}
    TabWindow* ActiveTab() override { return nullptr; }

    void Fill() {
        for (int i = 0; i < 4; ++i) panes[i] = QStringLiteral("old %1").arg(i);
    }
    QStringList All() const { return {panes[0], panes[1], panes[2], panes[3]}; }

private:
    mutable StubShell m_shell;
};

}  // namespace

class JobStatusTest : public QObject {
    Q_OBJECT

private slots:
    void paneTexts() {
        QCOMPARE(ProgressPaneText(0, 250, 0.0), QStringLiteral("0/250 (0.00%)"));
        QCOMPARE(ProgressPaneText(123, 250, 49.2), QStringLiteral("123/250 (49.20%)"));
        QCOMPARE(ElapsedPaneText(0), QStringLiteral("00:00:00.00"));
        QCOMPARE(ElapsedPaneText(3723.456), QStringLiteral("01:02:03.46"));
    }

    void sceneJobSequence() {
        PaneHost host;
        host.Fill();
        QProgressBar bar;
        bar.setRange(0, 100);
        bar.setValue(40);
        CJobStatus status(&host, &bar, nullptr);
        QSignalSpy playback(&status, &CJobStatus::PlaybackStarted);
        const int job = kJobSceneExtract;

        status.JobStart({"シーン抽出", 200}, job);
        QCOMPARE(host.All(), QStringList({"シーン抽出", "処理中", "old 2", "0/200 (0.00%)"}));
        QCOMPARE(bar.value(), 0);
        QCOMPARE(playback.count(), 0);

        // Each step: the progress message, then the bar and the progress pane it leaves.
        struct Step {
            long long total;
            long long done;
            int bar;
            const char* pane;
        };
        const Step steps[] = {
            {200, 1, 0, "1/200 (0.50%)"},         {200, 50, 25, "50/200 (25.00%)"},
            {200, 30, 25, "30/200 (15.00%)"},  // a report from behind leaves the bar where it was
            {200, 51, 25, "51/200 (25.50%)"},  // same whole percent: no move
            {200, 120, 60, "120/200 (60.00%)"},   {-1, 10, 60, "120/200 (60.00%)"},  // no total: ignored
            {200, 500, 100, "200/200 (100.00%)"},                                    // done is capped at the total
        };
        for (const Step& s : steps) {
            status.JobProgress({s.total, s.done}, job);
            QCOMPARE(bar.value(), s.bar);
            QCOMPARE(host.panes[3], QString::fromUtf8(s.pane));
        }
        QCOMPARE(status.ShownPercent(), 100.0);

        status.JobProgress({0, 0}, job);
        QCOMPARE(host.panes[3], QStringLiteral("0/0 (0.00%)"));

        status.JobName({"シーン結合"});
        QCOMPARE(host.panes[0], QStringLiteral("シーン結合"));
        status.JobName({""});
        status.JobName({nullptr});
        QCOMPARE(host.panes[0], QStringLiteral("シーン結合"));

        // A state's name goes to pane 1 and its detail to pane 3; state 0 has no name.
        status.JobState({kJobStateFailed, "ExitCode(1)"});
        QCOMPARE(host.panes[1], QStringLiteral("失敗"));
        QCOMPARE(host.panes[3], QStringLiteral("ExitCode(1)"));
        status.JobState({kJobStateDone, nullptr});
        QCOMPARE(host.panes[1], QStringLiteral("完了"));
        status.JobState({kJobStateNone, "ffmpeg error"});
        QCOMPARE(host.panes[1], QStringLiteral("完了"));
        QCOMPARE(host.panes[3], QStringLiteral("ffmpeg error"));
        const int before = host.writes;
        status.JobState({kJobStateNone, nullptr});
        QCOMPARE(host.writes, before);

        host.japanese = false;
        status.JobState({kJobStateFailed, nullptr});
        QCOMPARE(host.panes[1], QStringLiteral("Failed"));

        // A new job starts the bar from nothing again.
        status.JobStart({"シーン抽出", 10}, job);
        QCOMPARE(status.ShownPercent(), 0.0);
        status.JobProgress({10, 1}, job);
        QCOMPARE(bar.value(), 10);
    }

    void startWithoutNameOrTotal() {
        PaneHost host;
        host.Fill();
        QProgressBar bar;
        bar.setValue(70);
        CJobStatus status(&host, &bar, nullptr);
        status.JobStart({"", -1}, kJobMerge);
        QCOMPARE(host.All(), QStringList({"old 0", "処理中", "old 2", ""}));
        QCOMPARE(bar.value(), 70);

        // Other jobs with a count clear the time and progress panes.
        host.Fill();
        status.JobStart({"解析", 30}, kJobRecut);
        QCOMPARE(host.All(), QStringList({"解析", "処理中", "", ""}));
    }

    void playbackStart() {
        PaneHost host;
        host.Fill();
        QProgressBar bar;
        bar.setValue(55);
        CJobStatus status(&host, &bar, nullptr);
        QSignalSpy playback(&status, &CJobStatus::PlaybackStarted);

        status.JobStart({"入力動画確認", -1}, kJobInputPreview);
        QCOMPARE(playback.count(), 1);
        QCOMPARE(host.All(), QStringList({"入力動画確認", "再生中", "old 2", ""}));
        QCOMPARE(bar.value(), 0);

        // Playback reports move the pane but not the bar.
        status.JobProgress({100, 40}, kJobInputPreview);
        QCOMPARE(bar.value(), 0);
        QCOMPARE(host.panes[3], QStringLiteral("40/100 (40.00%)"));

        // Without a name the seek slider stays where it is.
        status.JobStart({nullptr, -1}, kJobScenePreview);
        QCOMPARE(playback.count(), 1);
        QCOMPARE(host.panes[1], QStringLiteral("再生中"));
    }

    void elapsedTimer() {
        PaneHost host;
        host.Fill();
        CJobStatus status(&host, nullptr, nullptr);
        QVERIFY(!status.TimerRunning());
        status.StartTimer();
        QVERIFY(status.TimerRunning());
        QCOMPARE(host.panes[2], QString());
        QTRY_VERIFY(!host.panes[2].isEmpty());
        QVERIFY(host.panes[2].startsWith(QStringLiteral("00:00:")));

        // A second start while it runs changes nothing.
        host.panes[2] = QStringLiteral("kept");
        const int before = host.writes;
        status.StartTimer();
        QCOMPARE(host.writes, before);

        status.StopTimer();
        QVERIFY(!status.TimerRunning());
        const QString final = host.panes[2];
        QVERIFY(final.startsWith(QStringLiteral("00:00:")));
        QCoreApplication::processEvents();
        QCOMPARE(host.panes[2], final);
    }
};

QTEST_MAIN(JobStatusTest)
#include "JobStatusTest.moc"
