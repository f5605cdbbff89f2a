#pragma once

#include <vector>

#include "app/AppHelpDialog.h"

// What the player controls ask of the page that holds them.
class PlayerPage {
public:
    virtual ~PlayerPage() = default;
    // Starts a playback job (1027, 1028 or 1029) the way the page starts every job.
    virtual void StartPlayback(int job) = 0;
    // Stops the running job and waits for it, serving the window meanwhile.
    virtual void StopPlayback() = 0;
    // The selected scene: its start frame in the input, and whether it is the list's last row; -1 when none.
    virtual int SelectedSceneStart() const = 0;
    virtual bool SelectedSceneIsLast() const = 0;
    // Where the enabled scenes begin in the merged output (-1 for a disabled row).
    virtual std::vector<int> OutputStarts() const = 0;
    virtual bool SceneJobRunning() const = 0;
    virtual bool ListHasFocus() const = 0;
    // The controls' enabling follows a change of the player file or state.
    virtual void PlayerChanged() = 0;
    // A player setting the project keeps (the volume) changed.
    virtual void PlayerSettingsChanged() = 0;
    // The probe reports of the information window.
    virtual MediaInfoSource& ReportSource() = 0;
    // The name the log gives a failed capture of the player's picture.
    virtual const char* CaptureLogTag() const = 0;
};
