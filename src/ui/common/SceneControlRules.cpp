#include "ui/common/SceneControlRules.h"

#include <cmath>
#include <cstdlib>

#include "platform/Path.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

SceneControlStates ComputeSceneControlStates(const SceneTabState& s) {
    const bool busy = s.sceneJob;
    const bool idle = s.settled && !s.anyJob;
    const bool free = !busy || idle;
    const bool ready = s.inputSet && s.outputFolderSet && s.outputNameSet && !s.listEmpty;

    SceneControlStates c;
    c.files = free;
    c.playInput = free && s.inputSet && s.inputExists;
    c.playOutput = free && s.outputFolderSet && s.outputNameSet && s.outputExists;
    c.deleteFolder = free && s.outputFolderExists;
    c.sceneCommands = idle && ready;
    c.stop = busy && !idle;
    c.settings = free && ready;
    c.cinemascope = c.settings && IsLandscapeAsShown(s.width, s.height, s.rotation);
    c.canPlay = !busy && (s.inputSet || (s.outputFolderSet && s.outputNameSet && !s.listEmpty));
    c.frameButtons = c.canPlay && !s.playbackJob;
    return c;
}

bool IsLandscapeAsShown(int width, int height, int rotation) {
    const int quarter = std::abs(rotation) % 180;
    if (quarter == 0) return height < width;
    if (quarter == 90) return height > width;
    return false;
}

SceneTabState SceneStateOf(const CTarneloData& data) {
    SceneTabState s;
    s.inputSet = !data.input_file.empty();
    s.inputExists = s.inputSet && platform::FileExists(data.input_file);
    s.outputFolderSet = !data.output_folder.empty();
    s.outputFolderExists = s.outputFolderSet && platform::FolderExists(data.output_folder);
    s.outputNameSet = !data.output_name.empty();
    s.outputExists = s.outputFolderSet && s.outputNameSet && platform::FileExists(data.GetOutputPath());
    s.listEmpty = data.Scenes().Empty();
    s.width = data.m_sourceInfo.width;
    s.height = data.m_sourceInfo.height;
    s.rotation = data.m_sourceInfo.rotation;
    return s;
}

std::string SceneMergeInfoText(const CTarneloData& data) {
    const VideoInfo& video = data.m_sourceInfo;
    if (video.frame_num <= 0) return {};
    const double fps = video.fps;
    long long all = 0;
    long long merged = 0;
    int enabled = 0;
    for (const SceneEntry& scene : data.Scenes().Snapshot()) {
        all += scene.FrameCount();
        if (!scene.enable) continue;
        merged += scene.FrameCount();
        ++enabled;
    }
    double seconds = fps > 0 && merged >= 1 ? static_cast<double>(merged) / fps : 0;
    if (data.transition && seconds > 0 && enabled > 1) seconds -= (enabled - 1) * data.TransitionDuration;
    if (seconds < 0) seconds = 0;
    const long long frames = static_cast<long long>(std::floor(seconds * fps));
    const auto timeOf = [fps](long long count) {
        return SecondsToFrameTimeText(fps > 0 ? static_cast<double>(count) / fps : 0.0, true);
    };
    return FormatC("%s/%s Frm:%lld/%lld FPS:%.2f W%dxH%d", timeOf(frames).c_str(), timeOf(all).c_str(), frames, all,
                   fps, video.width, video.height);
}
