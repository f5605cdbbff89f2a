#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <QString>
#include <map>
#include <optional>
#include <vector>

#include "app/AppWindow.h"
#include "app/ResourceLibrary.h"
#include "project/TarneloData.h"
#include "ui/main/FrameLink.h"

class CTarneloDlg;
class QAction;
class QLabel;
class QMenu;
class QShortcut;

// The main window: menu 128 and accelerators 128 of the current library, the status bar, the main dialog
// as its content, the close confirmation and the size limit.
class CMainFrame : public QMainWindow, public AppWindow, public FrameLink {
    Q_OBJECT
public:
    static constexpr int kPaneCount = 5;

    explicit CMainFrame(CTarneloDlg* dialog);
    ~CMainFrame() override;

    CTarneloDlg* Dialog() const { return m_dialog; }

    // Rebuilds the menu from the current library, checks the language entry, reloads the accelerators and
    // the status-bar defaults where nothing else is shown, and rebuilds the title.
    void ApplyLanguage() override;
    // The action of a command id in the menu (nullptr when none).
    QAction* CommandAction(int id) const;
    QMenu* TopMenu(int index) const;
    // Brings the entries of a popup up to date: enabling, check marks and the recent files.
    void UpdateMenu(QMenu* menu);

    void SetStatusText(int pane, const QString& text) override;
    QString StatusText(int pane) const;
    // Panes back to their default texts.
    void ResetStatusBar() override;
    // The job name and state panes, carried over into the other language's tables.
    void TranslateJobPanes(bool toJapanese) override;
    void CloseLater() override;

    // Sizes the window around the dialog, no larger than its screen, and records the laid-out size: from then
    // on the window can not grow past it.
    void FirstLayout();
    // Puts the window where it was last closed (the stored window_rect), when that place is on a screen.
    void RestorePosition() override;
    // Empty before the first layout; never smaller than what the menu and status bar need now.
    QSize RecordedSize() const;

    void SetTitle(const std::string& title);
    // Closes without the confirmation and ends the program: for a termination request from the system.
    void CloseWithoutAsking() override;
    void StopAllWork() override;

    // AppWindow
    CTarneloData& TabData(int tab) override;
    void RefreshLanguageTexts() override;
    void ShowWindow() override { show(); }
    void OpenProjectFile(const QString& path) override;
    void OpenDroppedFiles(const QStringList& files) override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenu(QMenu* menu, const std::vector<MenuResource>& items);
    void BuildStatusBar();
    void LoadAccelerators();
    void OnMaximize();
    void UpdateLockPanes();
    void CorrectRestoredPosition();
    void FitScreen();

    CTarneloDlg* m_dialog;
    std::map<int, QAction*> m_actions;
    std::vector<QShortcut*> m_shortcuts;
    QMenu* m_recentMenu = nullptr;  // the menu that lists the recent files
    QLabel* m_panes[kPaneCount] = {};
    std::vector<QLabel*> m_lockPanes;
    QSize m_recordedSize;
    bool m_laidOut = false;
    bool m_closeWithoutAsking = false;
    std::optional<QPoint> m_restoredCorner;  // the stored corner until the frame is known to be there
};
