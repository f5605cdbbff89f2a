#include "ui/main/TarneloDlg.h"

#include <QCoreApplication>
#include <QFrame>
#include <algorithm>

#include "app/AppAboutDlg.h"
#include "app/AppHelpDialog.h"
#include "app/AppMsgDlg.h"
#include "app/AppShell.h"
#include "app/DialogUnits.h"
#include "app/Language.h"
#include "app/RecentFileList.h"
#include "platform/Path.h"
#include "ui/common/TabPage.h"
#include "ui/main/FrameLink.h"
#include "ui/main/PageScrollArea.h"
#include "ui/main/ProjectExport.h"
#include "ui/main/TabButton.h"
// The only place that knows the concrete pages: they are made here and used through CTabPage after.
#include "ui/merge/TarneloTabMerge.h"
#include "ui/scene/SceneUndo.h"
#include "ui/scene/TarneloTabScene.h"

CTarneloDlg::CTarneloDlg(AppShell* app, QWidget* parent) : QWidget(parent), m_app(app) {
    setObjectName(QStringLiteral("mainDialog"));
    const bool cuda = app->IsCudaAvailable();
    m_sceneButton = new CTabButton(this);
    m_sceneButton->setObjectName(QStringLiteral("sceneTabButton"));
    m_mergeButton = new CTabButton(this);
    m_mergeButton->setObjectName(QStringLiteral("mergeTabButton"));
    m_pageFrame = new QFrame(this);
    m_pageFrame->setObjectName(QStringLiteral("pageFrame"));
    m_pageFrame->setFrameShape(QFrame::Box);
    m_pageScroll = new PageScrollArea(this);
    m_pages[0] = new CTarneloTabScene(this, cuda, m_pageScroll->PageHost());
    m_pages[1] = new CTarneloTabMerge(this, cuda, m_pageScroll->PageHost());
    m_pages[1]->hide();
    for (CTabPage* page : m_pages) m_pageScroll->AddPage(page);
    m_sceneButton->SetActive(true);
    connect(m_sceneButton, &QPushButton::clicked, this, [this] { SwitchTab(0); });
    connect(m_mergeButton, &QPushButton::clicked, this, [this] { SwitchTab(1); });
    RefreshLanguageTexts();
}

CTarneloDlg::~CTarneloDlg() {
    if (m_manual) delete m_manual.data();
    // Normally stopped already, before the window began to go; each page goes before the next is asked, so
    // none reports to a page that is gone.
    for (int index : {1, 0}) {
        CTabPage* page = m_pages[index];
        page->Shutdown();
        m_pages[index] = nullptr;
        delete page;
    }
}

void CTarneloDlg::ShutdownPages() {
    for (int index : {1, 0}) {
        if (m_pages[index] != nullptr) m_pages[index]->Shutdown();
    }
}

bool CTarneloDlg::Japanese() const { return m_app->Language().IsJapanese(); }

TabWindow* CTarneloDlg::ActiveTab() { return Page(m_activeTab.load()); }  // nullptr while closing

void CTarneloDlg::PumpMessages() { QCoreApplication::processEvents(); }

void CTarneloDlg::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

QSize CTarneloDlg::sizeHint() const { return DluSize(this, 565, 340); }

QSize CTarneloDlg::minimumSizeHint() const {
    // The tab buttons stay whole, over a page area with room for its scroll bars; the page scrolls in it.
    const QSize button = TabButtonSize();
    const int margin = DluX(this, 4);
    return QSize(2 * margin + 2 * button.width(), 2 * margin + button.height() + DluY(this, 20));
}

QSize CTarneloDlg::TabButtonSize() const {
    // Both buttons one width, never narrower than the longer caption of the current language.
    QSize button = DluSize(this, 60, 14);
    for (const CTabButton* b : {m_sceneButton, m_mergeButton}) {
        button.setWidth(std::max(button.width(), b->fontMetrics().horizontalAdvance(b->text()) + DluX(this, 8)));
    }
    return button;
}

QRect CTarneloDlg::PageRect(const QSize& dialog) const {
    const int margin = DluX(this, 4);
    const int top = margin + TabButtonSize().height();
    // The pages sit 2 pixels inside the frame placeholder.
    return QRect(margin, top, dialog.width() - 2 * margin, dialog.height() - top - margin).adjusted(2, 2, -2, -2);
}

