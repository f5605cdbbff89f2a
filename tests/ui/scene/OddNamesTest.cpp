// The scene tab opens and extracts clips whose names hold what shells, ffmpeg's filter and option parsers
// and text encodings treat specially, and a clip reached through a symbolic link: every segment file is
// whole and the project on disk holds the scenes and the name as given.
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "app/AppMsgDlg.h"
#include "app/Language.h"
#include "engine/jobs/JobTables.h"
#include "ui/WindowTestBase.h"
#include "ui/main/MainFrame.h"

using namespace scenetab;

class OddNamesTest : public WindowTestBase {
    Q_OBJECT
public:
    OddNamesTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_clip;

    // The segment files of the extraction, as their names and the output folder give them.
    void ExpectWholeSegments(const CTarneloData& data) {
        const QDir folder(QString::fromStdString(data.output_folder));
        const QStringList segments = folder.entryList({QStringLiteral("*_seg_*.mp4")}, QDir::Files);
        QCOMPARE(segments.size(), static_cast<qsizetype>(data.diff_list.Snapshot().size()));
        for (const SceneEntry& scene : data.diff_list.Snapshot()) {
            const QString suffix = QStringLiteral("_seg_%1_%2.mp4").arg(scene.framNo_first).arg(scene.framNo_second);
            const QStringList match = segments.filter(suffix);
            QVERIFY2(match.size() == 1, qPrintable(suffix));
            QCOMPARE(CountFrames(folder.filePath(match.first())), scene.framNo_second - scene.framNo_first + 1);
        }
    }

    void PrepareRun() override {
        if (!clips::ToolsAvailable()) QSKIP("ffmpeg or ffprobe is not on PATH");
        std::string error;
        m_clip =
            QString::fromStdString(clips::MakeClip(m_clips.path().toStdString(), "two.mp4", TwoSceneClip(), &error));
        QVERIFY2(!m_clip.isEmpty(), error.c_str());
    }

private slots:
    void openAndExtract_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("link");
        QTest::newRow("quotes") << QStringLiteral("it's a \"clip\".mp4") << false;
        QTest::newRow("percent") << QStringLiteral("100%d %s %%.mp4") << false;
        QTest::newRow("newline") << QStringLiteral("two\nlines.mp4") << false;
        QTest::newRow("leading dash") << QStringLiteral("-i clip.mp4") << false;
        QTest::newRow("japanese and emoji") << QString::fromUtf8("動画 🎬 テスト.mp4") << false;
        QTest::newRow("link") << QStringLiteral("linked [1];=$x.mp4") << true;
    }
    void openAndExtract() {
        QFETCH(QString, name);
        QFETCH(bool, link);
        QString clip;
        if (link) {
            // The link sits in a folder of its own; the clip stays where it is.
            QVERIFY(QDir(m_d.Work().path()).mkdir(QStringLiteral("links")));
            const QString target = m_d.Copy(m_clip, QStringLiteral("target.mp4"));
            clip = m_d.Work().filePath(QStringLiteral("links/") + name);
            QVERIFY(QFile::link(target, clip));
        } else {
            clip = m_d.Copy(m_clip, name);
            QVERIFY(QFileInfo::exists(clip));
        }
        QVERIFY(m_d.OpenAndExtract(clip));
        CTarneloData& data = m_d.Tab().Data();
        QCOMPARE(data.diff_list.Snapshot().size(), size_t{2});
        ExpectWholeSegments(data);
        if (QTest::currentTestFailed()) return;

        // The project on disk holds the same scenes and the input by the name it was opened with.
        QVERIFY(!data.project_file.empty());
        CTarneloData saved;
        saved.ResetAll(false);
        QVERIFY(saved.LoadProject(data.project_file));
        QCOMPARE(saved.input_file, clip.toStdString());
        QCOMPARE(RangesOf(saved), RangesOf(data));
        // Nothing was written beside a linked clip's target but the copy itself.
        if (link) {
            QCOMPARE(QDir(m_d.Work().path()).entryList({QStringLiteral("target*")}, QDir::Files | QDir::Dirs),
                     QStringList{QStringLiteral("target.mp4")});
        }
    }

    // What the engine cannot name is told before the list is cleared or anything is written.
    void namesTheJobCannotWriteAreRefusedBeforeTheExtraction() {
        struct Case {
            QString name;
            const char* button;
            int message;
            const char* detail;
        };
        const Case cases[] = {
            {QString(226, QLatin1Char('c')) + QStringLiteral(".mp4"), "extractButton", 3185, ""},
            {QStringLiteral("say \"hi\".mp4"), "extractMergeButton", 3186, "double quote"},
        };
        for (const Case& c : cases) {
            const QString clip = m_d.Copy(m_clip, c.name);
            m_d.OpenDropped(clip);
            const std::vector<Range> before = RangesOf(m_d.Tab().Data());
            const QDir out(QString::fromStdString(m_d.Tab().Data().output_folder));
            const QStringList files = out.entryList(QDir::Files);
            const int shown = CAppMsgDlg::ShownCount();
            QVERIFY(m_d.Click(c.button));
            QCOMPARE(CAppMsgDlg::ShownCount(), shown + 1);
            QVERIFY2(CAppMsgDlg::LastMessage().startsWith(ResText(c.message)), qPrintable(CAppMsgDlg::LastMessage()));
            QVERIFY(CAppMsgDlg::LastMessage().contains(QLatin1String(c.detail)));
            QVERIFY(m_d.Idle());
            QCOMPARE(RangesOf(m_d.Tab().Data()), before);
            QCOMPARE(out.entryList(QDir::Files), files);
            QVERIFY(!QFileInfo::exists(clip + QStringLiteral(".kpmotion")));
        }
    }

    // A disk that fills up (here a file-size limit, inherited by ffmpeg) fails the cuts with a message that
    // gives the system's reason; with room again a merge cuts them and joins.
    void aFullDiskIsToldWithTheSystemsReason() {
        const QString clip = m_d.Copy(m_clip, QStringLiteral("full.mp4"));
        m_d.OpenDropped(clip);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = 8 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const int shown = CAppMsgDlg::ShownCount();
        const bool clicked = m_d.Click("extractButton");
        if (clicked) m_d.WaitJobEnd();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QVERIFY(clicked);

        CTarneloData& data = m_d.Tab().Data();
        QCOMPARE(data.diff_list.Snapshot().size(), size_t{2});
        QCOMPARE(CAppMsgDlg::ShownCount(), shown + 1);
        const QString message = CAppMsgDlg::LastMessage();
        QVERIFY2(message.startsWith(ResText(3187)), qPrintable(message));
        QVERIFY2(message.contains(QString::fromUtf8(std::strerror(EFBIG))), qPrintable(message));
        QCOMPARE(m_d.App().Frame()->StatusText(1), QString::fromUtf8(JobStateName(kJobStateFailed, true)));
        QCOMPARE(m_d.App().Frame()->StatusText(3), QString::fromUtf8(std::strerror(EFBIG)));
        const QDir out(QString::fromStdString(data.output_folder));
        QVERIFY(out.entryList({QStringLiteral("*_seg_*")}, QDir::Files).isEmpty());

        QVERIFY(m_d.Click("mergeButton"));
        m_d.WaitJobEnd();
        ExpectWholeSegments(data);
        QVERIFY(QFileInfo::exists(QString::fromStdString(data.GetOutputPath())));
        QCOMPARE(CAppMsgDlg::ShownCount(), shown + 1);
    }
};

QTEST_MAIN(OddNamesTest)
#include "OddNamesTest.moc"
