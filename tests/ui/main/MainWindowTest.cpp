// The main window driven as a user would: menus, accelerators, enabling, language switch, tabs, closing.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QStatusTipEvent>
#include <QtTest>

#include "app/AppHelpDialog.h"
#include "app/AppMsgDlg.h"
#include "app/Language.h"
#include "engine/jobs/JobTables.h"
#include "ui/WindowTestBase.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TarneloDlg.h"
#include "ui/merge/TarneloTabMerge.h"
#include "ui/scene/TarneloTabScene.h"

namespace {

// Every entry text of the menu bar, popups included, in order.
QStringList MenuTexts(QMenuBar* bar) {
    QStringList texts;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            texts << a->text();
            if (a->menu()) walk(a->menu());
        }
    };
    for (QAction* top : bar->actions()) {
        texts << top->text();
        walk(top->menu());
    }
    return texts;
}

}  // namespace

class MainWindowTest : public WindowTestBase {
    Q_OBJECT
public:
    MainWindowTest() : WindowTestBase({.program = Program::kMainWindow}) {}

private:
    QTemporaryDir m_files;

private slots:
    void menusShowEveryEntryWithItsAccelerator() {
        const QStringList texts = MenuTexts(Frame()->menuBar());
        for (const char* expected : {"ファイル(&F)",
                                     "新規作成(&N)\tCtrl+N",
                                     "開く(&O)...\tCtrl+O",
                                     "上書き保存(&S)\tCtrl+S",
                                     "名前を付けて保存(&A)...\tCtrl+Shift+S",
                                     "終了(&E)\tAlt+F4",
                                     "設定(&S)",
                                     "CUDA を使用する(&C)",
                                     "自動保存(&S)",
                                     "起動時に自動で開く(&O)",
                                     "画質設定(&Q)",
                                     "最高画質(&H)",
                                     "標準画質(&S)",
                                     "低画質(&L)",
                                     "言語(&L)",
                                     "日本語(&J)",
                                     "英語(&E)",
                                     "情報(&I)",
                                     "詳細情報(&D)...\tF2",
                                     "基本情報(&B)...\tF3",
                                     "ビデオストリーム情報(&V)...\tF4",
                                     "オーディオストリーム情報(&A)...\tF5",
                                     "その他(&O)",
                                     "操作マニュアル(&M)...\tCtrl+F1",
                                     "Tarnelo について(&A)..."}) {
            QVERIFY2(texts.contains(QString::fromUtf8(expected)), expected);
        }
        QVERIFY(Frame()->CommandAction(2007)->isChecked());
        QVERIFY(!Frame()->CommandAction(2008)->isChecked());
        QCOMPARE(Frame()->CommandAction(2005)->statusTip(), QString::fromUtf8("既存のプロジェクトを開きます"));
        // The status bar: four panes of fixed width with their default texts, then the stretching one. A pane
        // is never narrower than its width, nor than the longest text it shows (the elapsed time in pane 2).
        const int widths[] = {140, 60, 60, 150};
        const char* defaults[] = {"Stage", "State", "Time", "Text"};
        for (int i = 0; i < 4; ++i) {
            auto* pane = Frame()->findChild<QLabel*>(QStringLiteral("statusPane%1").arg(i));
            QVERIFY(pane);
            QVERIFY(pane->width() >= widths[i]);
            QCOMPARE(pane->minimumWidth(), pane->maximumWidth());
            if (i == 2) QVERIFY(pane->width() > pane->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.00")));
            QCOMPARE(pane->text(), QLatin1String(defaults[i]));
        }
    }

    void acceleratorsRunTheirCommandsInBothLanguages() {
        struct Accel {
            int id;
            const char* key;
        };
        const Accel table[] = {{2011, "Ctrl+N"},  {2005, "Ctrl+O"},  {2006, "Ctrl+S"}, {3081, "Ctrl+Shift+S"},
                               {3096, "F2"},      {3103, "F3"},      {3104, "F4"},     {3105, "F5"},
                               {57665, "Alt+F4"}, {1095, "Ctrl+F1"}, {3200, "Ctrl+Z"}, {3201, "Ctrl+Y"}};
        for (int language : {CTarneloDlg::kCmdJapanese, CTarneloDlg::kCmdEnglish}) {
            QVERIFY(Dlg()->OnCommand(language));
            // Redo has a second key, Ctrl+Shift+Z, beside the one its menu entry names.
            QCOMPARE(Frame()->findChildren<QShortcut*>().size(), int(std::size(table)) + 1);
            for (const Accel& a : table) {
                auto* shortcut = Frame()->findChild<QShortcut*>(QStringLiteral("accelerator%1").arg(a.id));
                QVERIFY2(shortcut, a.key);
                QCOMPARE(shortcut->key(), QKeySequence(QString::fromLatin1(a.key)));
                // The menu entry names the same key.
                QVERIFY2(Frame()->CommandAction(a.id)->text().endsWith(QLatin1Char('\t') + QLatin1String(a.key)),
                         qPrintable(Frame()->CommandAction(a.id)->text()));
            }
        }
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdJapanese));

