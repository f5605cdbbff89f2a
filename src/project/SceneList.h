#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "project/SceneEdit.h"
#include "project/SceneHistory.h"

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

    // --- undo and redo ---
    // The list keeps up to steps steps to undo (0, the default: none). A step is what the thread that opened
    // it edits while it is open; a job's measurement made meanwhile on its own thread is not part of it. An
    // edit that adds, removes or moves scenes outside a step (an extraction, a new project) clears the
    // history, whose steps would no longer fit the list; so does a copy assigned to the list.
    void KeepHistory(size_t steps);
    bool CanUndo() const;
    bool CanRedo() const;
    size_t UndoCount() const;
    void ClearHistory();
    // Typing goes on in a new step even into the same caption (another scene was chosen meanwhile).
    void SealHistory();
    // Takes the list back by one step; the scene to show (-1: any), or nothing when there was no step.
    std::optional<int> Undo();
    std::optional<int> Redo();

    // One step of the user's: every edit this thread makes while the object lives. Steps nest; a step closed
    // with the merge key (non-zero) of the step before it joins that one.
    class Step {
    public:
        explicit Step(SceneList& list, int mergeKey = 0);
        ~Step();
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;
        // What the step changed beside the list: undo puts it back, redo makes it again.
        void SetAside(std::function<void()> undo, std::function<void()> redo);

    private:
        SceneList& m_list;
    };

private:
    bool ApplyLocked(SceneEdit& edit);
    // Records what undoes action, or clears the history when action is made outside a step and moves scenes.
    void NoteLocked(const SceneEditAction& action);
    bool RecordingLocked() const;
    std::optional<int> Replay(bool undo);
    void Tell(const SceneEdit& edit) const;

    mutable std::mutex m_mutex;
    std::vector<SceneEntry> m_scenes;
    Listener m_listener;
    SceneHistory m_history;
    std::thread::id m_stepThread;
};

// The rule SceneList::FileSharedWithOther applies, for a list already copied.
bool SegmentSharedWithOtherRow(const std::vector<SceneEntry>& list, int row, const std::string& file);
