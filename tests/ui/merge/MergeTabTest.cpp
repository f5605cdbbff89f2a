// The merge tab in the window, with the real engine and ffmpeg on clips made here: videos dropped and
// added, analysed, converted to one size and rate and joined; the choices, the list's menu, the player's
// row click, a stop during the conversion, and a project that is never written.
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include "app/AppFileDialog.h"
#include "app/AppMsgDlg.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/ConvertMerge.h"
#include "ui/WindowTestBase.h"
#include "ui/lists/ListContextMenu.h"
#include "ui/lists/MergeListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/merge/MergeListEditor.h"
#include "ui/preview/PreviewPanel.h"

using scenetab::kJobTimeoutMs;
using scenetab::NoChildLeft;
using scenetab::RunTool;

namespace {

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

// The first stream of a kind (v or a) as ffprobe reports it; empty when there is none.
QJsonObject StreamOf(const QString& path, const char* kind) {
    const QByteArray json = RunTool(QStringLiteral("ffprobe"),
                                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                                     QLatin1String(kind) + QStringLiteral(":0"), QStringLiteral("-show_streams"),
                                     QStringLiteral("-of"), QStringLiteral("json"), path});
    const QJsonArray streams = QJsonDocument::fromJson(json).object().value(QStringLiteral("streams")).toArray();
    return streams.isEmpty() ? QJsonObject() : streams.first().toObject();
}

double DurationOf(const QJsonObject& stream) { return stream.value(QStringLiteral("duration")).toString().toDouble(); }

// "... Frm:M/A ..." of the information line: M.
int MergedFramesOf(const QString& info) {
    const int at = info.indexOf(QStringLiteral("Frm:"));
    return at < 0 ? -1 : info.mid(at + 4).section(QLatin1Char('/'), 0, 0).toInt();
}

}  // namespace

class MergeTabTest : public WindowTestBase {
    Q_OBJECT
public:
    MergeTabTest() : WindowTestBase({.program = Program::kDriver, .silentNotices = true}) {}

private:
    QString m_sound25;     // 320x180, 25 fps, 50 frames, with sound
    QString m_silent2997;  // 320x240, 29.97 fps, 60 frames, no sound
    QString m_interlaced;  // 352x288 interlaced MPEG-2 in a transport stream, 25 fps, 40 frames
    QString m_long;        // 640x360, 25 fps, 750 frames: a conversion that is still running when stopped