        // Ctrl+N starts a new project.
        Frame()->activateWindow();
        QTRY_VERIFY(Frame()->isActiveWindow());
        SceneTab(Dlg()).Data().input_file = "/somewhere/clip.mp4";
        QTest::keyClick(Frame(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(SceneTab(Dlg()).Data().input_file.empty());
        // Ctrl+F1 opens the manual of the active tab, once.
        QTest::keyClick(Frame(), Qt::Key_F1, Qt::ControlModifier);
        QTRY_VERIFY(Dlg()->ManualWindow() != nullptr);
        QVERIFY(
            Dlg()->ManualWindow()->Text().startsWith(QString::fromUtf8("Tarnelo 操作マニュアル（シーン結合タブ）")));
        QPointer<CAppHelpDialog> first = Dlg()->ManualWindow();
        QTest::keyClick(Frame(), Qt::Key_F1, Qt::ControlModifier);
        QCOMPARE(Dlg()->ManualWindow(), first.data());
        // The keys work while the manual has the focus too.
        first->activateWindow();
        QTRY_VERIFY(first->isActiveWindow());
        SceneTab(Dlg()).Data().input_file = "/somewhere/clip.mp4";
        QTest::keyClick(first.data(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(SceneTab(Dlg()).Data().input_file.empty());
        first->close();
        QTRY_VERIFY(Dlg()->ManualWindow() == nullptr);
        // On the merge tab it is the merge tab's manual, in the display language.
        Dlg()->SwitchTab(1);
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdEnglish));
        Frame()->activateWindow();
        QTRY_VERIFY(Frame()->isActiveWindow());
        QTest::keyClick(Frame(), Qt::Key_F1, Qt::ControlModifier);
        QTRY_VERIFY(Dlg()->ManualWindow() != nullptr);
        QVERIFY(Dlg()->ManualWindow()->Text().startsWith(QLatin1String("Tarnelo Operation Manual: the Video Convert")));
        Dlg()->ManualWindow()->close();
    }

    void menuPromptsShowInTheMessagePane() {
        auto* pane = Frame()->findChild<QLabel*>(QStringLiteral("statusPane4"));
        QCOMPARE(pane->text(), QStringLiteral("Ready"));
        QStatusTipEvent tip(Frame()->CommandAction(2005)->statusTip());
        QCoreApplication::sendEvent(Frame(), &tip);
        QCOMPARE(pane->text(), QString::fromUtf8("既存のプロジェクトを開きます"));
        QStatusTipEvent none{QString()};
        QCoreApplication::sendEvent(Frame(), &none);
        QCOMPARE(pane->text(), QStringLiteral("Ready"));
    }

    void recentFilesAppearAfterTheMenuWasShownEmpty() {
        QMenu* file = Frame()->TopMenu(0);
        Frame()->UpdateMenu(file);
        QVERIFY(Frame()->CommandAction(57616) == nullptr);
        if (!clips::ToolsAvailable()) QSKIP("ffmpeg or ffprobe is not on PATH");
        // A project is listed once its video was read.
        const std::string video = clips::MakeClip(m_files.path().toStdString(), "later.mp4");
        QVERIFY(!video.empty());
        const QString project = m_files.path() + QStringLiteral("/later.kpproj");
        CTarneloData data;
        data.ResetAll(false);
        data.input_file = video;
        data.output_folder = video + "_out/";
        QVERIFY(data.SaveProject(project.toStdString()));
        QCOMPARE(SceneTab(Dlg()).LoadProjectFile(project, false), 1);
        Frame()->UpdateMenu(file);
        QVERIFY(Frame()->CommandAction(57616) != nullptr);
        QVERIFY(Frame()->CommandAction(57616)->text().endsWith(QLatin1String("later.kpproj")));
        QCOMPARE(file->actions().last(), Frame()->CommandAction(57616));
    }

    void saveIsDisabledWithoutAnInput() {
        Frame()->UpdateMenu(Frame()->TopMenu(0));
        QVERIFY(!Frame()->CommandAction(2006)->isEnabled());
        QVERIFY(!Frame()->CommandAction(3081)->isEnabled());
        QVERIFY(Frame()->CommandAction(2005)->isEnabled());
        const QString input = m_files.path() + QStringLiteral("/clip.mp4");
        QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!QFile::exists(input + QStringLiteral(".kpproj")));

        SceneTab(Dlg()).Data().input_file = input.toStdString();
        Frame()->UpdateMenu(Frame()->TopMenu(0));
        QVERIFY(Frame()->CommandAction(2006)->isEnabled());
        QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
        QTRY_VERIFY(QFile::exists(input + QStringLiteral(".kpproj")));
    }

