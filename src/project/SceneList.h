#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
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

using SceneEditAction = std::variant<scene_edit::Append, scene_edit::Assign, scene_edit::Enable, scene_edit::Copy,
                                     scene_edit::Split, scene_edit::Delete, scene_edit::Swap, scene_edit::Replace>;

struct SceneEdit {
    SceneEditAction action;
    SceneEditBy by = SceneEditBy::kUser;
};

// The scenes of a project and the one lock that guards them: a job thread, pooled segment tasks and the
// window all read and change them. Readers take a copy (or look inside Read); every change is a SceneEdit
// applied under the lock and then told to the listener, outside the lock, so a listener may read the list.
class SceneList {
public:
    using Listener = std::function<void(const SceneEdit&)>;

    SceneList() = default;
    explicit SceneList(std::vector<SceneEntry> scenes) : m_scenes(std::move(scenes)) {}
    // A copy takes the scenes only: the copy has its own lock and no listener.
    SceneList(const SceneList& other);
    SceneList& operator=(const SceneList& other);

    std::vector<SceneEntry> Snapshot() const;
    std::optional<SceneEntry> At(int index) const;
    int Size() const;
    bool Empty() const;
    // Runs read on the scenes under the lock; read must not edit this list or wait for another thread.
    template <class Reader>
    auto Read(Reader&& read) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return read(static_cast<const std::vector<SceneEntry>&>(m_scenes));
    }

    // Applies the edit; false (and nothing told) when it names a scene that is not there.
    bool Apply(SceneEdit edit);
    // Replaces the scene at index with what change makes of it, in one hold of the lock (a job that stores
    // what it measured must not undo an edit made meanwhile). False when there is no such scene.
    bool Update(int index, const std::function<void(SceneEntry&)>& change, SceneEditBy by = SceneEditBy::kUser);
    // Changes every scene in one hold of the lock, told as one Assign.
    void UpdateAll(const std::function<void(SceneEntry&)>& change, SceneEditBy by = SceneEditBy::kUser);
    // Makes a new list from the current one in one hold of the lock, told as one Assign; rebuild returns the
    // scene to show afterwards, which Rebuild returns too.
    int Rebuild(const std::function<int(std::vector<SceneEntry>&)>& rebuild, SceneEditBy by = SceneEditBy::kUser);

    bool Append(SceneEntry scene, SceneEditBy by = SceneEditBy::kUser) {
        return Apply({scene_edit::Append{std::move(scene)}, by});
    }
    void Assign(std::vector<SceneEntry> scenes, int current, SceneEditBy by = SceneEditBy::kUser) {
        Apply({scene_edit::Assign{std::move(scenes), current}, by});
    }
    void Clear(SceneEditBy by = SceneEditBy::kUser) { Assign({}, -1, by); }
    bool SetEnabled(int index, bool on) { return Apply({scene_edit::Enable{index, on}}); }
    bool Copy(int index) { return Apply({scene_edit::Copy{index}}); }
    bool Split(int index, SceneEntry first, SceneEntry second) {
        return Apply({scene_edit::Split{index, std::move(first), std::move(second)}});
    }
    using SplitParts = std::optional<std::pair<SceneEntry, SceneEntry>>;
    // Splits the scene into the parts made of it in one hold of the lock; false when there is no such scene
    // or parts gives none.
    bool SplitBy(int index, const std::function<SplitParts(const SceneEntry&)>& parts);
    // Removes the scene; returns the segment file it named (empty: no such scene).
    std::string Delete(int index);
    bool Swap(int a, int b) { return Apply({scene_edit::Swap{a, b}}); }
    bool Replace(int index, SceneEntry scene, SceneEditBy by = SceneEditBy::kUser) {
        return Apply({scene_edit::Replace{index, std::move(scene)}, by});
    }

    // True when a scene other than index (-1: any) names file, so the file is still in use.
    bool FileSharedWithOther(int index, const std::string& file) const;

    // One listener (empty: none); set while no other thread edits the list.
    void SetListener(Listener listener) { m_listener = std::move(listener); }

private:
    bool ApplyLocked(SceneEdit& edit);
    void Tell(const SceneEdit& edit) const;

    mutable std::mutex m_mutex;
    std::vector<SceneEntry> m_scenes;
    Listener m_listener;
};

// The rule SceneList::FileSharedWithOther applies, for a list already copied.
bool SegmentSharedWithOtherRow(const std::vector<SceneEntry>& list, int row, const std::string& file);
