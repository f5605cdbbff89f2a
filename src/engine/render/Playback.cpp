#include "engine/render/Playback.h"

#include <algorithm>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/EffectsFilter.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "project/TarneloData.h"

std::string PlayerCommand(int left, int top, const std::string& start, const std::string& file,
                          const std::string& length, int playVolume, const std::string& chain) {
    const double volume = std::clamp(playVolume, 0, 100) / 100.0;
    return FormatC(
        "ffplay -window_title \"KPREVIEW\" -noborder -autoexit -left %d -top %d -ss %s -i \"%s\" -t %s "
        "-af \"volume=%.6f\" -vf \"%s,showinfo\"",
        left, top, start.c_str(), platform::EscapeQuotedArgument(file).c_str(), length.c_str(), volume,
        platform::EscapeQuotedArgument(chain).c_str());
}

std::string PlayTimeText(double seconds) { return FormatC("%.6f", seconds); }

std::string PlayLengthText(int frames, double fps) { return PlayTimeText(fps > 0 ? frames / fps : 0.0); }

bool PlayRestartNeeded(const std::string& timeText, int position, int frameCount) {
    return timeText == "0" || position >= frameCount - 1;
}

PlayRound NextPlayRound(bool playLoop, int result, int position, int frameCount, const std::string& timeText,
                        const std::string& roundStart) {
    if (!playLoop || result != 0) return {};
    const std::string fromZero = PlayTimeText(0);
    if (position >= frameCount - 1) return {true, fromZero};
    if (ParseDouble(timeText) > ParseDouble(roundStart)) return {true, timeText};
    // No progress: from the start once more, unless this round already began there.
    if (ParseDouble(roundStart) > 0) return {true, fromZero};
    return {};
}

int ScenePreviewStart(int listIdx, int sceneCount, bool playLoop, bool playSceneLoop, bool reachedEnd) {
    if (sceneCount < 1 || listIdx >= sceneCount) return -1;
    if (listIdx < 0) return 0;
    if ((playLoop || playSceneLoop) && reachedEnd && listIdx + 1 < sceneCount) return listIdx + 1;
    return listIdx;
}

namespace {

// Runs the player round after round while loop play asks for it; returns the last round's result.
int PlayRounds(JobContext& engine, const std::string& file, std::string start, const std::string& length, int frames,
               int offset, bool effects) {
    const CTarneloData& data = *engine.Data();
    int left = 0;
    int top = 0;
    if (TabWindow* tab = engine.MainWindow() ? engine.MainWindow()->ActiveTab() : nullptr) {
        tab->GetPlayerPosition(left, top);
    }
    for (;;) {
        // A round from the beginning shows frame 0 first; a stale end position would make a player that
        // shows nothing look finished.
        if (ParseDouble(start) <= 0) engine.SetCurrentPlay(0, "0");
        const std::string chain = engine.BuildEffectsFilter(effects, true, false, false, -1);
        if (!LastFilterError().empty()) {
            // Playing without the captions the user set would show a wrong picture.
            engine.SendState(kJobStateFailed, LastFilterError());
            return -1;
        }
        const std::string command = PlayerCommand(left, top, start, file, length, data.play_vol, chain);
        const int result = engine.ExecuteCmdWithProgress(true, command, frames, offset);
        const PlayRound next =
            NextPlayRound(data.play_loop, result, engine.CurrentPlayFrame(), frames, engine.CurrentPlayTime(), start);
        if (!next.again) return result;
        start = next.start;
    }
}

}  // namespace

