#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <string>
#include <vector>

#include "app/AppHelpDialog.h"
#include "engine/jobs/AppMessages.h"
#include "ui/common/PlayerPage.h"
#include "ui/common/TabPage.h"
#include "ui/preview/PlayerWindowEmbed.h"
#include "ui/preview/SeekRules.h"

class CAppHelpDialog;
class CPreviewPanel;
class CTarneloData;
class CTarneloProcess;
class QMenu;
class QSlider;
class QWidget;
class QWindow;

// The player of a tab's preview pane: play and stop, the seek buttons and slider, the volume, the two
// information lines, the details window, the pane's menu, and the embedding of the player's own window into
// the pane while it plays. The engine keeps the player file, frame and position; this keeps what only the
// window knows (drags, the embedded window).
class CPlayerControl : public QObject, public MediaInfoSource, public PagePlayer {
    Q_OBJECT
public:
    CPlayerControl(CPreviewPanel* panel, CTarneloProcess* engine, CTarneloData* data, PlayerPage* page,
                   QWidget* pageWidget);
    ~CPlayerControl() override;

    // 1027 / 1028: stops a player and opens the input (its working copy when there is one) or the output.
    void OpenVideo(int job);
    // 1060.
    void TogglePlay();
    void Seek(SeekButton button);
    // Every seek ends here: a stopped player shows the still at frame, a playing one starts again there.
    void SeekToFrame(int frame);
    // The volume slider's value becomes play_vol; a running player starts again to take it.
    void ApplyVolume(int volume);
    // 3092 and the menu's "プロパティ(&R)".
    void ShowDetails();
    CAppHelpDialog* DetailsWindow() const { return m_details; }
    // The pane's menu (3115), or nullptr while it offers nothing (no file, or a scene job runs).
    QMenu* BuildPaneMenu(QWidget* parent);
    void RunMenuCommand(int id);

    // The video in the player (empty when none).
    std::string PlayerFile() const;
    // The job the player file plays as: 1027 input, 1028 output, 1029 a scene.
    int PlayerMode() const;

    // The engine's messages and hooks, routed by the page.
    void OnPlayPosition(const PlayPositionMsg& msg) override;
    void OnFindPlayer(const FindPlayerMsg& msg) override { m_embed->OnFindPlayer(msg); }
    void OnProcessFinished(const ProcessFinishedMsg& msg);
    bool IsPositionSliderHeld() const override { return m_seekDrag.load(); }
    void SetPlaybackEnded(bool ended) override { m_embed->SetPlaybackEnded(ended); }
    void GetPlayerPosition(int& x, int& y) const override { m_embed->GetPlayerPosition(x, y); }
    void CaptureFfplayWindow() override { m_embed->CaptureFfplayWindow(); }

    // Around the page's start of a playback job: before, the flags of the last player are cleared and the
    // pane's screen position noted; after, the window is served until the player is in the pane, its search
    // gave up, or the job ended.
    void BeforePlaybackStart() override { m_embed->BeforePlaybackStart(); }
    void WaitForPlayer() override { m_embed->WaitForPlayer(); }

    bool SeekDragging() const { return m_seekDrag.load(); }
    // The player's own window in the pane.
    PlayerWindowEmbed& Embedding() const { return *m_embed; }

    // MediaInfoSource: the information window reports on the player file.
    QString CurrentMediaPath() const override;
    bool MediaReport(const QString& path, int kind, QString& text) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool PlaybackRuns() const;
    int CurrentJob() const;
    // Stops the running player; the search for its window gives up meanwhile.
    void StopPlayer();
    // The two lines under the pane for frame of count.
    void ShowLines(int frame, int count);
    void ShowFileLine(int frame, int count);
    // Times of the file in the player: listed ones for a working input of irregular frame times.
    FrameClock PlayerClock() const;
    int LineOffset() const;
    // The recording's date and time at frame of the file shown (the input or a scene's cut); empty for the
    // merged output, or when the project has no clock time.
    QString ClockTextAt(int frame) const;
    bool SliderPress(QSlider* slider, int x);
    void SeekDragMove(int x);
    void SeekDragEnd();
    void SetSliderFromPoint(QSlider* slider, int x);

    CPreviewPanel* m_panel;
    CTarneloProcess* m_engine;
    CTarneloData* m_data;
    PlayerPage* m_page;
    QWidget* m_pageWidget;
    PlayerWindowEmbed* m_embed;

    QPointer<CAppHelpDialog> m_details;

    std::atomic<bool> m_seekDrag{false};
    bool m_volumeDrag = false;
    bool m_stoppedForSeek = false;
    bool m_resumeAfterSeek = false;
    int m_resumeJob = 0;
    int m_pendingSeek = -1;  // a seek asked for while the drag's stop was under way
    bool m_seeking = false;
    bool m_applyingVolume = false;
    bool m_stopping = false;
    bool m_opening = false;

    std::string m_fileLineOf;  // the file the file line describes
};
