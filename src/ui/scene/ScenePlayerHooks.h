#pragma once

#include <vector>

#include "ui/common/PagePlayerHooks.h"

class ScenePage;

// The scene tab's answers to its player: a scene plays from its first frame in the input, the enabled scenes
// follow one another in the output, and a changed volume is saved with the project.
class ScenePlayerHooks : public PagePlayerHooks {
public:
    ScenePlayerHooks(ScenePage& page, std::function<void(int)> start, QPushButton* stop, QWidget* list);

    int SelectedSceneStart() const override;
    std::vector<int> OutputStarts() const override;
    void PlayerSettingsChanged() override;

private:
    ScenePage& m_scene;
};
