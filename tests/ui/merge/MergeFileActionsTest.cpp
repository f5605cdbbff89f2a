// The merge tab's files on a page of its own: converted files move with the output folder, a job whose output is a
// listed video is refused with a message, and clearing the list deletes the converted files of the current choice only.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "engine/merge/ConvertMerge.h"
#include "ui/PageFakes.h"
#include "ui/lists/MergeListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/merge/MergeFileActions.h"
#include "ui/merge/MergeListEditor.h"
#include "ui/merge/MergePage.h"
#include "ui/merge/MergePanels.h"
#include "ui/preview/PreviewPanel.h"

using FakeMergePage = pagefakes::MergePageFake;

class MergeFileActionsTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    QTemporaryDir m_dir;
    std::unique_ptr<FakeMergePage> m_page;
    std::unique_ptr<MergeListEditor> m_lists;
    std::unique_ptr<MergeFileActions> m_files;

    CTarneloData& Data() { return m_page->Data(); }
    std::string Folder() { return m_dir.path().toStdString() + "/"; }
    std::string Converted(const std::string& input) {
        return ConvertedFileName(Folder(), input, m_page->Size(), m_page->Rate());
    }
    static void Touch(const std::string& path) {
        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private slots:
    void initTestCase() { QVERIFY(m_host.LoadStrings()); }
    void init() {
        m_host.messages.clear();
        m_page = std::make_unique<FakeMergePage>(m_host);
        Data().ResetAll(false);
        Data().output_folder = Folder();
        MergeTabPanels panels;
        panels.listModel = new MergeListModel(&Data(), m_page.get());
        panels.listView = new SceneListView(m_page.get());
        panels.listView->SetListModel(panels.listModel);
        panels.preview = new CPreviewPanel(m_page.get());
        panels.jobs = new CMergeJobPanel(m_page.get());
        m_lists = std::make_unique<MergeListEditor>(*m_page, panels.listView, panels.listModel, panels.preview);
        m_files = std::make_unique<MergeFileActions>(*m_page, panels, *m_lists);
        m_page->clearList = [this] { m_files->ClearList(); };
    }
    void cleanup() {
        m_files.reset();
        m_lists.reset();
        m_page.reset();
    }

    void convertedFilesMoveWithTheFolder() {
        Data().Scenes().Assign({SceneEntry(0, 9, Folder() + "a_conv.mp4"), SceneEntry(0, 9, "/kept/b_conv.mp4")}, 0);
        m_files->ChangeOutputFolder(QString::fromStdString(" " + Folder() + "out "));
        QCOMPARE(Data().output_folder, Folder() + "out/");
        QCOMPARE(Data().Scenes().At(0)->fileName, Folder() + "out/a_conv.mp4");
        QCOMPARE(Data().Scenes().At(1)->fileName, std::string("/kept/b_conv.mp4"));
    }

    void aJobWritingAListedVideoIsRefused() {
        Data().output_name = "joined.mp4";
        Data().Scenes().Assign({SceneEntry(0, 9, Converted("/in/a.mp4"))}, 0);
        Data().Scenes().UpdateAll([](SceneEntry& video) { video.m_fileToUse = "/in/a.mp4"; });
        QVERIFY(m_files->AcceptJob());
        QVERIFY(m_host.messages.isEmpty());
        Data().Scenes().UpdateAll([&](SceneEntry& video) { video.m_fileToUse = Data().GetOutputPath(); });
        QVERIFY(!m_files->AcceptJob());
        QCOMPARE(m_host.messages.size(), 1);
    }

    void clearingDeletesTheConvertedFilesOfTheChoice() {
        const std::string mine = Converted("/in/a.mp4");
        const std::string otherChoice = ConvertedFileName(Folder(), "/in/a.mp4", MergeFrameSize(0), MergeFrameRate(0));
        Touch(mine);
        Touch(otherChoice);
        Touch(Folder() + "a.mp4");
        Data().Scenes().Assign({SceneEntry(0, 9, mine)}, 0);
        m_files->ClearList();
        QVERIFY(Data().Scenes().Empty());
        QCOMPARE(Data().list_idx, -1);
        QVERIFY(!QFile::exists(QString::fromStdString(mine)));
        QVERIFY(QFile::exists(QString::fromStdString(otherChoice)));
        QVERIFY(QFile::exists(QString::fromStdString(Folder() + "a.mp4")));
    }
};

QTEST_MAIN(MergeFileActionsTest)
#include "MergeFileActionsTest.moc"
