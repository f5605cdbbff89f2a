// The scene tab driven as a user would, with the real engine and ffmpeg on clips made here: open a clip,
// extract, compare with the command-line front-end, switch a scene off, merge; stop an extraction; the
// numeric edits; the accessible names; the failures a user can cause.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "app/AppMsgDlg.h"
#include "ui/WindowTestBase.h"
#include "ui/common/SpinButtons.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"

using namespace scenetab;

class SceneTabTest : public WindowTestBase {
    Q_OBJECT
public:
    SceneTabTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_twoScenes;
    QString m_manyScenes;

    CTarneloTabScene& Tab() { return m_d.Tab(); }
    template <class T>
    T* Find(const char* name) {
        return m_d.Find<T>(name);
    }
    bool Idle() { return m_d.Idle(); }
    QString Copy(const QString& clip, const QString& name) { return m_d.Copy(clip, name); }
    void OpenDropped(const QString& path) { m_d.OpenDropped(path); }
    bool Click(const char* name) { return m_d.Click(name); }
    void WaitJobEnd() { m_d.WaitJobEnd(); }
    static void Type(QLineEdit* edit, const QString& text) { Driver::Type(edit, text); }

    void PrepareRun() override {
        if (!clips::ToolsAvailable()) QSKIP("ffmpeg or ffprobe is not on PATH");
        const clips::ClipOptions two = TwoSceneClip();
        std::string error;
        m_twoScenes = QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "two.mp4", two, &error));
        QVERIFY2(!m_twoScenes.isEmpty(), error.c_str());
        clips::ClipOptions many = two;
        many.frames = 2000;
        many.motion.clear();
        for (int start = 30; start + 60 < many.frames; start += 100) many.motion.push_back({start, start + 49});
        m_manyScenes = QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "many.mp4", many, &error));
        QVERIFY2(!m_manyScenes.isEmpty(), error.c_str());
    }

