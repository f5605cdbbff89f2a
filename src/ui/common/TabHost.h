#pragma once

#include <QString>

#include "engine/jobs/MessageSink.h"

class AppShell;

// What a tab page asks of the window around it. The pages know only this, never the main window's classes.
class TabHost : public MainWindowLink {
public:
    // The stretching pane of the status bar, for a page's one-line notes.
    static constexpr int kMessagePane = 4;

    virtual AppShell& App() const = 0;
    virtual bool Japanese() const = 0;
    virtual void SetStatusText(int pane, const QString& text) = 0;
    // Status panes back to their default texts.
    virtual void ResetStatusBar() = 0;
    // Both tab buttons are disabled while either tab is busy.
    virtual void UpdateTabButtons() = 0;
    // A one-button notice (save failures and the like).
    virtual void ShowMessage(const QString& text) = 0;
};
