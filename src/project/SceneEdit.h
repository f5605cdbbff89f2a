#pragma once

#include <utility>
#include <variant>
#include <vector>

#include "project/SceneEntry.h"

// Who made an edit: the user (through a window or a command), or a job that found, cut or measured scenes.
// A job's appends and replacements are what the engine announces as a changed list.
enum class SceneEditBy { kUser, kJob };

// Every change of a scene list is one of these values, so a change can be recorded, told and replayed.
namespace scene_edit {
// A scene added at the end.
struct Append {
    SceneEntry scene;
};
// The whole list replaced (an extraction's default list, a re-tune, a new project); current is the scene to
// show afterwards (-1: none).
struct Assign {
    std::vector<SceneEntry> scenes;
    int current = -1;
};
struct Enable {
    int index = 0;
    bool on = true;
};
// A duplicate inserted before the scene, naming the same segment file.
struct Copy {
    int index = 0;
};
// The scene replaced by two parts, first inserted before second.
struct Split {
    int index = 0;
    SceneEntry first;
    SceneEntry second;
};
struct Delete {
    int index = 0;
};
// A scene put back before index (what a delete is undone with).
struct Insert {
    int index = 0;
    SceneEntry scene;
};
struct Swap {
    int a = 0;
    int b = 0;
};
// One scene's new state: its range, its caption, or what a job measured of its file.
struct Replace {
    int index = 0;
    SceneEntry scene;
};
}  // namespace scene_edit

using SceneEditAction =
    std::variant<scene_edit::Append, scene_edit::Assign, scene_edit::Enable, scene_edit::Copy, scene_edit::Split,
                 scene_edit::Delete, scene_edit::Insert, scene_edit::Swap, scene_edit::Replace>;

// Appends action built in place: gcc 12 takes a variant temporary that holds a vector for uninitialised memory.
template <class T>
void AddEdit(std::vector<SceneEditAction>& out, T action) {
    out.emplace_back(std::in_place_type<T>, std::move(action));
}

struct SceneEdit {
    SceneEditAction action;
    SceneEditBy by = SceneEditBy::kUser;
};
