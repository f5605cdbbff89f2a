#include "ui/merge/MergePlayerHooks.h"

#include <QPushButton>
#include <optional>

#include "engine/merge/ConvertMerge.h"
#include "platform/Path.h"
#include "ui/common/TabPage.h"
#include "ui/lists/OutputStarts.h"
#include "ui/lists/SceneListView.h"
#include "ui/merge/MergeListEditor.h"
#include "ui/merge/MergePanels.h"
#include "ui/preview/PlayerControl.h"

MergePlayerHooks::MergePlayerHooks(MergePage& page, const MergeTabPanels& panels, const MergeListEditor& lists,
                                   std::function<void(int)> start)
    : PagePlayerHooks(page.Page(), "CTarneloTabMerge::CaptureFfplayWindow", std::move(start), panels.jobs->StopButton(),
                      panels.listView),
      m_merge(page),
      m_panels(panels),
      m_lists(lists) {}

void MergePlayerHooks::OnRowClicked(int row, int column) {
    (void)column;
    if (m_page.IsBusy() || !m_lists.ListSettled() || m_probing) return;
    CTarneloData& data = m_page.Data();
    CTarneloProcess& engine = m_page.Engine();
    const std::optional<SceneEntry> listed = data.Scenes().At(row);
    if (!listed) return;
    const SceneEntry& video = *listed;
    // Before its conversion a video is shown and played as it is.
    const bool converted = platform::FileExists(video.fileName);
    const std::string file = converted ? video.fileName : video.m_fileToUse;
    // A job selects the video it works on without showing it: the same row shows its file when clicked.
    const bool changed = row != data.list_idx || file != engine.CurrentPreviewFile();
    data.list_idx = row;
    data.input_file = video.m_fileToUse;
    if (changed && !m_panels.listView->Dragging()) {
        StopPlayer();
        data.m_sourceInfo = video.m_segmentInfo;
        VideoInfo info = converted ? video.m_convertedInfo : video.m_segmentInfo;
        if (info.frame_num <= 0) {
            // Not analysed yet: only a probe tells the player the video's frames and rate. The window serves
            // meanwhile, and a second click waits for this one.
            VideoInfo probed;
            int result = -1;
            m_probing = true;
            m_page.RunServingWindow([&] { result = engine.GetVideoInfoFfprobe(file, probed); });
            m_probing = false;
            if (result == 0) info = probed;
            if (!converted) data.m_sourceInfo = info;
        }
        engine.SetPlayerFile(file, info);
        // The lines and the slider show its first frame, as for a file the engine opened.
        m_panels.player->OnPlayPosition(PlayPositionMsg{0, info.frame_num});
        engine.SetPreviewImage(file, "0", false, -1);
        m_merge.RefreshMergeInfo();
    }
    m_page.UpdateData(true);
    m_page.UpdateControlStates(true);
}

int MergePlayerHooks::SelectedSceneStart() const {
    // A video plays from its own first frame.
    const CTarneloData& data = m_page.Data();
    const int index = data.list_idx;
    return index >= 0 && index < data.Scenes().Size() ? 0 : -1;
}

std::vector<int> MergePlayerHooks::OutputStarts() const {
    const CTarneloData& data = m_page.Data();
    return MergeOutputStarts(data.Scenes().Snapshot(), data.transition, data.TransitionDuration,
                             FrameRateValue(m_merge.Rate()));
}
