#pragma once

#include <functional>
#include <vector>

#include "ui/common/PlayerPage.h"

class CTabPage;
class QPushButton;
class QWidget;

// What the player controls ask of a tab, answered as both tabs answer: a playback starts as the tab starts every
// job, a stop waits for the job and settles the controls, and the reports are the page's. Where the selected
// row starts and where the rows begin in the output are each tab's own.
class PagePlayerHooks : public PlayerPage {
public:
    // start: the tab's job start; stop: its stop button; list: its list, whose focus the seek buttons read.
    PagePlayerHooks(CTabPage& page, const char* logTag, std::function<void(int)> start, QPushButton* stop,
                    QWidget* list);

    // Stops a playing preview, nothing else.
    void StopPlayer();

    void StartPlayback(int job) override;
    void StopPlayback() override;
    bool SelectedSceneIsLast() const override;
    bool SceneJobRunning() const override;
    bool ListHasFocus() const override;
    void PlayerChanged() override;
    void PlayerSettingsChanged() override {}
    MediaInfoSource& ReportSource() override;
    const char* CaptureLogTag() const override { return m_logTag; }

protected:
    CTabPage& m_page;

private:
    const char* m_logTag;
    std::function<void(int)> m_start;
    QPushButton* m_stop;
    QWidget* m_list;
};