void CTarneloDlg::LayOut() {
    const QSize button = TabButtonSize();
    const int margin = DluX(this, 4);
    m_sceneButton->setGeometry(margin, margin, button.width(), button.height());
    m_mergeButton->setGeometry(margin + button.width(), margin, button.width(), button.height());
    const QRect pages = PageRect(size());
    m_pageFrame->setGeometry(pages.adjusted(-2, -2, 2, 2));
    m_pageScroll->setGeometry(pages);
    // The pages keep the size they have in the laid-out window; a smaller window scrolls them.
    m_pageScroll->SetPageSize(PageRect(sizeHint()).size());
}

void CTarneloDlg::SwitchTab(int index) {
    if (index == m_activeTab.load() || (index != 0 && index != 1)) return;
    Page(m_activeTab.load())->StopJob();
    m_activeTab = index;
    Page(index)->show();
    Page(1 - index)->hide();
    m_sceneButton->SetActive(index == 0);
    m_mergeButton->SetActive(index == 1);
    update();
}

bool CTarneloDlg::AnyTabBusy() const {
    // The first page asks while the second is still being made.
    for (const CTabPage* page : m_pages) {
        if (page != nullptr && page->IsBusy()) return true;
    }
    return false;
}

void CTarneloDlg::UpdateTabButtons() {
    const bool enabled = !AnyTabBusy();
    m_sceneButton->setEnabled(enabled);
    m_mergeButton->setEnabled(enabled);
}

CTarneloDlg::CommandState CTarneloDlg::QueryCommand(int id) const {
    const CTarneloData& data = Page(0)->Data();
    const bool idle = !AnyTabBusy();
    CommandState s;
    switch (id) {
        case kCmdNew:
        case kCmdOpen:
            s.enabled = idle;
            break;
        case kCmdSave:
        case kCmdSaveAs:
            s.enabled = idle && !data.input_file.empty();
            break;
        case kCmdCuda:
            s = {idle && m_app->IsCudaAvailable(), true, data.use_cuda};
            break;
        case kCmdAutoSave:
            s = {true, true, data.auto_save};
            break;
        case kCmdAutoLoad:
            s = {true, true, data.auto_load};
            break;
        case kCmdClockColumn:
            s = {true, true, data.show_clock_column};
            break;
        case kCmdQualityHighest:
        case kCmdQualityStandard:
        case kCmdQualityLow:
            s = {idle, true, data.quality == id - kCmdQualityHighest};
            break;
        case kCmdJapanese:
        case kCmdEnglish:
            s = {true, true, Japanese() == (id == kCmdJapanese)};
            break;
        case kCmdUndo:
        case kCmdRedo: {
            // The scene tab's list is the one with a history; the merge tab has none.
            const SceneUndo& history = static_cast<const CTarneloTabScene*>(Page(0))->History();
            s.enabled = idle && m_activeTab.load() == 0 && (id == kCmdUndo ? history.CanUndo() : history.CanRedo());
            break;
        }
        default:
            if (id >= kCmdRecentFirst && id <= kCmdRecentLast) s.enabled = idle;
            // An export reads the scene list, which a job may be changing.
            if (IsExportCommand(id)) s.enabled = idle && !data.input_file.empty();
            break;
    }
    return s;
}

void CTarneloDlg::SetBoth(void (*apply)(CTarneloData&, int), int value) {
    for (CTabPage* page : m_pages) apply(page->Data(), value);
}

void CTarneloDlg::ReloadProject() {
    Page(0)->LoadProjectFile(QString::fromStdString(Page(0)->Data().project_file), true);
    UpdateAllData();
}