    void busyTabDisablesCommandsAndTabButtons() {
        auto* sceneButton = Dlg()->findChild<QPushButton*>(QStringLiteral("sceneTabButton"));
        auto* mergeButton = Dlg()->findChild<QPushButton*>(QStringLiteral("mergeTabButton"));
        QCOMPARE(sceneButton->text(), QString::fromUtf8("シーン結合"));
        QCOMPARE(mergeButton->text(), QString::fromUtf8("ビデオ変換"));
        MergeTab(Dlg()).SetPreparingInput(true);
        QVERIFY(!sceneButton->isEnabled() && !mergeButton->isEnabled());
        Frame()->UpdateMenu(Frame()->TopMenu(0));
        QVERIFY(!Frame()->CommandAction(2011)->isEnabled());
        QVERIFY(!Dlg()->OnCommand(2011));
        Frame()->UpdateMenu(Frame()->TopMenu(2));
        QVERIFY(Frame()->CommandAction(2012)->isEnabled());  // automatic save stays available
        QVERIFY(!Frame()->CommandAction(3110)->isEnabled());
        MergeTab(Dlg()).SetPreparingInput(false);
        QVERIFY(sceneButton->isEnabled());

        QTest::mouseClick(mergeButton, Qt::LeftButton);
        QCOMPARE(Dlg()->ActiveTabIndex(), 1);
        QVERIFY(MergeTab(Dlg()).isVisible() && !SceneTab(Dlg()).isVisible());
        QCOMPARE(Dlg()->ActiveTab(), static_cast<TabWindow*>(&MergeTab(Dlg())));
        QTest::mouseClick(mergeButton, Qt::LeftButton);  // the active tab's button does nothing
        QCOMPARE(Dlg()->ActiveTabIndex(), 1);
        QTest::mouseClick(sceneButton, Qt::LeftButton);
        QCOMPARE(Dlg()->ActiveTabIndex(), 0);
    }

