#include "ui/scene/ScenePlayerHooks.h"

#include <optional>

#include "ui/common/TabPage.h"
#include "ui/lists/OutputStarts.h"
#include "ui/scene/ScenePage.h"

ScenePlayerHooks::ScenePlayerHooks(ScenePage& page, std::function<void(int)> start, QPushButton* stop, QWidget* list)
    : PagePlayerHooks(page.Page(), "CTarneloTabScene::CaptureFfplayWindow", std::move(start), stop, list),
      m_scene(page) {}

int ScenePlayerHooks::SelectedSceneStart() const {
    const CTarneloData& data = m_page.Data();
    const std::optional<SceneEntry> scene = data.Scenes().At(data.list_idx);
    return scene ? scene->framNo_first : -1;
}

std::vector<int> ScenePlayerHooks::OutputStarts() const {
    const CTarneloData& data = m_page.Data();
    return SceneOutputStarts(data.Scenes().Snapshot(), data.transition, data.TransitionDuration,
                             data.m_currentInfo.fps);
}

void ScenePlayerHooks::PlayerSettingsChanged() { m_scene.AutoSave(false); }
