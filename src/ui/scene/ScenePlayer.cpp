// The scene tab's side of its player: the two "動画確認" buttons, the engine's player hooks and messages, and
// what the player controls ask of the tab.
#include <QPushButton>
#include <mutex>

#include "engine/JobTables.h"
#include "project/TarneloData.h"
#include "ui/common/FilesPanel.h"
#include "ui/lists/OutputStarts.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PlayerControl.h"
#include "ui/scene/SceneJobPanel.h"
#include "ui/scene/TarneloTabScene.h"

void CTarneloTabScene::ConnectPlayer() {
    connect(m_files->PlayInputButton(), &QPushButton::clicked, this, [this] { m_player->OpenVideo(kJobInputPreview); });
    connect(m_files->PlayOutputButton(), &QPushButton::clicked, this,
            [this] { m_player->OpenVideo(kJobOutputPreview); });
}

void CTarneloTabScene::StartPlayback(int job) { StartProcess(job); }
void CTarneloTabScene::StopPlayback() {
    m_jobs->StopButton()->setEnabled(false);
    StopJob();
    UpdateControlStates(true);
}

int CTarneloTabScene::SelectedSceneStart() const {
    std::lock_guard<std::mutex> lock(m_engine->ListMutex());
    const int index = m_data.list_idx;
    if (index < 0 || index >= static_cast<int>(m_data.diff_list.size())) return -1;
    return m_data.diff_list[index].framNo_first;
}

bool CTarneloTabScene::SelectedSceneIsLast() const {
    std::lock_guard<std::mutex> lock(m_engine->ListMutex());
    return m_data.list_idx >= 0 && m_data.list_idx + 1 >= static_cast<int>(m_data.diff_list.size());
}

std::vector<int> CTarneloTabScene::OutputStarts() const {
    std::lock_guard<std::mutex> lock(m_engine->ListMutex());
    return SceneOutputStarts(m_data.diff_list, m_data.transition, m_data.TransitionDuration, m_data.m_currentInfo.fps);
}

bool CTarneloTabScene::SceneJobRunning() const { return IsBusy(); }
bool CTarneloTabScene::ListHasFocus() const { return m_listView->hasFocus(); }
void CTarneloTabScene::PlayerChanged() { UpdateControlStates(true); }
void CTarneloTabScene::PlayerSettingsChanged() { AutoSave(false); }
MediaInfoSource& CTarneloTabScene::ReportSource() { return *this; }
