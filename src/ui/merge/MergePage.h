#pragma once

class CTabPage;
struct FrameRate;
struct FrameSize;

// What the parts of the merge tab ask of the page that holds them, beyond what every tab page offers.
class MergePage {
public:
    virtual ~MergePage() = default;

    virtual CTabPage& Page() = 0;
    // The output's frame size and rate of the current choice.
    virtual FrameSize Size() const = 0;
    virtual FrameRate Rate() const = 0;
    // Stops a playing preview, nothing else.
    virtual void StopPlayer() = 0;
    virtual void RefreshMergeInfo() = 0;
    // Every control off but the stop button, while the page's own work runs.
    virtual void DisableAll() = 0;
    // Empties the list and deletes the converted files of the current choice.
    virtual void ClearList() = 0;
};
