#include <algorithm>
#include <cstdio>
#include <optional>

#include "engine/jobs/JobContext.h"
#include "engine/jobs/JobTables.h"
#include "engine/scenes/SceneRules.h"
#include "engine/tools/EncoderPreset.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "project/TarneloData.h"

std::string JobContext::WorkingInput() const {
    return m_data->input_mp4_file.empty() ? m_data->input_file : m_data->input_mp4_file;
}

int JobContext::ProbeCurrentFile(const std::string& path) {
    VideoInfo info;
    const int result = GetVideoInfoFfprobe(path, info);
    if (result != 0) return result;
    m_data->m_currentInfo = info;
    m_currentPreviewFile = path;
    if (path == m_data->input_file || path == m_data->input_mp4_file) m_data->m_sourceInfo = info;
    if (path == m_data->input_file) m_data->m_inputFileInfo = info;
    return 0;
}

int JobContext::GetFrameCount(const std::string& path) {
    VideoInfo info;
    if (GetVideoInfoFfprobe(path, info) != 0) return 0;
    return info.frame_num;
}

int JobContext::OpenMediaFile(const std::string& path, bool quiet) {
    const int result = ProbeCurrentFile(path);
    if (result != 0) return result;
    const int frames = m_data->m_currentInfo.frame_num;
    if (!quiet) Send(WM_APP_MEDIA_OPENED, 0, frames);
    const int position = CurrentPlayFrame();
    const int shown = position < 1 ? 0 : std::min(position + 1, frames);
    Send(WM_APP_PLAY_POSITION, static_cast<WParam>(shown), frames);
    return 0;
}

int JobContext::OutputSceneSegment(const std::string& input, int sceneIndex, int total, int offset, bool announce) {
    const std::optional<SceneEntry> listed = m_data->diff_list.At(sceneIndex);
    if (!listed) return -1;
    SceneEntry scene = *listed;
    if (announce) Send(WM_APP_SELECT_SCENE, static_cast<WParam>(sceneIndex), 0);
    const std::string command = SceneCutCommand(FfmpegPrefix(), *m_data, scene, input);
    platform::MakeFolders(SetTrailingSeparator(m_data->output_folder, false));
    const int result = ExecuteCmdWithProgress(false, command, total, offset);
    if (result != 0) {
        std::remove(scene.fileName.c_str());
        return result;
    }
    const int frames = GetFrameCount(scene.fileName);
    if (frames > 0) SetSceneFrameCount(sceneIndex, frames);
    if (announce) {
        if (auto current = m_data->diff_list.At(sceneIndex)) scene = *current;
        ShowSceneFile(scene.fileName);
    }
    return 0;
}

int JobContext::RecutSceneSegment(const std::string& input, int sceneIndex) {
    const std::optional<SceneEntry> listed = m_data->diff_list.At(sceneIndex);
    if (!listed) return -1;
    SceneEntry scene = *listed;
    const std::string command = SceneCutCommand(FfmpegPrefix(), *m_data, scene, input);
    platform::MakeFolders(SetTrailingSeparator(m_data->output_folder, false));
    const int result = ExecuteCmd(command);
    if (result != 0) {
        std::remove(scene.fileName.c_str());
        return result;
    }
    VideoInfo info;
    if (GetVideoInfoFfprobe(scene.fileName, info) == 0) {
        m_data->diff_list.Update(
            sceneIndex, [&](SceneEntry& stored) { stored.m_segmentInfo = info; }, SceneEditBy::kJob);
        if (info.frame_num > 0) SetSceneFrameCount(sceneIndex, info.frame_num);
    }
    // Showing each new segment would probe it as the current file while the
    // decoder still depends on the input's frame count; the job shows the last one.
    return 0;
}

