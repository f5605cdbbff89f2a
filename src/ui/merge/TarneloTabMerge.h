#pragma once

#include "ui/common/TabPage.h"

// The merge tab (page 2016): several videos converted to one frame size and rate and joined. Its controls
// come with the merge workflow.
class CTarneloTabMerge : public CTabPage {
    Q_OBJECT
public:
    CTarneloTabMerge(TabHost* host, bool cudaPresent, QWidget* parent);

    // The new-project command while this tab is active: stop the job, reset the data keeping nothing.
    void NewProject() override;
};
