#pragma once

#include <QString>

// What the main dialog asks of the window around it. The window implements it, so the dialog never names the
// window and the two do not include each other.
class FrameLink {
public:
    virtual ~FrameLink() = default;
    // The menu, accelerators, status-bar defaults and title from the current library.
    virtual void ApplyLanguage() = 0;
    // The job name and state panes, carried over into the other language's tables.
    virtual void TranslateJobPanes(bool toJapanese) = 0;
    virtual void SetStatusText(int pane, const QString& text) = 0;
    virtual void ResetStatusBar() = 0;
    // Closes the window once the current event has been handled.
    virtual void CloseLater() = 0;
};