void JobContext::SetSceneFrameCount(int sceneIndex, int frameCount) {
    const bool listed = m_data->diff_list.Update(
        sceneIndex,
        [&](SceneEntry& scene) {
            scene.framNo_second = scene.framNo_first + frameCount - 1;
            const std::string name = SegmentFileName(m_data->output_folder, SegmentFileBase(m_data->input_file),
                                                     scene.framNo_first, scene.framNo_second);
            if (name != scene.fileName) {
                // On a failed rename the entry keeps naming the file that exists.
                if (std::rename(scene.fileName.c_str(), name.c_str()) == 0) {
                    scene.fileName = name;
                } else {
                    AppLog().Log("%s(%d) rename failed %s -> %s\n", "CTarneloProcess::SetSceneFrameCount", __LINE__,
                                 scene.fileName.c_str(), name.c_str());
                }
            }
        },
        SceneEditBy::kJob);
    if (!listed) return;
    Post(WM_APP_LIST_CHANGED, static_cast<WParam>(sceneIndex), 0);
}

int JobContext::OutputSelectedSegment() {
    const int index = m_data->list_idx;
    const std::optional<SceneEntry> listed = m_data->diff_list.At(index);
    if (!listed) return -1;
    const SceneEntry& scene = *listed;
    const int expected = scene.FrameCount();
    const int frames = GetFrameCount(scene.fileName);
    if (frames >= 1 && frames == expected) return 0;
    const std::string name = FormatC("%s (%03d)", KindName(kJobKindSegmentOutput), index + 1);
    Send(WM_APP_JOB_START, reinterpret_cast<WParam>(name.c_str()), expected);
    const int result = OutputSceneSegment(WorkingInput(), index, expected, 0, false);
    if (result == 0) SendState(kJobStateDone);
    return result;
}

int JobContext::OutputSegments() {
    const std::vector<SceneEntry> scenes = m_data->diff_list.Snapshot();
    int total = 0;
    for (const SceneEntry& scene : scenes) {
        if (scene.enable) total += scene.FrameCount();
    }
    SendJobStart(kJobKindSegmentOutput, total);
    const std::string input = WorkingInput();
    int done = 0;
    for (int k = 0; k < static_cast<int>(scenes.size()); ++k) {
        if (!scenes[static_cast<size_t>(k)].enable) continue;
        SendJobName(FormatC("%s (%03d)", KindName(kJobKindSegmentOutput), k + 1));
        const int frames = scenes[static_cast<size_t>(k)].FrameCount();
        const int result = OutputSceneSegment(input, k, total, done, true);
        if (result != 0) return result;
        done += frames;
    }
    SendState(kJobStateDone);
    return 0;
}

int JobContext::LoadPreviewFile(const std::string& file, bool effects) {
    if (IsPreviewJobId(nProcessID.load())) return 0;
    if (file != m_currentPreviewFile) {
        if (effects) {
            m_data->m_currentInfo = m_data->m_sourceInfo;
            m_lastPreviewKind = kJobScenePreview;
        }
        SetCurrentPlay(0, "0");
        const int result = OpenMediaFile(file, effects);
        if (result != 0) return result;
    }
    SetPreviewImage(file, CurrentPlayTime(), effects, -1);
    return 0;
}

void JobContext::SetPlayerFile(const std::string& file, const VideoInfo& info) {
    m_data->m_currentInfo = info;
    m_currentPreviewFile = file;
    m_lastPreviewKind = kJobScenePreview;
    SetCurrentPlay(0, "0");
}

void JobContext::ShowSceneFile(const std::string& file) {
    if (!m_options.previewStills || IsPreviewJobId(nProcessID.load())) return;
    if (file != m_currentPreviewFile) {
        m_data->m_currentInfo = m_data->m_sourceInfo;
        m_lastPreviewKind = kJobScenePreview;
        SetCurrentPlay(0, "0");
        if (ProbeCurrentFile(file) != 0) return;
        const int frames = m_data->m_currentInfo.frame_num;
        Send(WM_APP_PLAY_POSITION, static_cast<WParam>(std::clamp(CurrentPlayFrame() + 1, 0, frames)), frames);
    }
    SetPreviewImage(file, CurrentPlayTime(), true, -1);
}
