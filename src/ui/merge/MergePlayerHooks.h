#pragma once

#include <vector>

#include "ui/common/PagePlayerHooks.h"
#include "ui/merge/MergePage.h"

class MergeListEditor;

// The merge tab's side of its player: a click on a video of the list shows it, a video plays from its own first
// frame, and the analysed videos follow one another in the output at the output rate.
class MergePlayerHooks : public PagePlayerHooks {
public:
    MergePlayerHooks(MergePage& page, const MergeTabPanels& panels, const MergeListEditor& lists,
                     std::function<void(int)> start);

    // Shows the video of row in the player: its converted file once there is one, else the video as it is,
    // probed first when it has not been analysed.
    void OnRowClicked(int row, int column);

    int SelectedSceneStart() const override;
    std::vector<int> OutputStarts() const override;

private:
    MergePage& m_merge;
    const MergeTabPanels& m_panels;  // the page's: its player is built after these hooks
    const MergeListEditor& m_lists;
    bool m_probing = false;  // a clicked video that was not analysed is being probed
};