    void settingsCommandsToggleBothTabsAndCheckTheMenu() {
        QVERIFY(Dlg()->OnCommand(2012));
        QVERIFY(Dlg()->OnCommand(3111));
        for (int tab = 0; tab < 2; ++tab) {
            QVERIFY(Dlg()->Page(tab)->Data().auto_save);
            QCOMPARE(Dlg()->Page(tab)->Data().quality, 1);
        }
        Frame()->UpdateMenu(Frame()->TopMenu(2));
        QVERIFY(Frame()->CommandAction(2012)->isChecked());
        QVERIFY(Frame()->CommandAction(3111)->isChecked());
        QVERIFY(!Frame()->CommandAction(3110)->isChecked());
        // Without a CUDA device the CUDA entry can not be used.
        QCOMPARE(Frame()->CommandAction(2010)->isEnabled(), m_app->IsCudaAvailable());
        QCOMPARE(CTarneloApp::ReadSettingsRecord().size(), 892);  // written by the command at once

        // The clock column: shown in the scene list, checked in the menu, kept for the next start.
        auto* list = SceneTab(Dlg()).findChild<SceneListView*>();
        QVERIFY(list->isColumnHidden(SceneListModel::kColClock));
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdClockColumn));
        QVERIFY(!list->isColumnHidden(SceneListModel::kColClock));
        Frame()->UpdateMenu(Frame()->TopMenu(2));
        QVERIFY(Frame()->CommandAction(CTarneloDlg::kCmdClockColumn)->isChecked());
        QVERIFY(CTarneloApp::ReadClockColumnSetting());
        QVERIFY(Dlg()->OnCommand(CTarneloDlg::kCmdClockColumn));
        QVERIFY(list->isColumnHidden(SceneListModel::kColClock));
    }

    // A settings file that cannot be written (here a folder in its place) is told after the menu choice,
    // which stays in force for this run.
    void settingsThatCannotBeWrittenAreTold() {
        const QString file = UiTestEnvironment::Settings().fileName();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
        CAppMsgDlg::SetNoticesSilent(true);
        const int shown = CAppMsgDlg::ShownCount();
        const bool before = Dlg()->Page(0)->Data().auto_save;
        QVERIFY(Dlg()->OnCommand(2012));
        const int shownAfter = CAppMsgDlg::ShownCount();
        const QString message = CAppMsgDlg::LastMessage();
        QVERIFY(QDir(file).removeRecursively());
        QCOMPARE(shownAfter, shown + 1);
        QCOMPARE(message, ResText(3188));
        QCOMPARE(Dlg()->Page(0)->Data().auto_save, !before);
    }

    void languageSwitchChangesEveryMenuText() {
        const QStringList japanese = MenuTexts(Frame()->menuBar());
        Frame()->SetStatusText(0,
                               QString::fromUtf8(JobKindName(kJobKindSceneExtract, true)) + QStringLiteral(" (003)"));
        Frame()->SetStatusText(1, QString::fromUtf8(JobStateName(kJobStateProcessing, true)));
        QVERIFY(Dlg()->OnCommand(2008));
        const QStringList english = MenuTexts(Frame()->menuBar());
        QCOMPARE(english.size(), japanese.size());
        for (int i = 0; i < english.size(); ++i) {
            QVERIFY2(english[i] != japanese[i], qPrintable(english[i]));
        }
        QVERIFY(english.contains(QStringLiteral("E&xit\tAlt+F4")));
        QVERIFY(Frame()->CommandAction(2008)->isChecked());
        QVERIFY(!Frame()->CommandAction(2007)->isChecked());
        QCOMPARE(Dlg()->findChild<QPushButton*>(QStringLiteral("sceneTabButton"))->text(), ResText(3152));
        QCOMPARE(Frame()->StatusText(0), QString::fromUtf8(JobKindName(kJobKindSceneExtract, false)) + " (003)");
        QCOMPARE(Frame()->StatusText(1), QString::fromUtf8(JobStateName(kJobStateProcessing, false)));
        QVERIFY(!SceneTab(Dlg()).Engine().Japanese());
        QCOMPARE(m_app->Language().Current(), QStringLiteral("en-US"));

        QVERIFY(Dlg()->OnCommand(2007));
        QCOMPARE(MenuTexts(Frame()->menuBar()), japanese);
        QCOMPARE(Frame()->StatusText(1), QString::fromUtf8(JobStateName(kJobStateProcessing, true)));
    }

    void closeAsksAndOnlyYesCloses() {
        const int shown = CAppMsgDlg::ShownCount();
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kNo);
        Frame()->close();
        QVERIFY(Frame()->isVisible());
        QCOMPARE(CAppMsgDlg::LastMessage(), QString::fromUtf8("アプリを終了しますか？"));
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kCancel);  // the close box of the question
        QTest::keyClick(Frame(), Qt::Key_F4, Qt::AltModifier);
        QTRY_COMPARE(CAppMsgDlg::ShownCount(), shown + 2);
        QVERIFY(Frame()->isVisible());
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
        QVERIFY(Dlg()->OnCommand(57665));  // the exit command
        QTRY_VERIFY(!Frame()->isVisible());
        QVERIFY(SceneTab(Dlg()).Data().window_rect.right > 0);
        Frame()->show();  // for cleanup()
    }

    void enterClosesNothing() {
        QTest::keyClick(Dlg(), Qt::Key_Return);
        QTest::keyClick(Dlg(), Qt::Key_Enter);
        QVERIFY(Frame()->isVisible());
        QVERIFY(Dlg()->isVisible());
    }

    void maximiseRestoresTheLaidOutSize() {
        QTRY_VERIFY(!Frame()->RecordedSize().isEmpty());
        const QSize recorded = Frame()->RecordedSize();
        Frame()->move(30, 20);
        QTRY_COMPARE(Frame()->pos(), QPoint(30, 20));
        Frame()->showMaximized();
        QTRY_VERIFY(!(Frame()->windowState() & Qt::WindowMaximized));
        QTRY_COMPARE(Frame()->size(), recorded);
        QCOMPARE(Frame()->pos(), QPoint(30, 20));
        Frame()->resize(recorded.width() + 200, recorded.height() + 200);
        QTRY_COMPARE(Frame()->size(), recorded);  // never beyond the laid-out size
    }

    void maximiseBeforeTheFirstLayoutDoesNothing() {
        // A window that has not been laid out yet: a second frame around a fresh dialog.
        auto* dialog = new CTarneloDlg(m_app.get());
        CMainFrame frame(dialog);
        frame.ApplyLanguage();
        frame.resize(400, 300);
        frame.setWindowState(Qt::WindowMaximized);
        QTRY_VERIFY(!(frame.windowState() & Qt::WindowMaximized));
        QCOMPARE(frame.size(), QSize(400, 300));
        QVERIFY(frame.RecordedSize().isEmpty());
    }

    void droppedProjectCompanionOpensTheProject() {
        const QString video = m_files.path() + QStringLiteral("/drop.mp4");
        QFile(video).open(QIODevice::WriteOnly);
        CTarneloData project;
        project.ResetAll(false);
        project.input_file = video.toStdString();
        QVERIFY(project.SaveProject((video + QStringLiteral(".kpproj")).toStdString()));
        Dlg()->DropFiles({video, m_files.path() + QStringLiteral("/other.kpproj")});
        QCOMPARE(QString::fromStdString(SceneTab(Dlg()).Data().project_file), video + QStringLiteral(".kpproj"));
    }

    void dropOnTheWindowGoesToTheActiveTab() {
        const QString project = m_files.path() + QStringLiteral("/dropped.kpproj");
        CTarneloData data;
        data.ResetAll(false);
        QVERIFY(data.SaveProject(project.toStdString()));
        auto drop = [&] {
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(project)});
            const QPoint at = Frame()->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(Frame(), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent event(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(Frame(), &event);
        };
        // The merge tab takes no project, so nothing opens while it is the active one.
        Dlg()->SwitchTab(1);
        drop();
        QVERIFY(SceneTab(Dlg()).Data().project_file.empty());
        Dlg()->SwitchTab(0);
        drop();
        QCOMPARE(QString::fromStdString(SceneTab(Dlg()).Data().project_file), project);
    }

    void recentEntryWhoseFileIsGoneIsRemoved() {
        const QString gone = m_files.path() + QStringLiteral("/gone.kpproj");
        m_app->AddRecentFile(gone);
        Frame()->UpdateMenu(Frame()->TopMenu(0));
        QVERIFY(Frame()->CommandAction(57616));
        Frame()->CommandAction(57616)->trigger();
        QVERIFY(m_app->RecentFiles().At(0).isEmpty());
        QVERIFY(!UiTestEnvironment::Settings().contains(QStringLiteral("Recent Files/File1")));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