    CTarneloTabMerge& Tab() { return MergeTab(m_d.Dlg()); }
    CTarneloData& Data() { return Tab().Data(); }
    bool Idle() { return Tab().CurrentJob() == 0 && !Tab().Engine().Status().running; }
    template <class T>
    T* Find(const char* name) {
        T* widget = Tab().findChild<T*>(QLatin1String(name));
        if (widget == nullptr) qWarning("no control %s", name);
        return widget;
    }
    void Click(const char* name) {
        auto* button = Find<QAbstractButton>(name);
        QVERIFY(button != nullptr);
        QVERIFY2(button->isEnabled(), name);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void WaitJobEnd() {
        QTRY_VERIFY_WITH_TIMEOUT(Idle() && Find<QPushButton>("analyseButton")->isEnabled(), kJobTimeoutMs);
    }
    QString Cell(int row, int column) { return Tab().Panels().listModel->index(row, column).data().toString(); }
    QString Info() { return Find<QLabel>("mergeInfoLine")->text(); }
    void ClickRow(int row) {
        SceneListView* view = Tab().Panels().listView;
        const QModelIndex index = Tab().Panels().listModel->index(row, MergeListModel::kColFile);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }
    void Choose(const char* combo, int index) {
        auto* box = Find<QComboBox>(combo);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    void Analyse() {
        Click("analyseButton");
        WaitJobEnd();
    }

    void PrepareRun() override {
        // The player runs without a screen or a sound card.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (!clips::ToolsAvailable()) QSKIP("ffmpeg or ffprobe is not on PATH");
        const std::string folder = m_clips.path().toStdString();
        std::string error;
        const auto make = [&](const char* name, const clips::ClipOptions& o) {
            const QString path = ToQ(clips::MakeClip(folder, name, o, &error));
            if (path.isEmpty()) qWarning("%s", error.c_str());
            return path;
        };
        m_sound25 = make("sound25.mp4", clips::SizedClip(320, 180, "25", 50, true, true));
        m_silent2997 = make("silent2997.mp4", clips::SizedClip(320, 240, "30000/1001", 60, false, true));
        clips::ClipOptions interlaced = clips::SizedClip(352, 288, "25", 40, true, true);
        interlaced.interlaced = true;
        m_interlaced = make("interlaced.ts", interlaced);
        m_long = make("long.mp4", clips::SizedClip(640, 360, "25", 750, true, true));
        QVERIFY(!m_sound25.isEmpty() && !m_silent2997.isEmpty() && !m_interlaced.isEmpty() && !m_long.isEmpty());
    }
    void BeforeCase() override { m_d.Dlg()->SwitchTab(1); }

private slots:
    void controlsAreNamedAndReachedInLayoutOrder() {
        m_d.Dlg()->DropFiles({m_d.Copy(m_sound25, QStringLiteral("a.mp4"))});
        for (int command : {CTarneloDlg::kCmdEnglish, CTarneloDlg::kCmdJapanese}) {
            QVERIFY(m_d.Dlg()->OnCommand(command));
            int controls = 0;
            VerifyControlsNamed(&Tab(), controls);
            if (QTest::currentTestFailed()) return;
            QVERIFY(controls >= 30);
            const bool english = command == CTarneloDlg::kCmdEnglish;
            QCOMPARE(Find<QPushButton>("analyseButton")->text(),
                     english ? QStringLiteral("Video Analysis") : QString::fromUtf8("ビデオ解析"));
            QCOMPARE(Cell(0, MergeListModel::kColFrameRate), MergeListModel::UnanalyzedText(!english));
            QCOMPARE(Tab().Panels().listView->accessibleName(), ResText(3174));
        }
        // Tab walks the rows of the page from top to bottom, each from left to right.
        const QStringList expected = {
            "addFilesButton",     "inputFileEdit",       "playInputButton", "outputFolderButton", "outputFolderEdit",
            "deleteFolderButton", "outputFileButton",    "outputNameEdit",  "playOutputButton",   "resolutionCombo",
            "frameRateCombo",     "settingsResetButton", "analyseButton",   "convertButton",      "joinButton",
            "convertJoinButton",  "stopButton",          "transitionCheck", "clearListButton",    "videoList"};
        QStringList order;
        QWidget* w = Find<QWidget>("addFilesButton");
        for (int steps = 0; w != nullptr && steps < 200 && order.size() < expected.size(); ++steps) {
            if (expected.contains(w->objectName()) && !order.contains(w->objectName())) order << w->objectName();
            w = w->nextInFocusChain();
        }
        QCOMPARE(order, expected);
    }

    void dropAnalyseConvertAndJoin() {
        QFile text(m_d.Work().filePath(QStringLiteral("notes.mp4")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("this is not a video\n");
        text.close();
        const QString folder = m_d.Work().path() + QLatin1Char('/');
        // A text file named .mp4 in the middle of the drop.
        m_d.Dlg()->DropFiles({m_d.Copy(m_sound25, QStringLiteral("a.mp4")),
                              m_d.Copy(m_silent2997, QStringLiteral("b.mp4")), text.fileName(),
                              m_d.Copy(m_interlaced, QStringLiteral("c.ts"))});
        QCOMPARE(Tab().Panels().listModel->rowCount(), 3);

        // The first drop on an empty list names the output folder (with its separator) and file.
        QCOMPARE(Data().output_folder, (folder + QStringLiteral("conv_out/")).toStdString());
        QCOMPARE(Data().output_name, std::string("a_conv_1920x1080_59.94.mp4"));
        QCOMPARE(Data().diff_list.Snapshot()[0].fileName, Data().output_folder + "a_seg_1920x1080_59.94.mp4");
        QCOMPARE(Data().diff_list.Snapshot()[2].fileName, Data().output_folder + "c_seg_1920x1080_59.94.mp4");
        QCOMPARE(Data().input_file, (folder + QStringLiteral("c.ts")).toStdString());
        QCOMPARE(Cell(1, MergeListModel::kColFile), QStringLiteral("b.mp4"));
        QCOMPARE(Cell(1, MergeListModel::kColResolution), QStringLiteral("未解析"));
        QVERIFY(Info().isEmpty());

        Analyse();
        QCOMPARE(Cell(0, MergeListModel::kColResolution), QStringLiteral("320 x 180"));
        QCOMPARE(Cell(1, MergeListModel::kColFrameRate), QStringLiteral("29.97"));
        QCOMPARE(Cell(2, MergeListModel::kColResolution), QStringLiteral("352 x 288"));
        QVERIFY(!Info().isEmpty());

        // 1280 x 720 at 30000/1001: the converted counts follow at once, the names stay.
        Choose("resolutionCombo", 4);
        Choose("frameRateCombo", 5);
        QCOMPARE(Cell(0, MergeListModel::kColConvertedFrames),
                 QString::number(ConvertedFrameCount(50, 25, 30000 / 1001.0)));
        QCOMPARE(Data().diff_list.Snapshot()[0].fileName, Data().output_folder + "a_seg_1920x1080_59.94.mp4");
        QVERIFY(Info().contains(QStringLiteral("FPS:29.97 W1280xH720")));

        Click("convertJoinButton");
        WaitJobEnd();
        const QString output = ToQ(Data().GetOutputPath());
        QVERIFY2(QFile::exists(output), qPrintable(output));
        const QJsonObject video = StreamOf(output, "v");
        QCOMPARE(video.value(QStringLiteral("width")).toInt(), 1280);
        QCOMPARE(video.value(QStringLiteral("height")).toInt(), 720);
        QCOMPARE(video.value(QStringLiteral("r_frame_rate")).toString(), QStringLiteral("30000/1001"));
        int converted = 0;
        for (const SceneEntry& entry : Data().diff_list.Snapshot()) {
            QCOMPARE(scenetab::CountFrames(ToQ(entry.fileName)), entry.m_convertedInfo.frame_num);
            converted += entry.m_convertedInfo.frame_num;
        }
        const int joined = scenetab::CountFrames(output);
        QCOMPARE(joined, converted);
        QCOMPARE(MergedFramesOf(Info()), joined);
        // Sound throughout, the silent video's stretch included.
        const QJsonObject audio = StreamOf(output, "a");
        QVERIFY(!audio.isEmpty());
        QVERIFY2(DurationOf(audio) >= joined / (30000 / 1001.0) - 0.1, qPrintable(QString::number(DurationOf(audio))));

        // Joined again with cross-fades: the information line says how many frames they take away.
        Find<QCheckBox>("transitionCheck")->click();
        const int withFades = MergedFramesOf(Info());
        QVERIFY(withFades < joined);
        Click("joinButton");
        WaitJobEnd();
        QVERIFY(std::abs(scenetab::CountFrames(output) - withFades) <= 1);

        // The merge tab writes no project file.
        QDirIterator files(m_d.Work().path(), {QStringLiteral("*.kpproj")}, QDir::Files, QDirIterator::Subdirectories);
        QVERIFY(!files.hasNext());
    }

    void choicesResetRowClickAndTheRowMenu() {
        const QString a = m_d.Copy(m_sound25, QStringLiteral("a.mp4"));
        const QString b = m_d.Copy(m_silent2997, QStringLiteral("b.mp4"));
        m_d.Dlg()->DropFiles({a, b});
        Analyse();
        const std::string named = Data().diff_list.Snapshot()[1].fileName;
        const QString start = Cell(1, MergeListModel::kColOutputStart);
        const QString info = Info();
        QCOMPARE(start, QString::number(Data().diff_list.Snapshot()[0].m_convertedInfo.frame_num));

        // Another rate: the second video starts elsewhere in the output, the line changes, the names stay.
        Choose("frameRateCombo", 8);
        QVERIFY(Cell(1, MergeListModel::kColOutputStart) != start);
        QCOMPARE(Cell(1, MergeListModel::kColOutputStart), QString::number(ConvertedFrameCount(50, 25, 15)));
        QVERIFY(Info() != info);
        QCOMPARE(Data().diff_list.Snapshot()[1].fileName, named);
        Choose("resolutionCombo", 8);
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
        Click("settingsResetButton");
        QCOMPARE(Tab().SizeIndex(), 3);
        QCOMPARE(Tab().RateIndex(), 3);
        QCOMPARE(Find<QComboBox>("resolutionCombo")->currentText(), QStringLiteral("1920 x 1080"));
        QCOMPARE(Find<QComboBox>("frameRateCombo")->currentText(), QStringLiteral("59.94"));
        QCOMPARE(Info(), info);

        // A row click names the video and shows it as it is until it has been converted.
        ClickRow(0);
        QCOMPARE(Data().input_file, a.toStdString());
        QCOMPARE(Find<QLineEdit>("inputFileEdit")->text(), a);
        QCOMPARE(Tab().Engine().CurrentPreviewFile(), a.toStdString());
        QVERIFY(Find<QPushButton>("playInputButton")->isEnabled());

        // The row menu has copy and delete, no split.
        std::unique_ptr<QMenu> menu = Tab().Lists().ContextMenu(1, 0);
        QVERIFY(menu != nullptr);
        QCOMPARE(menu->actions().size(), 2);
        Tab().Lists().OnListCommand(kListCopy);
        QCOMPARE(Tab().Panels().listModel->rowCount(), 3);
        QCOMPARE(Data().diff_list.Snapshot()[1].m_fileToUse, Data().diff_list.Snapshot()[2].m_fileToUse);
        QCOMPARE(Cell(2, MergeListModel::kColEnable), QStringLiteral("003"));
        // A drag takes the first video to the last place; the output starts follow the new order.
        const std::string first = Data().diff_list.Snapshot()[0].m_fileToUse;
        SceneListView* view = Tab().Panels().listView;
        view->BeginDrag(0);
        view->DragMoveTo(view->visualRect(Tab().Panels().listModel->index(2, MergeListModel::kColFile)).center());
        view->EndDrag();
        QCOMPARE(Data().diff_list.Snapshot()[2].m_fileToUse, first);
        QCOMPARE(Cell(0, MergeListModel::kColOutputStart), QStringLiteral("0"));
        QCOMPARE(Cell(2, MergeListModel::kColFile), QStringLiteral("a.mp4"));
        Tab().Lists().OnListCommand(kListDelete);
        Tab().Lists().OnListCommand(kListDelete);
        QCOMPARE(Tab().Panels().listModel->rowCount(), 1);
        // Deleting the last video empties the list and the converted files of the choice, and only those.
        QDir().mkpath(ToQ(Data().output_folder));
        const QString ours = ToQ(Data().output_folder) + QStringLiteral("x_seg_1920x1080_59.94.mp4");
        const QString other = ToQ(Data().output_folder) + QStringLiteral("x_seg_1280x720_59.94.mp4");
        for (const QString& path : {ours, other}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Tab().Lists().OnListCommand(kListDelete);
        QCOMPARE(Tab().Panels().listModel->rowCount(), 0);
        QVERIFY(!QFile::exists(ours));
        QVERIFY(QFile::exists(other));
        QVERIFY(!Find<QPushButton>("analyseButton")->isEnabled());
    }

    void namesThatWouldClashAreRefused() {
        const QString a = m_d.Copy(m_sound25, QStringLiteral("a.mp4"));
        const QString other = m_d.Copy(m_silent2997, QStringLiteral("a.mov"));
        // The keyboard's way in: the add button's dialog, two files chosen.
        CAppFileDialog::SetNextFileName(a + QLatin1Char('\n') + other);
        Click("addFilesButton");
        QCOMPARE(Tab().Panels().listModel->rowCount(), 1);
        QVERIFY(CAppMsgDlg::LastMessage().startsWith(ResText(3172)));
        QVERIFY(CAppMsgDlg::LastMessage().contains(other));

        // An output named as a listed video is refused before anything is written.
        const QByteArray before = [&] {
            QFile file(a);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        scenetab::Driver::Type(Find<QLineEdit>("outputFolderEdit"), m_d.Work().path());
        scenetab::Driver::Type(Find<QLineEdit>("outputNameEdit"), QStringLiteral("a.mp4"));
        QCOMPARE(Data().GetOutputPath(), a.toStdString());
        Click("convertJoinButton");
        QVERIFY(CAppMsgDlg::LastMessage().startsWith(ResText(3173)));
        QVERIFY(Idle());
        QFile file(a);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    void stopDuringTheConversionLeavesNothingHalfWritten() {
        m_d.Dlg()->DropFiles({m_d.Copy(m_long, QStringLiteral("long.mp4"))});
        Analyse();
        const QString converted = ToQ(Data().diff_list.Snapshot()[0].fileName);
        Click("convertButton");
        QTRY_VERIFY_WITH_TIMEOUT(Tab().Engine().Status().childPid != 0 && QFile::exists(converted), kJobTimeoutMs);
        QVERIFY(Find<QPushButton>("stopButton")->isEnabled());
        Click("stopButton");
        QTRY_VERIFY_WITH_TIMEOUT(Idle(), kJobTimeoutMs);
        QTRY_VERIFY(NoChildLeft());
        QVERIFY2(!QFile::exists(converted), qPrintable(converted));
        QVERIFY(Find<QPushButton>("convertButton")->isEnabled());
    }

    void aClickedVideoPlaysItsConvertedFile() {
        m_d.Dlg()->DropFiles(
            {m_d.Copy(m_sound25, QStringLiteral("a.mp4")), m_d.Copy(m_silent2997, QStringLiteral("b.mp4"))});
        Choose("resolutionCombo", 8);
        Click("convertButton");
        WaitJobEnd();
        const SceneEntry second = Data().diff_list.Snapshot()[1];
        QVERIFY(QFile::exists(ToQ(second.fileName)));
        ClickRow(0);
        QCOMPARE(Tab().Engine().CurrentPreviewFile(), Data().diff_list.Snapshot()[0].fileName);
        ClickRow(1);
        QCOMPARE(Tab().Engine().CurrentPreviewFile(), second.fileName);
        const QString line = Find<QLabel>("positionLine")->text();
        QVERIFY2(line.endsWith(QStringLiteral("Frm:0/%1").arg(second.m_convertedInfo.frame_num - 1)), qPrintable(line));

        CPreviewPanel* panel = Tab().Panels().preview;
        QTest::mouseClick(panel->PlayStopButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Tab().CurrentJob() == kJobScenePreview && Tab().Engine().CurrentPlayFrame() > 0,
                                 kJobTimeoutMs);
        // While it plays, no job can start and the frame buttons wait.
        QVERIFY(!Find<QPushButton>("convertJoinButton")->isEnabled());
        QVERIFY(!panel->SeekButton(0)->isEnabled());
        QTest::mouseClick(panel->PlayStopButton(), Qt::LeftButton);
        QVERIFY(Idle());
        QTRY_VERIFY(NoChildLeft());
        QVERIFY(Find<QPushButton>("convertJoinButton")->isEnabled());
    }

    void aVideoNotAnalysedIsReadWhenClicked() {
        const QString video = m_d.Copy(m_silent2997, QStringLiteral("b.mp4"));
        m_d.Dlg()->DropFiles({video});
        QVERIFY(Info().isEmpty());
        // The click reads the video: the player knows its 60 frames, the information line shows with nothing
        // analysed to join yet, and the video plays.
        ClickRow(0);
        QCOMPARE(Tab().Engine().CurrentPreviewFile(), video.toStdString());
        QVERIFY(Find<QLabel>("positionLine")->text().endsWith(QStringLiteral("Frm:0/59")));
        QCOMPARE(Info(), QStringLiteral("00:00:00.00/00:00:00.00 Frm:0/0 FPS:59.94 W1920xH1080"));
        QCOMPARE(Cell(0, MergeListModel::kColResolution), QStringLiteral("未解析"));
        QTest::mouseClick(Tab().Panels().preview->PlayStopButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Tab().Engine().CurrentPlayFrame() > 0, kJobTimeoutMs);
        Tab().StopRunning();
        QTRY_VERIFY(Idle() && NoChildLeft());
    }

    void bothTabsKeepTheirStateAcrossASwitch() {
        m_d.Dlg()->SwitchTab(0);
        m_d.OpenDropped(m_d.Copy(m_sound25, QStringLiteral("scene.mp4")));
        m_d.Dlg()->SwitchTab(1);
        const QString video = m_d.Copy(m_silent2997, QStringLiteral("b.mp4"));
        m_d.Dlg()->DropFiles({video});
        QCOMPARE(Tab().Panels().listModel->rowCount(), 1);
        m_d.Dlg()->SwitchTab(0);
        QCOMPARE(m_d.Tab().Data().input_file, m_d.Work().filePath(QStringLiteral("scene.mp4")).toStdString());
        m_d.Dlg()->SwitchTab(1);
        QCOMPARE(Tab().Panels().listModel->rowCount(), 1);
        QCOMPARE(Data().input_file, video.toStdString());
    }
};

QTEST_MAIN(MergeTabTest)
#include "MergeTabTest.moc"
