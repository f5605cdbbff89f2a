#pragma once

// Which controls of the scene tab are enabled, as a function of the tab's state alone (no widgets), so the
// whole table is checked by one test. The merge tab applies the same rule to its own controls.

#include <string>

class CTarneloData;

struct SceneTabState {
    bool sceneJob = false;     // 1006, 1052, 1053, 1057 or 1101 runs
    bool playbackJob = false;  // 1027, 1028 or 1029 runs
    bool anyJob = false;       // any job runs (the engine's current job is not 0)
    bool settled = false;      // asked after a job ended, not right after one started
    bool inputSet = false;
    bool inputExists = false;
    bool outputFolderSet = false;
    bool outputFolderExists = false;
    bool outputNameSet = false;
    bool outputExists = false;
    bool listEmpty = true;
    // The working video as probed: stored size and display rotation in degrees.
    int width = 0;
    int height = 0;
    int rotation = 0;
};

struct SceneControlStates {
    bool files = false;          // 1000, 1002, 1001, 1051, 1080, 1003; also the main window's tab buttons
    bool playInput = false;      // 1027
    bool playOutput = false;     // 1028
    bool deleteFolder = false;   // 3113
    bool sceneCommands = false;  // 1034, 1030, 1053, 1006, 1057, 1058
    bool stop = false;           // 1009
    bool settings = false;       // extraction and effect settings, 3090, caption controls
    bool cinemascope = false;    // 1010
    bool canPlay = false;        // 1077, 1043, 1059, 1078, 1060-1064, 3092
    bool frameButtons = false;   // 1065, 1066
};

SceneControlStates ComputeSceneControlStates(const SceneTabState& state);

// The video as a viewer sees it is wider than tall: rotation 0 (or 180) with height < width, or a quarter
// turn with height > width.
bool IsLandscapeAsShown(int width, int height, int rotation);

// The state read from a project; the job flags come from the engine and are filled by the caller.
SceneTabState SceneStateOf(const CTarneloData& data);

// The merge information line of the scene tab: "%s/%s Frm:%d/%d FPS:%.2f W%dxH%d" with the time and frames of
// the merged output (enabled scenes, cross-fades taken off) against the whole list, the frame rate and the
// size of the working video; empty while the input has no frames.
std::string SceneMergeInfoText(const CTarneloData& data);
