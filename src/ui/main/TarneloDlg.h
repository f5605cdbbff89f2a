#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <QWidget>
#include <atomic>

#include "app/AppHelpDialog.h"
#include "ui/common/TabHost.h"

class AppShell;
class FrameLink;
class CTabButton;
class CTabPage;
class PageScrollArea;
class QFrame;

// The main dialog (page 102): two tab buttons over the two tab pages; it carries out the menu commands.
class CTarneloDlg : public QWidget, public TabHost {
    Q_OBJECT
public:
    // Command ids of the menu and the accelerators.
    enum Command {
        kCmdNew = 2011,
        kCmdOpen = 2005,
        kCmdSave = 2006,
        kCmdSaveAs = 3081,
        kCmdExit = 57665,
        kCmdCuda = 2010,
        kCmdAutoSave = 2012,
        kCmdAutoLoad = 2013,
        kCmdQualityHighest = 3110,
        kCmdQualityStandard = 3111,
        kCmdQualityLow = 3112,
        kCmdJapanese = 2007,
        kCmdEnglish = 2008,
        kCmdDetails = 3096,
        kCmdBasic = 3103,
        kCmdVideoStreams = 3104,
        kCmdAudioStreams = 3105,
        kCmdManual = 1095,
        kCmdAbout = 57664,
        kCmdUndo = 3200,
        kCmdRedo = 3201,
        kCmdClockColumn = 3262,
        kCmdRecentFirst = 57616,
        kCmdRecentLast = 57631,
    };

    struct CommandState {
        bool enabled = true;
        bool checkable = false;
        bool checked = false;
    };

    CTarneloDlg(AppShell* app, QWidget* parent = nullptr);
    ~CTarneloDlg() override;

    void SetFrame(FrameLink* frame) { m_frame = frame; }
    FrameLink* Frame() const { return m_frame; }

    // Page 0 is the scene tab, which also holds the project the file commands act on; page 1 the merge tab.
    CTabPage* Page(int index) const { return m_pages[index == 0 ? 0 : 1]; }
    // Stops the pages' work, the merge page first, so that none reports to a page that has stopped.
    void ShutdownPages();
    int ActiveTabIndex() const { return m_activeTab.load(); }

    // A click on a tab button: the page left stops its job, the other page shows.
    void SwitchTab(int index);
    bool AnyTabBusy() const;

    CommandState QueryCommand(int id) const;
    // Runs a command when its state allows it; false when it is disabled or unknown.
    bool OnCommand(int id);
    // The language refresh of the dialog's texts, both pages and the status bar.
    void RefreshLanguageTexts();
    // Moves data to the controls of the dialog and both pages.
    void UpdateAllData();
    // Dropped files go to the active page.
    void DropFiles(const QStringList& files);
    CAppHelpDialog* ManualWindow() const { return m_manual; }

    // TabHost
    AppShell& App() const override { return *m_app; }
    bool Japanese() const override;
    void SetStatusText(int pane, const QString& text) override;
    void ResetStatusBar() override;
    void UpdateTabButtons() override;
    void ShowMessage(const QString& text) override;
    TabWindow* ActiveTab() override;
    void PumpMessages() override;

    // The size the dialog is laid out at (its template's); the window may be smaller, and the page scrolls.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayOut();
    QSize TabButtonSize() const;
    // Where the pages go in a dialog of this size.
    QRect PageRect(const QSize& dialog) const;
    void SetBoth(void (*apply)(class CTarneloData&, int), int value);
    // Writes the settings after a menu choice; tells the user when they could not be written.
    void SaveSettings();
    void ReloadProject();
    void OpenManual();
    void OpenRecentFile(int index);

    AppShell* m_app;
    FrameLink* m_frame = nullptr;
    CTabPage* m_pages[2] = {nullptr, nullptr};
    CTabButton* m_sceneButton;
    CTabButton* m_mergeButton;
    QFrame* m_pageFrame;
    PageScrollArea* m_pageScroll = nullptr;
    std::atomic<int> m_activeTab{0};
    QPointer<CAppHelpDialog> m_manual;
};
