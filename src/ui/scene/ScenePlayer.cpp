// The scene tab's side of its player: the two "動画確認" buttons, the engine's player hooks and messages, and
// what the player controls ask of the tab.
#include <QPushButton>

#include "engine/jobs/JobTables.h"
#include "project/TarneloData.h"
#include "ui/common/FilesPanel.h"
#include "ui/lists/OutputStarts.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PlayerControl.h"
#include "ui/scene/SceneJobPanel.h"
#include "ui/scene/TarneloTabScene.h"

void CTarneloTabScene::StartPlayback(int job) { StartProcess(job); }
void CTarneloTabScene::StopPlayback() {
    m_panels.jobs->StopButton()->setEnabled(false);
    StopJob();
    UpdateControlStates(true);
}

int CTarneloTabScene::SelectedSceneStart() const {
    const std::optional<SceneEntry> scene = m_data.Scenes().At(m_data.list_idx);
    return scene ? scene->framNo_first : -1;
}

bool CTarneloTabScene::SelectedSceneIsLast() const {
    return m_data.list_idx >= 0 && m_data.list_idx + 1 >= m_data.Scenes().Size();
}

std::vector<int> CTarneloTabScene::OutputStarts() const {
    return SceneOutputStarts(m_data.Scenes().Snapshot(), m_data.transition, m_data.TransitionDuration,
                             m_data.m_currentInfo.fps);
}

bool CTarneloTabScene::SceneJobRunning() const { return IsBusy(); }
bool CTarneloTabScene::ListHasFocus() const { return m_panels.listView->hasFocus(); }
void CTarneloTabScene::PlayerChanged() { UpdateControlStates(true); }
void CTarneloTabScene::PlayerSettingsChanged() { AutoSave(false); }
MediaInfoSource& CTarneloTabScene::ReportSource() { return *this; }
