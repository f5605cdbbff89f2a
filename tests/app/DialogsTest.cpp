// The small dialogs and controls: message box answers, in-place edit notification, file-name selection,
// manual files per tab and language, the information viewer's modes, the about box.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/AppAboutDlg.h"
#include "app/AppEdit.h"
#include "app/AppFileDialog.h"
#include "app/AppHelpDialog.h"
#include "app/AppMsgDlg.h"
#include "engine/jobs/AppMessages.h"
#include "engine/jobs/MessageSink.h"
#include "ui/WindowTestBase.h"

namespace {

struct EditSink : MessageSink {
    QStringList texts;
    LParam Send(unsigned message, WParam wParam, LParam lParam) override {
        if (message == WM_APP_EDIT_DONE) texts << QString::fromUtf8(EditDoneMsg::Decode(wParam, lParam).text);
        return 0;
    }
    void Post(unsigned, WParam, LParam) override {}
};

struct FakeSource : MediaInfoSource {
    QString path;
    bool ok = true;
    QString CurrentMediaPath() const override { return path; }
    bool MediaReport(const QString& p, int kind, QString& text) override {
        text = QStringLiteral("report %1 of %2").arg(kind).arg(p);
        return ok;
    }
};

}  // namespace

class DialogsTest : public WindowTestBase {
    Q_OBJECT
public:
    DialogsTest() : WindowTestBase({}) {}

private:
    CLanguage m_language;