private slots:
    void extractUncheckMergeAsTheCommandLineDoes() {
        const QString clip = Copy(m_twoScenes, QStringLiteral("two.mp4"));
        OpenDropped(clip);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(Find<QLineEdit>("inputFileEdit")->text(), clip);
        QVERIFY(Click("extractButton"));
        QVERIFY(!Find<QPushButton>("extractButton")->isEnabled());
        WaitJobEnd();
        if (QTest::currentTestFailed()) return;

        // The command-line front-end on the same clip and settings finds the same scenes.
        QDir(m_d.Work().path()).mkdir(QStringLiteral("cli"));
        const QString cliClip = m_d.Work().filePath(QStringLiteral("cli/two.mp4"));
        QVERIFY(QFile::copy(m_twoScenes, cliClip));
        QProcess cli;
        cli.start(QStringLiteral(TARNELO_RESOURCE_DIR "/tarnelo-cli"), {QStringLiteral("extract"), cliClip});
        QVERIFY(cli.waitForFinished(kJobTimeoutMs));
        QCOMPARE(cli.exitCode(), 0);
        CTarneloData fromCli;
        fromCli.ResetAll(false);
        QVERIFY(fromCli.LoadProject((cliClip + QStringLiteral(".kpproj")).toStdString()));
        const std::vector<Range> expected = RangesOf(fromCli);
        QCOMPARE(expected.size(), size_t{2});
        QCOMPARE(RangesOf(Tab().Data()), expected);
        SceneListModel* model = Tab().Panels().listModel;
        QCOMPARE(model->rowCount(), 2);
        for (int row = 0; row < 2; ++row) {
            const Range& r = expected[static_cast<size_t>(row)];
            QCOMPARE(model->index(row, SceneListModel::kColStart).data().toString(), QString::number(r.first));
            QCOMPARE(model->index(row, SceneListModel::kColEnd).data().toString(), QString::number(r.last));
            QCOMPARE(model->index(row, SceneListModel::kColLength).data().toString(),
                     QString::number(r.last - r.first + 1));
        }

        // Typed settings are validated on Enter, the window stays.
        QLineEdit* contrast = Find<QLineEdit>("contrastEdit");
        Type(contrast, QStringLiteral("0.50"));
        QCOMPARE(contrast->text(), QStringLiteral("0.5"));
        QLineEdit* brightness = Find<QLineEdit>("brightnessEdit");
        Type(brightness, QStringLiteral("-0"));
        QCOMPARE(brightness->text(), QStringLiteral("0.0"));
        QVERIFY(m_d.App().Frame()->isVisible());
        QLineEdit* threshold = Find<QLineEdit>("thresholdEdit");
        Type(threshold, QStringLiteral("120"));
        QCOMPARE(Tab().Data().threshold.value, 120.0);

        // Captions: typed text and length reach the selected scene's columns; the fill button clears and fills.
        Tab().Panels().listView->SelectRow(1);
        Tab().Data().list_idx = 1;
        Type(Find<QLineEdit>("captionEdit"), QStringLiteral("Gate"));
        QCOMPARE(model->index(1, SceneListModel::kColCaption).data().toString(), QStringLiteral("Gate"));
        Type(Find<QLineEdit>("captionLengthEdit"), QStringLiteral("99"));
        // No longer than the scene itself.
        const QString sceneSeconds = QString::asprintf("%.02f", (expected[1].last - expected[1].first + 1) / 25.0);
        QCOMPARE(Find<QLineEdit>("captionLengthEdit")->text(), sceneSeconds);
        QCOMPARE(model->index(1, SceneListModel::kColCaptionLength).data().toString(), sceneSeconds);
        QPushButton* fill = Find<QPushButton>("captionFillButton");
        QCOMPARE(fill->text(), QString::fromUtf8("全削除"));
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kNo);
        QVERIFY(Click("captionFillButton"));
        QCOMPARE(Tab().Data().diff_list.Snapshot()[1].capParam.caption, std::string("Gate"));
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
        QVERIFY(Click("captionFillButton"));
        QVERIFY(Tab().Data().diff_list.Snapshot()[1].capParam.caption.empty());
        QCOMPARE(fill->text(), QString::fromUtf8("全設定"));
        QVERIFY(Click("captionFillButton"));
        QCOMPARE(model->index(0, SceneListModel::kColCaption).data().toString(), QStringLiteral("Scene001"));

        // The first scene off: greyed, no output start; the merge holds the second one only.
        QVERIFY(model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!Tab().Data().diff_list.Snapshot()[0].enable);
        QVERIFY(model->index(0, SceneListModel::kColOutputStart).data().toString().isEmpty());
        QCOMPARE(model->index(1, SceneListModel::kColOutputStart).data().toString(), QStringLiteral("0"));
        QVERIFY(Click("mergeButton"));
        WaitJobEnd();
        if (QTest::currentTestFailed()) return;
        const QString output = QString::fromStdString(Tab().Data().GetOutputPath());
        QVERIFY(QFile::exists(output));
        QCOMPARE(CountFrames(output), expected[1].last - expected[1].first + 1);

        // The project on disk holds the list and the settings.
        CTarneloData saved;
        saved.ResetAll(false);
        QVERIFY(saved.LoadProject(Tab().Data().project_file));
        QCOMPARE(RangesOf(saved), expected);
        QVERIFY(!saved.diff_list.Snapshot()[0].enable && saved.diff_list.Snapshot()[1].enable);
        QCOMPARE(saved.threshold.value, 120.0);
        QCOMPARE(saved.contrast.value, 0.5);
    }

    void stopDuringExtractionKeepsTheListedScenes() {
        const QString clip = Copy(m_manyScenes, QStringLiteral("many.mp4"));
        OpenDropped(clip);
        if (QTest::currentTestFailed()) return;
        QVERIFY(Click("extractButton"));
        QTRY_VERIFY_WITH_TIMEOUT(Tab().Panels().listModel->rowCount() >= 1 || Idle(), kJobTimeoutMs);
        if (Idle()) QSKIP("the extraction ended before it could be stopped");
        QVERIFY(Find<QPushButton>("stopButton")->isEnabled());
        QVERIFY(!Find<QLineEdit>("thresholdEdit")->isEnabled());
        QVERIFY(Click("stopButton"));
        const CTarneloData& data = Tab().Data();
        // Cuts the stop ended are made again in the background.
        const auto allCut = [&data] {
            // One snapshot for both ends: two would be two different lists.
            const std::vector<SceneEntry> scenes = data.diff_list.Snapshot();
            return std::all_of(scenes.begin(), scenes.end(),
                               [](const SceneEntry& s) { return QFile::exists(QString::fromStdString(s.fileName)); });
        };
        QTRY_VERIFY_WITH_TIMEOUT(allCut(), kJobTimeoutMs);
        Tab().Engine().WaitBackgroundDrained();
        WaitJobEnd();
        if (QTest::currentTestFailed()) return;
        QTRY_VERIFY(NoChildLeft());
        QVERIFY(Find<QPushButton>("mergeButton")->isEnabled());
        QVERIFY(Find<QLineEdit>("thresholdEdit")->isEnabled());
        QVERIFY(!Find<QPushButton>("stopButton")->isEnabled());
        QVERIFY(!data.diff_list.Empty());
        QVERIFY(data.diff_list.Snapshot().size() < 19);
        for (const SceneEntry& scene : data.diff_list.Snapshot()) {
            QCOMPARE(CountFrames(QString::fromStdString(scene.fileName)), scene.FrameCount());
        }
    }

    void secondVideoWhilePreparingReplacesTheFirst() {
        const QString first = Copy(m_manyScenes, QStringLiteral("first.mp4"));
        const QString second = Copy(m_twoScenes, QStringLiteral("second.mp4"));
        // Dropped while the first is still being prepared (the timer fires inside its wait).
        QTimer::singleShot(0, this, [&] { Dlg()->DropFiles({second}); });
        Dlg()->DropFiles({first});
        QTRY_VERIFY_WITH_TIMEOUT(Tab().LocalJob() == 0 && Idle() && Tab().Data().input_file == second.toStdString(),
                                 kJobTimeoutMs);
        QTRY_VERIFY(NoChildLeft());
        QCOMPARE(Tab().Data().m_sourceInfo.frame_num, 260);
        QVERIFY(Find<QPushButton>("extractButton")->isEnabled());
    }

    void wrongInputChangesNothing() {
        const QString clip = Copy(m_twoScenes, QStringLiteral("kept.mp4"));
        OpenDropped(clip);
        if (QTest::currentTestFailed()) return;
        const std::string project = Tab().Data().project_file;
        const QString text = m_d.Work().filePath(QStringLiteral("notes.txt"));
        {
            QFile file(text);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a video\n");
        }
        const int shown = CAppMsgDlg::ShownCount();
        Dlg()->DropFiles({text});
        QTRY_VERIFY(Tab().LocalJob() == 0);
        QCOMPARE(CAppMsgDlg::ShownCount(), shown + 1);
        QCOMPARE(Tab().Data().input_file, clip.toStdString());
        QCOMPARE(Tab().Data().project_file, project);

        // A typed path that does not exist puts the old one back.
        QLineEdit* input = Find<QLineEdit>("inputFileEdit");
        Type(input, m_d.Work().filePath(QStringLiteral("missing.mp4")));
        QCOMPARE(input->text(), clip);

        // A project that can not be written is reported.
        Tab().Data().project_file = (text + QStringLiteral("/p.kpproj")).toStdString();
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdSave));
        QCOMPARE(CAppMsgDlg::ShownCount(), shown + 2);
        QVERIFY(CAppMsgDlg::LastMessage().startsWith(ResText(3075)));

        // "いいえ" to a reset changes nothing; "はい" resets.
        Tab().Data().threshold.SetValueClamped(300);
        Tab().UpdateData(true);
        Tab().Data().project_file = project;
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kNo);
        QVERIFY(Click("extractionResetButton"));
        QCOMPARE(Tab().Data().threshold.value, 300.0);
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
        QVERIFY(Click("extractionResetButton"));
        QCOMPARE(Tab().Data().threshold.value, 100.0);
        QCOMPARE(Find<QLineEdit>("thresholdEdit")->text(), QStringLiteral("100"));
    }

    void listDeleteAndFolderChange() {
        const QString clip = Copy(m_twoScenes, QStringLiteral("list.mp4"));
        OpenDropped(clip);
        if (QTest::currentTestFailed()) return;
        QVERIFY(Click("extractButton"));
        WaitJobEnd();
        if (QTest::currentTestFailed()) return;
        QCOMPARE(Tab().Data().diff_list.Snapshot().size(), size_t{2});

        // "リスト削除" answered "いいえ" keeps the list; "はい" leaves the first three seconds (25 fps).
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kNo);
        QVERIFY(Click("clearListButton"));
        QCOMPARE(Tab().Data().diff_list.Snapshot().size(), size_t{2});
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
        QVERIFY(Click("clearListButton"));
        QCOMPARE(RangesOf(Tab().Data()), (std::vector<Range>{{0, 74}}));
        QTRY_COMPARE(Tab().Panels().listModel->rowCount(), 1);

        // A new output folder typed into its edit moves every path that lay in the old one.
        const std::string old = Tab().Data().output_folder;
        const QString folder = m_d.Work().filePath(QStringLiteral("moved"));
        Type(Find<QLineEdit>("outputFolderEdit"), folder);
        QTRY_VERIFY_WITH_TIMEOUT(Tab().LocalJob() == 0 && Idle(), kJobTimeoutMs);
        const CTarneloData& data = Tab().Data();
        const std::string moved = (folder + QLatin1Char('/')).toStdString();
        QCOMPARE(data.output_folder, moved);
        QCOMPARE(data.pts_file.substr(0, moved.size()), moved);
        QCOMPARE(data.diff_list.Snapshot().size(), size_t{1});
        QCOMPARE(data.diff_list.Snapshot()[0].fileName.substr(0, moved.size()), moved);
        CTarneloData saved;
        saved.ResetAll(false);
        QVERIFY(saved.LoadProject(data.project_file));
        QCOMPARE(saved.output_folder, moved);
        QVERIFY(old != moved);
    }

    void everyControlIsNamedInBothLanguages() {
        for (int command : {CTarneloDlg::kCmdJapanese, CTarneloDlg::kCmdEnglish}) {
            QVERIFY(Dlg()->OnCommand(command));
            int controls = 0;
            VerifyControlsNamed(&Tab(), controls);
            if (QTest::currentTestFailed()) return;
            QVERIFY(controls >= 50);
        }
        QCOMPARE(Find<QPushButton>("extractButton")->text(), QStringLiteral("Scene Extract"));
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdJapanese));
        QCOMPARE(Find<QPushButton>("extractButton")->text(), QString::fromUtf8("シーン抽出"));
    }
};

QTEST_MAIN(SceneTabTest)
#include "SceneTabTest.moc"