int JobContext::PlayVideo(const std::string& file, int id) {
    AppLog().Log("%s(%d) input_file(%s), nID(%d)\n", "CTarneloProcess::PlayVideo", __LINE__, file.c_str(), id);
    // Another file than the one probed last has another length and rate: it starts over.
    const bool restart = PlayRestartNeeded(CurrentPlayTime(), CurrentPlayFrame(), m_data->m_currentInfo.frame_num) ||
                         file != m_currentPreviewFile;
    if (restart) {
        const int result = OpenMediaFile(file, false);
        if (result != 0) {
            SendState(kJobStateFailed, FormatC("ExitCode(%d)", result));
            return result;
        }
    }
    const VideoInfo& current = m_data->m_currentInfo;
    const int frames = current.frame_num;
    const char* stage = restart ? KindName(id == kJobInputPreview ? kJobKindInputPreview : kJobKindOutputPreview) : "";
    Send(WM_APP_JOB_START, reinterpret_cast<WParam>(stage), -1);
    if (restart) Send(WM_APP_PLAY_POSITION, 0, frames);
    const std::string start = restart ? PlayTimeText(0) : CurrentPlayTime();
    return PlayRounds(*this, file, start, PlayLengthText(frames, current.fps), frames, 0, false);
}

int JobContext::PlayVideoScene(const std::string& segment) {
    AppLog().Log("%s(%d) Start input_file(%s), bVf(%d)\n", "CTarneloProcess::PlayVideoScene", __LINE__, segment.c_str(),
                 1);
    const std::optional<SceneEntry> listed = m_data->diff_list.At(m_data->list_idx);
    if (!listed) {
        SendState(kJobStateFailed);
        return -1;
    }
    const SceneEntry& scene = *listed;
    const bool sceneTab = m_options.mode == 0;
    bool restart = !platform::FileExists(segment) ||
                   PlayRestartNeeded(CurrentPlayTime(), CurrentPlayFrame(), m_data->m_currentInfo.frame_num);
    // The merge tab sets the entry's properties itself and never probes the file it plays.
    if (sceneTab && segment != m_currentPreviewFile) restart = true;
    if (sceneTab && restart) {
        const int result = OpenMediaFile(segment, true);
        if (result != 0) {
            SendState(kJobStateFailed, FormatC("ExitCode(%d)", result));
            return result;
        }
    }
    const int first = sceneTab ? scene.framNo_first : 0;
    const int frames = sceneTab ? scene.FrameCount() : scene.m_convertedInfo.frame_num;
    if (restart) Send(WM_APP_PLAY_POSITION, 0, frames);
    const std::string start = restart ? PlayTimeText(0) : CurrentPlayTime();
    const std::string length = PlayLengthText(frames, m_data->m_currentInfo.fps);
    const char* stage = restart ? KindName(kJobKindScenePreview) : "";
    Send(WM_APP_JOB_START, reinterpret_cast<WParam>(stage), -1);
    return PlayRounds(*this, segment, start, length, frames, first, true);
}

int JobContext::RunScenePreview() {
    CTarneloData& data = *m_data;
    const int count = data.diff_list.Size();
    // Without a probed file there is no final frame to have reached.
    const int frames = data.m_currentInfo.frame_num;
    const bool reachedEnd = frames > 0 && CurrentPlayFrame() >= frames - 1;
    const int start = ScenePreviewStart(data.list_idx, count, data.play_loop, data.play_scene_loop, reachedEnd);
    if (start < 0) {
        SendState(kJobStateFailed);
        return -1;
    }
    int result = 0;
    std::string played;
    for (int index = start;; ++index) {
        if (index > start) {
            // Stopped between two scenes: the next one must not start at all.
            if (CancelRequested()) {
                result = -2;
                break;
            }
            SetCurrentPlay(0, "0");  // the next scene plays from its own start
        }
        const std::optional<SceneEntry> scene = data.diff_list.At(index);
        if (!scene) break;
        // The engine plays its own tab's selection even when the other tab is active and selects nothing.
        data.list_idx = index;
        played = scene->fileName;
        m_selectingScene = true;
        Send(WM_APP_SELECT_SCENE, static_cast<WParam>(index), 0);
        m_selectingScene = false;
        result = PlayVideoScene(played);
        if (!data.play_scene_loop || result != 0) break;
    }
    // A segment that is gone has no still to show; rendering one would only clear the pane.
    if (result != -2 && !played.empty() && platform::FileExists(played)) {
        SetPreviewImage(played, CurrentPlayTime(), true, -1);
    }
    return result;
}
