// The merge tab's side of its player: the two "動画確認" buttons, a click on a video of the list, the engine's
// player hooks and messages, and what the player controls ask of the tab.
#include <QPushButton>

#include "engine/jobs/JobTables.h"
#include "engine/merge/ConvertMerge.h"
#include "platform/Path.h"
#include "project/TarneloData.h"
#include "ui/common/FilesPanel.h"
#include "ui/lists/OutputStarts.h"
#include "ui/lists/SceneListView.h"
#include "ui/merge/MergeFileActions.h"
#include "ui/merge/MergeListEditor.h"
#include "ui/merge/MergePanels.h"
#include "ui/merge/TarneloTabMerge.h"
#include "ui/preview/PlayerControl.h"
#include "ui/preview/PreviewPanel.h"

bool CTarneloTabMerge::PlayerRuns() const { return IsPreviewJobId(CurrentJob()); }

void CTarneloTabMerge::StopPlayer() {
    if (PlayerRuns()) StopPlayback();
}

void CTarneloTabMerge::OnRowClicked(int row, int column) {
    (void)column;
    if (IsBusy() || !m_lists->ListSettled()) return;
    const std::optional<SceneEntry> listed = m_data.Scenes().At(row);
    if (!listed) return;
    const SceneEntry& video = *listed;
    // Before its conversion a video is shown and played as it is.
    const bool converted = platform::FileExists(video.fileName);
    const std::string file = converted ? video.fileName : video.m_fileToUse;
    // A job selects the video it works on without showing it: the same row shows its file when clicked.
    const bool changed = row != m_data.list_idx || file != m_engine->CurrentPreviewFile();
    m_data.list_idx = row;
    m_data.input_file = video.m_fileToUse;
    if (changed && !m_panels.listView->Dragging()) {
        StopPlayer();
        m_data.m_sourceInfo = video.m_segmentInfo;
        const VideoInfo& info = converted ? video.m_convertedInfo : video.m_segmentInfo;
        m_engine->SetPlayerFile(file, info);
        // The lines and the slider show its first frame, as for a file the engine opened.
        m_panels.player->OnPlayPosition(PlayPositionMsg{0, info.frame_num});
        m_engine->SetPreviewImage(file, "0", false, -1);
    }
    UpdateData(true);
    UpdateControlStates(true);
}

void CTarneloTabMerge::StartPlayback(int job) { StartProcess(job); }

void CTarneloTabMerge::StopPlayback() {
    m_panels.jobs->StopButton()->setEnabled(false);
    StopJob();
    UpdateControlStates(true);
}

int CTarneloTabMerge::SelectedSceneStart() const {
    // A video plays from its own first frame.
    const int index = m_data.list_idx;
    return index >= 0 && index < m_data.Scenes().Size() ? 0 : -1;
}

bool CTarneloTabMerge::SelectedSceneIsLast() const {
    return m_data.list_idx >= 0 && m_data.list_idx + 1 >= m_data.Scenes().Size();
}

std::vector<int> CTarneloTabMerge::OutputStarts() const {
    return MergeOutputStarts(m_data.Scenes().Snapshot(), m_data.transition, m_data.TransitionDuration,
                             FrameRateValue(Rate()));
}

bool CTarneloTabMerge::SceneJobRunning() const { return IsBusy(); }
bool CTarneloTabMerge::ListHasFocus() const { return m_panels.listView->hasFocus(); }
void CTarneloTabMerge::PlayerChanged() { UpdateControlStates(true); }
MediaInfoSource& CTarneloTabMerge::ReportSource() { return *this; }
