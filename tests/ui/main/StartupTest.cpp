// Start-up and shutdown of the whole program: settings record, recent files, language, command line.
#include <QAction>
#include <QMenu>
#include <QtTest>

#include "app/AppMsgDlg.h"
#include "app/SettingsRecord.h"
#include "ui/WindowTestBase.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TarneloDlg.h"
#include "ui/scene/TarneloTabScene.h"

namespace {

SettingsRecord StoredRecord(QByteArray* raw = nullptr) {
    const QByteArray bytes = CTarneloApp::ReadSettingsRecord();
    if (raw) *raw = bytes;
    return SettingsRecord::Decode(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

// Closes the window with "はい" and shuts down as the program's main does.
void CloseAndExit(CDesktopApp& app) {
    CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
    app.Frame()->close();
    QVERIFY(!app.Frame()->isVisible());
    QCOMPARE(app.ExitInstance(), 0);
}

// A project of the folder's clip.mp4 (made by PrepareRun), which opens as a video that can be read.
QString MakeProject(const QString& folder, const QString& name) {
    CTarneloData data;
    data.ResetAll(false);
    data.input_file = (folder + QStringLiteral("/clip.mp4")).toStdString();
    data.output_folder = (folder + QStringLiteral("/clip_out/")).toStdString();
    const QString path = folder + QLatin1Char('/') + name;
    if (!data.SaveProject(path.toStdString())) return QString();
    return path;
}

}  // namespace

class StartupTest : public WindowTestBase {
    Q_OBJECT
public:
    StartupTest() : WindowTestBase({}) {}

private:
    QTemporaryDir m_files;
    bool m_clip = false;

    // Recent files list projects whose video was read: the projects made here have one.
    void PrepareRun() override {
        if (!clips::ToolsAvailable()) return;
        std::string error;
        m_clip = !clips::MakeClip(m_files.path().toStdString(), "clip.mp4", {}, &error).empty();
        QVERIFY2(m_clip, error.c_str());
    }

    void BeforeCase() override {
        UiTestEnvironment::ClearSettings();
        CLanguage::SetSystemLocaleOverride(QString());
        Env().loadFailures.clear();
    }

private slots:
    void firstStartFollowsTheLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("japanese");
        QTest::newRow("ja-JP") << "ja_JP"
                               << "ja-JP" << true;
        QTest::newRow("de-DE") << "de_DE"
                               << "de-DE" << false;
        QTest::newRow("C locale") << "C"
                                  << "en-US" << false;
    }
    void firstStartFollowsTheLocale() {
        QFETCH(QString, locale);
        QFETCH(QString, stored);
        QFETCH(bool, japanese);
        CLanguage::SetSystemLocaleOverride(locale);
        CDesktopApp app;
        UiTestEnvironment::Prepare(app);
        QVERIFY(app.InitInstance({}));
        QCOMPARE(app.Language().Current(), stored);
        QCOMPARE(app.Language().IsJapanese(), japanese);
        QCOMPARE(app.Frame()->TopMenu(0)->title(),
                 japanese ? QString::fromUtf8("ファイル(&F)") : QStringLiteral("&File"));
        QVERIFY(Env().loadFailures.isEmpty());
        CloseAndExit(app);
        QByteArray raw;
        const SettingsRecord r = StoredRecord(&raw);
        QCOMPARE(raw.size(), 892);
        QCOMPARE(r.language, stored.toStdString());
    }

    void storedRecordIsAppliedToBothTabs() {
        SettingsRecord r;
        r.language = "en-US";
        r.windowRect[0] = 40;
        r.windowRect[1] = 30;
        r.windowRect[2] = 900;
        r.windowRect[3] = 700;
        r.useCuda = true;  // applied as stored even without a device
        r.autoSave = true;
        r.quality = 1;
        UiTestEnvironment::WriteRecord(UiTestEnvironment::ToBytes(r.Encode()));
        CLanguage::SetSystemLocaleOverride(QStringLiteral("ja_JP"));
        CDesktopApp app;
        UiTestEnvironment::Prepare(app);
        QVERIFY(app.InitInstance({}));
        QCOMPARE(app.Language().Current(), QStringLiteral("en-US"));
        for (int tab = 0; tab < 2; ++tab) {
            const CTarneloData& d = app.Dialog()->Page(tab)->Data();
            QVERIFY(d.use_cuda && d.auto_save && !d.auto_load);
            QCOMPARE(d.quality, 1);
            QCOMPARE(d.window_rect.right, 900);
        }
        QTRY_VERIFY(!app.Frame()->RecordedSize().isEmpty());
        QCOMPARE(app.Frame()->pos(), QPoint(40, 30));
        CloseAndExit(app);
    }

    void shortRecordReadsAsFarAsItGoes() {
        SettingsRecord r;
        r.language = "ja-JP";
        r.autoSave = true;
        r.autoLoad = true;
        r.quality = 2;
        std::vector<std::uint8_t> bytes = r.Encode();
        bytes.resize(622);  // ends inside auto_save
        UiTestEnvironment::WriteRecord(UiTestEnvironment::ToBytes(bytes));
        CDesktopApp app;
        UiTestEnvironment::Prepare(app);
        QVERIFY(app.InitInstance({}));
        QVERIFY(app.Language().IsJapanese());
        const CTarneloData& d = SceneTab(app.Dialog()).Data();
        QVERIFY(d.auto_save);  // the low bytes survived
        QVERIFY(!d.auto_load);
        QCOMPARE(d.quality, 0);
        CloseAndExit(app);
    }

    void exitWritesTheWholeRecordByteByByte() {
        CLanguage::SetSystemLocaleOverride(QStringLiteral("ja_JP"));
        CDesktopApp app;
        UiTestEnvironment::Prepare(app);
        QVERIFY(app.InitInstance({}));
        QVERIFY(app.Dialog()->OnCommand(CTarneloDlg::kCmdAutoLoad));
        QVERIFY(app.Dialog()->OnCommand(CTarneloDlg::kCmdQualityLow));
        QTRY_VERIFY(!app.Frame()->RecordedSize().isEmpty());
        const QRect frame = app.Frame()->frameGeometry();
        CloseAndExit(app);
        QByteArray raw;
        StoredRecord(&raw);
        QCOMPARE(raw.size(), 892);
        auto int32 = [&](int at) {
            return qint32(quint32(quint8(raw[at])) | quint32(quint8(raw[at + 1])) << 8 |
                          quint32(quint8(raw[at + 2])) << 16 | quint32(quint8(raw[at + 3])) << 24);
        };
        for (int i = 0; i < 512; ++i) QCOMPARE(int(raw[i]), 0);
        QCOMPARE(raw.mid(512, 6), QByteArray("ja-JP\0", 6));
        QCOMPARE(int32(600), frame.left());
        QCOMPARE(int32(604), frame.top());
        QCOMPARE(int32(608), frame.left() + frame.width());
        QCOMPARE(int32(612), frame.top() + frame.height());
        QCOMPARE(int32(616), 0);  // no CUDA device here
        QCOMPARE(int32(620), 0);
        QCOMPARE(int32(624), 1);
        QCOMPARE(int(raw[628]), 0);  // no project and no recent file
        QCOMPARE(int32(888), 2);
    }

    void commandLineProjectOpensWithAutoLoadOff() {
        if (!m_clip) QSKIP("ffmpeg or ffprobe is not on PATH");
        const QString project = MakeProject(m_files.path(), QStringLiteral("cmd.kpproj"));
        QVERIFY(!project.isEmpty());
        CDesktopApp app;
        UiTestEnvironment::Prepare(app);
        QVERIFY(app.InitInstance({QStringLiteral("-flag"), project, QStringLiteral("second")}));
        QCOMPARE(QString::fromStdString(SceneTab(app.Dialog()).Data().project_file), project);
        QCOMPARE(app.RecentFiles().At(0), project);
        CloseAndExit(app);
    }

    void commandLineVideoIsTakenAsADroppedFile() {
        // The desktop hands over videos too: one with a companion project opens that project.
        const QString video = m_files.path() + QStringLiteral("/desk.mp4");
        QFile(video).open(QIODevice::WriteOnly);
        const QString project = MakeProject(m_files.path(), QStringLiteral("desk.mp4.kpproj"));
        QVERIFY(!project.isEmpty());
        CDesktopApp app;
        UiTestEnvironment::Prepare(app);
        QVERIFY(app.InitInstance({video}));
        QCOMPARE(QString::fromStdString(SceneTab(app.Dialog()).Data().project_file), project);
        CloseAndExit(app);
    }

    void autoLoadOpensTheLastProjectAndOffOpensNothing() {
        const QString project = MakeProject(m_files.path(), QStringLiteral("last.kpproj"));
        for (bool autoLoad : {true, false}) {
            SettingsRecord r;
            r.autoLoad = autoLoad;
            r.lastProject = project.toStdString();
            UiTestEnvironment::WriteRecord(UiTestEnvironment::ToBytes(r.Encode()));
            CDesktopApp app;
            UiTestEnvironment::Prepare(app);
            QVERIFY(app.InitInstance({}));
            QCOMPARE(SceneTab(app.Dialog()).Data().project_file.empty(), !autoLoad);
            CloseAndExit(app);
        }
    }

    void secondStartReadsTheRecentFilesOfTheFirst() {
        if (!m_clip) QSKIP("ffmpeg or ffprobe is not on PATH");
        const QString a = MakeProject(m_files.path(), QStringLiteral("a.kpproj"));
        const QString b = MakeProject(m_files.path(), QStringLiteral("b.kpproj"));
        {
            CDesktopApp first;
            UiTestEnvironment::Prepare(first);
            QVERIFY(first.InitInstance({}));
            QCOMPARE(SceneTab(first.Dialog()).LoadProjectFile(a, false), 1);
            QCOMPARE(SceneTab(first.Dialog()).LoadProjectFile(b, false), 1);
            CloseAndExit(first);
        }
        CDesktopApp second;
        UiTestEnvironment::Prepare(second);
        QVERIFY(second.InitInstance({}));
        QCOMPARE(second.RecentFiles().At(0), b);
        QCOMPARE(second.RecentFiles().At(1), a);
        // The File menu lists them once it is opened.
        QMenu* file = second.Frame()->TopMenu(0);
        second.Frame()->UpdateMenu(file);
        QVERIFY(second.Frame()->CommandAction(57616) != nullptr);
        QVERIFY(second.Frame()->CommandAction(57616)->text().endsWith(QLatin1String("b.kpproj")));
        QVERIFY(second.Frame()->CommandAction(57617)->text().endsWith(QLatin1String("a.kpproj")));
        QVERIFY(second.Frame()->CommandAction(57618) == nullptr);
        CloseAndExit(second);
        QCOMPARE(QString::fromStdString(StoredRecord().lastProject), b);
    }

    void goneRecentFileIsDroppedWhenSavingWithoutProject() {
        const QString gone = m_files.path() + QStringLiteral("/gone.kpproj");
        const QString kept = MakeProject(m_files.path(), QStringLiteral("kept.kpproj"));
        {
            QSettings s = UiTestEnvironment::Settings();
            s.beginGroup(QStringLiteral("Recent Files"));
            s.setValue(QStringLiteral("File1"), gone);
            s.setValue(QStringLiteral("File2"), kept);
        }
        CDesktopApp app;
        UiTestEnvironment::Prepare(app);
        QVERIFY(app.InitInstance({}));
        QCOMPARE(app.RecentFiles().At(0), gone);
        CloseAndExit(app);
        QVERIFY(StoredRecord().lastProject.empty());
        QSettings s = UiTestEnvironment::Settings();
        QCOMPARE(s.value(QStringLiteral("Recent Files/File1")).toString(), kept);
        QVERIFY(!s.contains(QStringLiteral("Recent Files/File2")));
    }

    void missingLibraryShowsTheNoticeAndKeepsThePrevious() {
        CDesktopApp app;
        UiTestEnvironment::Prepare(app);
        QVERIFY(app.InitInstance({}));
        const CResourceLibrary* before = app.Language().Library();
        QVERIFY(before != nullptr);
        app.Language().SetSearchFolder(m_files.path());  // holds no library
        QVERIFY(!app.Language().LoadLanguage(QStringLiteral("ja-JP")));
        QCOMPARE(Env().loadFailures, QStringList{QString::fromUtf8("言語DLLの読み込みに失敗しました。")});
        QCOMPARE(app.Language().Library(), before);
        QVERIFY(!ResText(3126).isEmpty());
        CloseAndExit(app);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