    void PrepareRun() override {
        m_language.SetSearchFolder(QStringLiteral(TARNELO_RESOURCE_DIR));
        QVERIFY(m_language.LoadLanguage(QStringLiteral("ja-JP")));
    }

private slots:
    void messageBoxAnswersByButtonAndCloseBoxConfirmsNothing() {
        struct Case {
            const char* button;
            int answer;
        };
        for (const Case c : {Case{"yesButton", CAppMsgDlg::kYes}, Case{"noButton", CAppMsgDlg::kNo}, Case{"", 2}}) {
            CAppMsgDlg dlg(QStringLiteral("question"));
            QCOMPARE(dlg.windowTitle(), QStringLiteral("Tarnelo"));
            QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("yesButton"))->text(), QString::fromUtf8("はい"));
            QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("messageText"))->text(), QStringLiteral("question"));
            const QString button = QString::fromLatin1(c.button);
            QTimer::singleShot(0, &dlg, [&dlg, button] {
                if (button.isEmpty()) {
                    dlg.close();  // the close box
                } else {
                    dlg.findChild<QPushButton*>(button)->click();
                }
            });
            QCOMPARE(dlg.DoModal(), c.answer);
        }
    }

    void editReportsOnEnterAndOnLosingFocus() {
        EditSink sink;
        QWidget window;
        auto* edit = new CAppEdit(&window, &sink);
        auto* other = new QLineEdit(&window);
        other->move(0, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("12.5"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(sink.texts, QStringList{QStringLiteral("12.5")});
        QTest::keyClick(edit, Qt::Key_Backspace);
        other->setFocus();
        QTRY_COMPARE(sink.texts.size(), 2);
        QCOMPARE(sink.texts[1], QStringLiteral("12."));
        edit->SetOwner(nullptr);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(sink.texts.size(), 2);
    }

    void openDialogSelectsTheInitialName() {
        QTemporaryDir dir;
        for (bool open : {true, false}) {
            CAppFileDialog dlg(open, QStringLiteral("kpproj"), QStringLiteral("clip.kpproj"),
                               QStringLiteral("Project Files (*.kpproj)|*.kpproj||"));
            dlg.SetInitialFolder(dir.path());
            QCOMPARE(dlg.nameFilters(), QStringList{QStringLiteral("Project Files (*.kpproj)")});
            dlg.show();
            auto* name = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            QTRY_COMPARE(name->text(), QStringLiteral("clip.kpproj"));
            if (open) {
                QTRY_COMPARE(name->selectedText(), QStringLiteral("clip.kpproj"));
                QTest::keyClicks(name, QStringLiteral("new"));
                QCOMPARE(name->text(), QStringLiteral("new"));
            }
            // A save dialog is left as the toolkit places the caret.
        }
        CAppFileDialog::SetNextFileName(QStringLiteral("/tmp/x.kpproj"));
        CAppFileDialog hooked(true, QString(), QString(), QString());
        QCOMPARE(hooked.DoModal(), int(QDialog::Accepted));
        QCOMPARE(hooked.GetPathName(), QStringLiteral("/tmp/x.kpproj"));
    }

    void manualFileFollowsTabAndLanguage() {
        QCOMPARE(CAppHelpDialog::ManualFilePath(QStringLiteral("/opt/t"), 0, true),
                 QStringLiteral("/opt/t/doc/manual_ja.txt"));
        QCOMPARE(CAppHelpDialog::ManualFilePath(QStringLiteral("/opt/t"), 0, false),
                 QStringLiteral("/opt/t/doc/manual_en.txt"));
        QCOMPARE(CAppHelpDialog::ManualFilePath(QStringLiteral("/opt/t"), 1, true),
                 QStringLiteral("/opt/t/doc/manual2_ja.txt"));
        QCOMPARE(CAppHelpDialog::ManualFilePath(QStringLiteral("/opt/t"), 1, false),
                 QStringLiteral("/opt/t/doc/manual2_en.txt"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("m.txt"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("line 1\r\nline 2\n\nlast\n");
        }
        QCOMPARE(CAppHelpDialog::ReadManualText(file), QStringLiteral("line 1\nline 2\n\nlast"));
        QVERIFY(CAppHelpDialog::ReadManualText(dir.filePath(QStringLiteral("missing.txt"))).isEmpty());

        auto* manual = new CAppHelpDialog(QStringLiteral("text"), nullptr);
        QPointer<CAppHelpDialog> watch(manual);
        QVERIFY(manual->Create());
        manual->show();
        QCOMPARE(manual->windowTitle(), QString::fromUtf8("操作マニュアル"));
        QVERIFY(!manual->findChild<QPushButton*>(QStringLiteral("fileSelectButton"))->isVisible());
        QVERIFY(!manual->findChild<QPushButton*>(QStringLiteral("playButton"))->isVisible());
        manual->close();
        QTRY_VERIFY(watch.isNull());  // it deletes itself, the opener's reference clears
    }

    void informationViewerShowsTheReportOrEnds() {
        FakeSource source;
        source.path = QStringLiteral("/v/clip.mp4");
        auto* info = new CAppHelpDialog(&source, 3, 3106, nullptr);
        QVERIFY(info->Create());
        info->show();
        QCOMPARE(info->windowTitle(), QString::fromUtf8("基本情報"));
        QCOMPARE(info->Text(), QStringLiteral("report 3 of /v/clip.mp4"));
        QVERIFY(info->findChild<QPushButton*>(QStringLiteral("fileSelectButton"))->isVisible());
        QVERIFY(info->findChild<QPushButton*>(QStringLiteral("playButton"))->isVisible());
        CAppFileDialog::SetNextFileName(QStringLiteral("/v/other.mkv"));
        info->findChild<QPushButton*>(QStringLiteral("fileSelectButton"))->click();
        QCOMPARE(info->Text(), QStringLiteral("report 3 of /v/other.mkv"));
        delete info;

        source.path.clear();  // nothing shown: the user chooses, and cancelling ends the dialog
        CAppFileDialog::SetNextFileName(QString());
        CAppHelpDialog cancelled(&source, 2, 3093, nullptr);
        QVERIFY(!cancelled.Create());
        source.path = QStringLiteral("/v/clip.mp4");
        source.ok = false;
        CAppHelpDialog failing(&source, 4, 3107, nullptr);
        QVERIFY(!failing.Create());
    }

    void aboutBoxShowsVersionAndNotice() {
        CAppAboutDlg about;
        QCOMPARE(about.windowTitle(), QString::fromUtf8("Tarnelo について"));
        QVERIFY(about.findChild<QLabel*>(QStringLiteral("versionText"))
                    ->text()
                    .startsWith(QLatin1String("Tarnelo Version 1.")));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("ffmpegNotice"))->text(),
                 QStringLiteral("Includes FFmpeg (LGPL v2.1)."));
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
