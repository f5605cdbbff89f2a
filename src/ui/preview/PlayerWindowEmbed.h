#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <string>

#include "engine/jobs/AppMessages.h"

class CPreviewPanel;
class CTarneloData;
class CTarneloProcess;
class PlayerPage;
class QWindow;

// The player's own window taken into the preview pane while it plays (on X11; elsewhere the player keeps its
// window): searched for by its title and process once the engine has started it, held in a container of the
// pane, given back to the desktop when the player ends, and grabbed into a still when the engine asks. A search
// gives up when its player is being stopped, has ended or a newer one started.
class PlayerWindowEmbed : public QObject {
public:
    static constexpr const char* kPlayerTitle = "KPREVIEW";
    static constexpr int kSearchAttempts = 100;

    // stopping: true while the player is being stopped.
    PlayerWindowEmbed(CPreviewPanel* panel, CTarneloProcess* engine, const CTarneloData* data, PlayerPage* page,
                      QWidget* pageWidget, std::function<bool()> stopping);

    // Before a playback job starts: the flags of the last player are cleared and the pane's screen position
    // noted. After it started: the window is served until the player is in the pane, its search gave up, or
    // the job ended.
    void BeforePlaybackStart();
    void WaitForPlayer();
    void OnFindPlayer(const FindPlayerMsg& msg);
    // The playback job ended: a search still under way is over, and the window goes back.
    void OnPlayerEnded();
    // Any thread: grabs the embedded player into the input's "_preview.jpg" in the output folder and shows it.
    void CaptureFfplayWindow();
    void SetPlaybackEnded(bool ended) { m_playbackEnded = ended; }
    void GetPlayerPosition(int& x, int& y) const {
        x = m_playerX.load();
        y = m_playerY.load();
    }

    bool Embedded() const { return m_container != nullptr; }
    unsigned long Window() const { return m_playerWindow.load(); }
    QWidget* Container() const { return m_container; }
    // Milliseconds the last search took until it found the window (or gave up).
    qint64 LastSearchMs() const { return m_lastSearchMs; }
    // The still the stop leaves: output_folder + the input's name with "_preview.jpg" for its extension.
    std::string CaptureFile() const;
    // Serves the window for about 10 ms.
    static void ServeWindow();
    // Test hook: the next grab of the player's window fails, as one of a window the server will not read.
    static void FailNextGrab();

private:
    void Embed(unsigned long window);
    void Forget();
    void CaptureOnUiThread();

    CPreviewPanel* m_panel;
    CTarneloProcess* m_engine;
    const CTarneloData* m_data;
    PlayerPage* m_page;
    QWidget* m_pageWidget;
    std::function<bool()> m_stopping;

    QPointer<QWidget> m_container;  // holds the player's window while it is embedded
    QWindow* m_playerQWindow = nullptr;
    std::atomic<unsigned long> m_playerWindow{0};
    int m_searchGeneration = 0;
    bool m_searchOver = true;
    qint64 m_lastSearchMs = -1;
    std::atomic<bool> m_playbackEnded{false};
    std::atomic<int> m_playerX{0};
    std::atomic<int> m_playerY{0};
};
