#pragma once

class CTabPage;

// What the parts of the scene tab ask of the page that holds them, beyond what every tab page offers: the
// page's own refreshes, and the few steps of one part that another part's work ends with.
class ScenePage {
public:
    virtual ~ScenePage() = default;

    virtual CTabPage& Page() = 0;
    // The stop button: stops a running job or the input preparation.
    virtual void StopRunning() = 0;
    // Stops a playing preview, nothing else.
    virtual void StopPlayer() = 0;
    // A new still of the selected scene.
    virtual void RefreshPreview() = 0;
    virtual void RefreshMergeInfo() = 0;
    // Cuts in the background every listed scene whose file does not exist.
    virtual void QueueMissingSegments() = 0;
    // Every control off but the stop button, while the page's own work runs.
    virtual void DisableAll() = 0;
    // Writes the project when automatic save is on or force is set.
    virtual void AutoSave(bool force) = 0;
    // Empties the scene list (rebuild: the default one-scene list) and deletes the segment files.
    virtual void ResetSceneList(bool rebuild) = 0;
};
