#pragma once

#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <atomic>

#include "engine/MessageSink.h"

class AppShell;
class CAppHelpDialog;
class CMainFrame;
class CTabPage;
class CTarneloTabMerge;
class CTarneloTabScene;
class QFrame;

// An owner-drawn tab button: highlight colours when active, gray text when disabled, a 1-pixel frame.
class CTabButton : public QPushButton {
    Q_OBJECT
public:
    explicit CTabButton(QWidget* parent) : QPushButton(parent) {}
    void SetActive(bool active) {
        m_active = active;
        update();
    }
    bool IsActive() const { return m_active; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_active = false;
};

// The main dialog (page 102): two tab buttons over the two tab pages; it carries out the menu commands.
class CTarneloDlg : public QWidget, public MainWindowLink {
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

    AppShell& App() const { return *m_app; }
    void SetFrame(CMainFrame* frame) { m_frame = frame; }
    CMainFrame* Frame() const { return m_frame; }
    bool Japanese() const;

    CTarneloTabScene& SceneTab() const { return *m_scene; }
    CTarneloTabMerge& MergeTab() const { return *m_merge; }
    CTabPage* Page(int index) const;
    int ActiveTabIndex() const { return m_activeTab.load(); }

    // A click on a tab button: the page left stops its job, the other page shows.
    void SwitchTab(int index);
    // Both buttons are disabled while either tab is busy.
    void UpdateTabButtons();
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
    // A one-button notice (save failures and the like).
    void ShowMessage(const QString& text);

    CAppHelpDialog* ManualWindow() const { return m_manual; }

    TabWindow* ActiveTab() override;
    void PumpMessages() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayOut();
    void SetBoth(void (*apply)(class CTarneloData&, int), int value);
    void ReloadProject();
    void OpenManual();
    void OpenRecentFile(int index);

    AppShell* m_app;
    CMainFrame* m_frame = nullptr;
    CTarneloTabScene* m_scene;
    CTarneloTabMerge* m_merge;
    CTabButton* m_sceneButton;
    CTabButton* m_mergeButton;
    QFrame* m_pageFrame;
    std::atomic<int> m_activeTab{0};
    QPointer<CAppHelpDialog> m_manual;
};
