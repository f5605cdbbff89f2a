// The file side every tab shares: each button and edit of the files panel reaches its action (the play buttons
// with their job), and the page hands the main window's project commands to its file actions, or keeps its
// defaults without them.
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "engine/jobs/JobTables.h"
#include "ui/PageFakes.h"
#include "ui/common/FilesPanel.h"
#include "ui/common/PageFileActions.h"

namespace {

class NotingActions : public PageFileActions {
public:
    explicit NotingActions(CTabPage& page) : PageFileActions(page) {}
    QStringList calls;

    void NewProject() override { calls << "new"; }
    int LoadProjectFile(const QString& path, bool force) override {
        calls << "load " + path + (force ? "!" : "");
        return 1;
    }
    void SaveProject() override { calls << "save"; }
    void DropFiles(const QStringList& files) override { calls << "drop " + files.join(','); }
    void ChooseInput() override { calls << "input"; }
    void OpenInputVideo(const QString& path) override { calls << "typed " + path; }
    void ChooseOutputFile() override { calls << "file"; }
    void ChangeOutputFolder(const QString& folder) override { calls << "folder " + folder; }
    void ChangeOutputName(const QString& name) override { calls << "name " + name; }

protected:
    void AfterFolderDeleted() override { calls << "deleted"; }
};

}  // namespace

class PageFileActionsTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<pagefakes::Page> m_page;
    std::unique_ptr<NotingActions> m_actions;
    CFilesPanel* m_panel = nullptr;
    QList<int> m_played;

private slots:
    void initTestCase() { QVERIFY(m_host.LoadStrings()); }
    void init() {
        m_page = std::make_unique<pagefakes::Page>(m_host);
        m_panel = new CFilesPanel(2015, m_page.get());
        m_actions = std::make_unique<NotingActions>(*m_page);
        m_played.clear();
        m_actions->Connect(m_panel, [this](int job) { m_played << job; });
        m_page->show();
    }
    void cleanup() {
        m_actions.reset();
        m_page.reset();
    }

    void eachButtonReachesItsAction_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("played");
        QTest::newRow("input") << "input"
                               << "input" << 0;
        QTest::newRow("output file") << "file"
                                     << "file" << 0;
        QTest::newRow("play input") << "playInput"
                                    << "" << int(kJobInputPreview);
        QTest::newRow("play output") << "playOutput"
                                     << "" << int(kJobOutputPreview);
    }
    void eachButtonReachesItsAction() {
        QFETCH(QString, button);
        QFETCH(QString, call);
        QFETCH(int, played);
        QPushButton* target = button == "input"       ? m_panel->InputButton()
                              : button == "file"      ? m_panel->OutputFileButton()
                              : button == "playInput" ? m_panel->PlayInputButton()
                                                      : m_panel->PlayOutputButton();
        target->setEnabled(true);
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(m_actions->calls, call.isEmpty() ? QStringList() : QStringList{call});
        QCOMPARE(m_played, played ? QList<int>{played} : QList<int>());
    }

    void typedPathsReachTheirActions() {
        for (QLineEdit* edit : {m_panel->InputEdit(), m_panel->OutputFolderEdit(), m_panel->OutputNameEdit()}) {
            edit->setReadOnly(false);
            edit->setEnabled(true);
            edit->setFocus();
            edit->setText(QStringLiteral(" x "));
            QTest::keyClick(edit, Qt::Key_Return);
        }
        QCOMPARE(m_actions->calls, (QStringList{"typed x", "folder x", "name x"}));
    }

    void thePageHandsOnTheProjectCommands() {
        m_page->Data().input_file = "/in.mp4";
        QCOMPARE(m_page->LoadProjectFile(QStringLiteral("/a.kpproj"), true), -1);
        m_page->NewProject();
        QVERIFY(m_page->Data().input_file.empty());  // without file actions: the data is reset
        m_page->DropFiles({QStringLiteral("/b.mp4")});
        m_page->SaveProject();
        QVERIFY(m_actions->calls.isEmpty());

        m_page->Data().input_file = "/in.mp4";
        m_page->AttachFileActions(m_actions.get());
        QCOMPARE(m_page->LoadProjectFile(QStringLiteral("/a.kpproj"), true), 1);
        m_page->NewProject();
        m_page->DropFiles({QStringLiteral("/b.mp4"), QStringLiteral("/c.mp4")});
        m_page->SaveProject();
        m_page->OpenProject();  // the default: nothing
        QCOMPARE(m_actions->calls, (QStringList{"load /a.kpproj!", "new", "drop /b.mp4,/c.mp4", "save"}));
        QCOMPARE(m_page->Data().input_file, std::string("/in.mp4"));
        m_page->AttachFileActions(nullptr);
    }
};

QTEST_MAIN(PageFileActionsTest)
#include "PageFileActionsTest.moc"