bool CTarneloDlg::OnCommand(int id) {
    if (!QueryCommand(id).enabled) return false;
    CTabPage* project = Page(0);
    CTarneloData& data = project->Data();
    switch (id) {
        case kCmdNew:
            Page(m_activeTab.load())->NewProject();
            UpdateAllData();
            return true;
        case kCmdOpen:
            project->OpenProject();
            return true;
        case kCmdSave:
            project->SaveProject();
            return true;
        case kCmdSaveAs:
            project->SaveProjectAs();
            return true;
        case kCmdCuda:
            SetBoth([](CTarneloData& d, int v) { d.use_cuda = v != 0; }, !data.use_cuda);
            ReloadProject();
            SaveSettings();
            return true;
        case kCmdAutoSave:
            SetBoth([](CTarneloData& d, int v) { d.auto_save = v != 0; }, !data.auto_save);
            SaveSettings();
            return true;
        case kCmdAutoLoad:
            SetBoth([](CTarneloData& d, int v) { d.auto_load = v != 0; }, !data.auto_load);
            SaveSettings();
            return true;
        case kCmdClockColumn:
            SetBoth([](CTarneloData& d, int v) { d.show_clock_column = v != 0; }, !data.show_clock_column);
            static_cast<CTarneloTabScene*>(project)->ShowClockColumn(data.show_clock_column);
            SaveSettings();
            return true;
        case kCmdQualityHighest:
        case kCmdQualityStandard:
        case kCmdQualityLow:
            SetBoth([](CTarneloData& d, int v) { d.quality = v; }, id - kCmdQualityHighest);
            ReloadProject();
            SaveSettings();
            return true;
        case kCmdJapanese:
        case kCmdEnglish:
            m_app->Language().LoadLanguage(id == kCmdJapanese ? QStringLiteral("ja-JP") : QStringLiteral("en-US"));
            if (m_frame != nullptr) m_frame->ApplyLanguage();
            RefreshLanguageTexts();
            SaveSettings();
            return true;
        case kCmdUndo:
        case kCmdRedo: {
            SceneUndo& history = static_cast<CTarneloTabScene*>(project)->History();
            if (id == kCmdUndo) {
                history.Undo();
            } else {
                history.Redo();
            }
            return true;
        }
        case kCmdDetails:
            project->OpenInformation(2, 3093);
            return true;
        case kCmdBasic:
            project->OpenInformation(3, 3106);
            return true;
        case kCmdVideoStreams:
            project->OpenInformation(4, 3107);
            return true;
        case kCmdAudioStreams:
            project->OpenInformation(5, 3108);
            return true;
        case kCmdManual:
            OpenManual();
            return true;
        case kCmdAbout: {
            CAppAboutDlg about(this);
            about.exec();
            return true;
        }
        case kCmdExit:
            if (m_frame != nullptr) m_frame->CloseLater();
            return true;
        default:
            if (id >= kCmdRecentFirst && id <= kCmdRecentLast) {
                OpenRecentFile(id - kCmdRecentFirst);
                return true;
            }
            if (IsExportCommand(id)) {
                RunProjectExport(id, data, *this, this);
                return true;
            }
            return false;
    }
}

void CTarneloDlg::OpenManual() {
    if (m_manual) return;
    const QString path = CAppHelpDialog::ManualFilePath(m_app->ProgramFolder(), m_activeTab.load(), Japanese());
    auto* window = new CAppHelpDialog(CAppHelpDialog::ReadManualText(path), this);
    if (!window->Create()) {
        delete window;
        return;
    }
    m_manual = window;
    window->show();
    const QPoint centre = mapToGlobal(rect().center());
    window->move(centre - QPoint(window->width() / 2, window->height() / 2));
}

void CTarneloDlg::OpenRecentFile(int index) {
    CRecentFileList& recent = m_app->RecentFiles();
    if (index >= recent.Size()) return;
    const QString path = recent.At(index);
    if (path.isEmpty() || !platform::FileExists(path.toStdString())) {
        recent.Remove(index);
        m_app->WriteRecentFiles();
        return;
    }
    Page(0)->LoadProjectFile(path, false);
}

void CTarneloDlg::RefreshLanguageTexts() {
    m_sceneButton->setText(ResText(3152));
    m_mergeButton->setText(ResText(3153));
    LayOut();  // the buttons fit the new captions
    const bool japanese = Japanese();
    for (CTabPage* page : m_pages) {
        page->Engine().SetJapanese(japanese);
        page->RefreshTexts();
    }
    if (m_frame != nullptr) m_frame->TranslateJobPanes(japanese);
}

void CTarneloDlg::UpdateAllData() {
    for (CTabPage* page : m_pages) page->UpdateData(true);
}

void CTarneloDlg::DropFiles(const QStringList& files) { Page(m_activeTab.load())->DropFiles(files); }

void CTarneloDlg::SetStatusText(int pane, const QString& text) {
    if (m_frame != nullptr) m_frame->SetStatusText(pane, text);
}

void CTarneloDlg::ResetStatusBar() {
    if (m_frame != nullptr) m_frame->ResetStatusBar();
}

void CTarneloDlg::ShowMessage(const QString& text) { CAppMsgDlg::Notice(text, this); }

void CTarneloDlg::SaveSettings() {
    // The choice stays in force for this run either way; only keeping it for the next start failed.
    if (!m_app->SaveSettings()) ShowMessage(ResText(3188));
}
