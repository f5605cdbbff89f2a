// The scene tab's files and projects on a page of its own, with an idle engine: a failed save is told once per
// file until one succeeds, the segment names follow a new output folder, a drop of nothing usable is told, a kept list
// is clamped to its scenes, and a reset deletes the input's segment files only. On a clip made here: a video dropped
// beside a project that can not be read opens itself, and a project is recent only once its video was read.
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/Language.h"
#include "engine/scenes/SceneRules.h"
#include "project/ProjectSession.h"
#include "ui/PageFakes.h"
#include "ui/common/JobStatus.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/scene/CaptionPanel.h"
#include "ui/scene/ExtractionPanel.h"
#include "ui/scene/MotionTimeline.h"
#include "ui/scene/SceneFileActions.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/SceneMotionTuner.h"
#include "ui/scene/ScenePage.h"
#ifndef TARNELO_CLIPS_WITHOUT_FIXTURE
#define TARNELO_CLIPS_WITHOUT_FIXTURE
#endif
#include "integration/ClipFactory.h"

using FakeScenePage = pagefakes::ScenePageFake;

class SceneFileActionsTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    QTemporaryDir m_dir;
    std::unique_ptr<FakeScenePage> m_page;
    std::unique_ptr<SceneListEditor> m_lists;
    std::unique_ptr<SceneMotionTuner> m_motion;
    std::unique_ptr<SceneFileActions> m_files;
    SceneListModel* m_model = nullptr;

    CTarneloData& Data() { return m_page->Data(); }
    std::string Folder() { return m_dir.path().toStdString() + "/"; }
    static void Touch(const std::string& path, const QByteArray& text = {}) {
        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // The clip as name in the work folder, and a project of it beside it.
    std::string Video(const std::string& name) {
        QFile::copy(QString::fromStdString(m_clip), QString::fromStdString(Folder() + name));
        return Folder() + name;
    }
    static std::string ProjectOf(const std::string& video) {
        CTarneloData project;
        project.ResetAll(false);
        ApplyVideoDefaults(project, video);
        return project.SaveProject(DefaultProjectPath(video)) ? DefaultProjectPath(video) : std::string();
    }

    QTemporaryDir m_clips;
    std::string m_clip;

private slots:
    void initTestCase() {
        QVERIFY(m_host.LoadStrings());
        if (!clips::ToolsAvailable()) return;
        clips::ClipOptions o;
        o.frames = 50;
        std::string error;
        m_clip = clips::MakeClip(m_clips.path().toStdString(), "clip.mp4", o, &error);
        QVERIFY2(!m_clip.empty(), error.c_str());
    }
    void init() {
        m_host.messages.clear();
        m_page = std::make_unique<FakeScenePage>(m_host);
        Data().ResetAll(false);
        Data().input_file = Folder() + "clip.mp4";
        Data().output_folder = Folder();
        ScenePanels panels;
        panels.listModel = m_model = new SceneListModel(&Data(), m_page.get());
        panels.listView = new SceneListView(m_page.get());
        panels.listView->SetListModel(panels.listModel);
        panels.captions = new CCaptionPanel(&Data(), m_page.get());
        panels.preview = new CPreviewPanel(m_page.get());
        panels.extraction = new CExtractionPanel(&Data(), m_page.get());
        panels.timeline = new CMotionTimeline(m_page.get());
        auto* status = new CJobStatus(&m_host, new QProgressBar(m_page.get()), m_page.get());
        m_lists = std::make_unique<SceneListEditor>(*m_page, panels);
        m_motion = std::make_unique<SceneMotionTuner>(*m_page, panels, *m_lists);
        m_files = std::make_unique<SceneFileActions>(*m_page, panels, status, *m_lists, *m_motion);
        m_page->autoSave = [this](bool force) { m_files->AutoSave(force); };
        m_page->resetList = [this](bool rebuild) { m_files->ResetSceneList(rebuild); };
    }
    void cleanup() {
        m_files.reset();
        m_motion.reset();
        m_lists.reset();
        m_page.reset();
    }

    void aFailedSaveIsToldOncePerFile() {
        Data().auto_save = true;
        Data().project_file = Folder() + "missing/a.kpproj";
        m_files->AutoSave(false);
        m_files->AutoSave(false);
        QCOMPARE(m_host.messages.size(), 1);
        // The command itself always tells.
        m_files->SaveProject();
        QCOMPARE(m_host.messages.size(), 2);
        Data().project_file = Folder() + "missing/b.kpproj";
        m_files->AutoSave(false);
        QCOMPARE(m_host.messages.size(), 3);
        QVERIFY(m_host.messages.last().endsWith(QStringLiteral("b.kpproj")));
        // A success forgets the failure: the same file failing again is told again.
        Data().project_file = Folder() + "a.kpproj";
        m_files->AutoSave(false);
        QVERIFY(QFile::exists(QString::fromStdString(Data().project_file)));
        Data().project_file = Folder() + "missing/b.kpproj";
        m_files->AutoSave(false);
        QCOMPARE(m_host.messages.size(), 4);
    }

    void theSegmentsFollowANewOutputFolder() {
        m_page->SetRanges({{0, 9}, {10, 19}});
        Data().Scenes().UpdateAll([&](SceneEntry& scene) { scene.fileName = Folder() + "seg.mp4"; });
        Data().Scenes().Append(SceneEntry(20, 29, "/elsewhere/seg.mp4"));
        Data().pts_file = Folder() + "clip.pts";
        const std::string moved = Folder() + "moved/";
        m_files->ChangeOutputFolder(QString::fromStdString(Folder() + "moved "));
        QCOMPARE(Data().output_folder, moved);
        QCOMPARE(Data().pts_file, moved + "clip.pts");
        QCOMPARE(Data().Scenes().At(1)->fileName, moved + "seg.mp4");
        QCOMPARE(Data().Scenes().At(2)->fileName, std::string("/elsewhere/seg.mp4"));
        // Blank or the same folder: nothing changes.
        m_files->ChangeOutputFolder(QStringLiteral("  "));
        m_files->ChangeOutputFolder(QString::fromStdString(moved));
        QCOMPARE(Data().output_folder, moved);
        QCOMPARE(Data().pts_file, moved + "clip.pts");
    }

    void aDropOfNothingUsableIsTold() {
        m_files->DropFiles({});
        QVERIFY(m_host.messages.isEmpty());
        m_files->DropFiles({QStringLiteral("/no/such.mp4"), QStringLiteral("/no/other.mp4")});
        QCOMPARE(m_host.messages.size(), 1);
        QVERIFY(m_host.messages.first().endsWith(QStringLiteral("/no/such.mp4")));
        QCOMPARE(Data().input_file, Folder() + "clip.mp4");
    }

    void aKeptListIsClampedToItsScenes_data() {
        QTest::addColumn<int>("selection");
        QTest::addColumn<int>("kept");
        QTest::newRow("past the end") << 5 << 1;
        QTest::newRow("none") << -1 << 0;
        QTest::newRow("inside") << 1 << 1;
    }
    void aKeptListIsClampedToItsScenes() {
        QFETCH(int, selection);
        QFETCH(int, kept);
        m_page->SetRanges({{0, 9}, {10, 19}});
        Data().list_idx = selection;
        m_files->PrepareSceneList(true);
        QCOMPARE(Data().list_idx, kept);
        QCOMPARE(m_model->rowCount(), 2);
        QCOMPARE(m_page->Ranges().size(), size_t{2});
    }

    void aVideoDroppedBesideAProjectThatCanNotBeReadOpensItself() {
        if (m_clip.empty()) QSKIP("ffmpeg or ffprobe is not on PATH");
        Data().auto_save = true;
        const std::string video = Video("beside.mp4");
        const std::string project = DefaultProjectPath(video);
        Touch(project, "{\"diff_list\": [ no project");
        m_files->DropFiles({QString::fromStdString(video)});
        QCOMPARE(Data().input_file, video);
        QVERIFY(Data().m_sourceInfo.frame_num > 0);
        // Told, with where the unread file was kept; the new project is saved in its place.
        const QString kept = QString::fromStdString(project + ".unreadable");
        QCOMPARE(m_host.messages, QStringList{ResText(3190) + QLatin1Char('\n') + kept});
        QFile old(kept);
        QVERIFY(old.open(QIODevice::ReadOnly) && old.readAll().startsWith("{\"diff_list\": [ no"));
        CTarneloData saved;
        saved.ResetAll(false);
        QVERIFY(saved.LoadProject(project));
        QCOMPARE(saved.input_file, video);
    }

    void aProjectIsRecentOnceItsVideoWasRead_data() {
        QTest::addColumn<QString>("video");
        QTest::addColumn<bool>("recent");
        QTest::newRow("a video") << "clip" << true;
        QTest::newRow("not a video") << "text" << false;
        QTest::newRow("no video") << "gone" << false;
    }
    void aProjectIsRecentOnceItsVideoWasRead() {
        QFETCH(QString, video);
        QFETCH(bool, recent);
        if (m_clip.empty()) QSKIP("ffmpeg or ffprobe is not on PATH");
        m_host.shell.recent.clear();
        const std::string name = "recent_" + video.toStdString() + ".mp4";
        const std::string input = video == "clip" ? Video(name) : Folder() + name;
        if (video == "text") Touch(input, "this is not a video\n");
        const std::string project = ProjectOf(input);
        QCOMPARE(m_files->LoadProjectFile(QString::fromStdString(project), false), ProjectSession::kOpened);
        QCOMPARE(m_host.shell.recent, recent ? QStringList{QString::fromStdString(project)} : QStringList());
    }

    void aResetDeletesTheInputsSegmentsOnly() {
        const std::string base = Folder() + SegmentFileBase(Data().input_file);
        Touch(base + "_0001.mp4");
        Touch(base + "_0002.mp4");
        Touch(Folder() + "other_0001.mp4");
        Touch(base + "_0001.txt");
        m_files->ResetSceneList(false);
        QVERIFY(!QFile::exists(QString::fromStdString(base + "_0001.mp4")));
        QVERIFY(!QFile::exists(QString::fromStdString(base + "_0002.mp4")));
        QVERIFY(QFile::exists(QString::fromStdString(Folder() + "other_0001.mp4")));
        QVERIFY(QFile::exists(QString::fromStdString(base + "_0001.txt")));
    }
};

QTEST_MAIN(SceneFileActionsTest)
#include "SceneFileActionsTest.moc"
