#include "project/SceneList.h"

#include <type_traits>
#include <utility>

namespace {

bool Valid(const std::vector<SceneEntry>& list, int index) {
    return index >= 0 && static_cast<size_t>(index) < list.size();
}

// Edits that keep every scene where it is; the others shift the indices a recorded step names.
bool KeepsPlaces(const SceneEditAction& action) {
    return std::holds_alternative<scene_edit::Enable>(action) || std::holds_alternative<scene_edit::Replace>(action);
}

// The scene an undone or redone edit leaves to be shown (-1: any).
int RowOf(const SceneEditAction& action) {
    return std::visit(
        [](const auto& a) -> int {
            using T = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<T, scene_edit::Append>) {
                return -1;
            } else if constexpr (std::is_same_v<T, scene_edit::Assign>) {
                return a.current;
            } else if constexpr (std::is_same_v<T, scene_edit::Swap>) {
                return a.b;
            } else {
                return a.index;
            }
        },
        action);
}

}  // namespace

SceneList::SceneList(const SceneList& other) : m_scenes(other.Snapshot()) {}

SceneList& SceneList::operator=(const SceneList& other) {
    if (this != &other) {
        std::vector<SceneEntry> scenes = other.Snapshot();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_scenes = std::move(scenes);
        m_history.Clear();
    }
    return *this;
}

std::vector<SceneEntry> SceneList::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_scenes;
}

std::optional<SceneEntry> SceneList::At(int index) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!Valid(m_scenes, index)) return std::nullopt;
    return m_scenes[static_cast<size_t>(index)];
}

int SceneList::Size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_scenes.size());
}

bool SceneList::Empty() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_scenes.empty();
}

bool SceneList::ApplyLocked(SceneEdit& edit) {
    std::vector<SceneEntry>& list = m_scenes;
    return std::visit(
        [&](auto& a) -> bool {
            using T = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<T, scene_edit::Append>) {
                list.push_back(a.scene);
            } else if constexpr (std::is_same_v<T, scene_edit::Assign>) {
                list = a.scenes;
            } else if constexpr (std::is_same_v<T, scene_edit::Enable>) {
                if (!Valid(list, a.index)) return false;
                list[static_cast<size_t>(a.index)].enable = a.on;
            } else if constexpr (std::is_same_v<T, scene_edit::Copy>) {
                if (!Valid(list, a.index)) return false;
                const SceneEntry copy = list[static_cast<size_t>(a.index)];
                list.insert(list.begin() + a.index, copy);
            } else if constexpr (std::is_same_v<T, scene_edit::Split>) {
                if (!Valid(list, a.index)) return false;
                list[static_cast<size_t>(a.index)] = a.second;
                list.insert(list.begin() + a.index, a.first);
            } else if constexpr (std::is_same_v<T, scene_edit::Delete>) {
                if (!Valid(list, a.index)) return false;
                list.erase(list.begin() + a.index);
            } else if constexpr (std::is_same_v<T, scene_edit::Insert>) {
                if (a.index < 0 || static_cast<size_t>(a.index) > list.size()) return false;
                list.insert(list.begin() + a.index, a.scene);
            } else if constexpr (std::is_same_v<T, scene_edit::Swap>) {
                if (!Valid(list, a.a) || !Valid(list, a.b)) return false;
                if (a.a != a.b) std::swap(list[static_cast<size_t>(a.a)], list[static_cast<size_t>(a.b)]);
            } else if constexpr (std::is_same_v<T, scene_edit::Replace>) {
                if (!Valid(list, a.index)) return false;
                list[static_cast<size_t>(a.index)] = a.scene;
            }
            return true;
        },
        edit.action);
}

bool SceneList::RecordingLocked() const { return m_history.IsOpen() && std::this_thread::get_id() == m_stepThread; }

void SceneList::NoteLocked(const SceneEditAction& action) {
    if (!m_history.Enabled()) return;
    if (!RecordingLocked()) {
        if (!KeepsPlaces(action)) m_history.Clear();
        return;
    }
    std::vector<SceneEditAction>& undo = m_history.OpenActions();
    if (!RestoresWholeList(undo)) AppendInverse(m_scenes, action, undo);
}

void SceneList::Tell(const SceneEdit& edit) const {
    if (m_listener) m_listener(edit);
}

bool SceneList::Apply(SceneEdit edit) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        NoteLocked(edit.action);
        if (!ApplyLocked(edit)) return false;
    }
    Tell(edit);
    return true;
}

bool SceneList::Update(int index, const std::function<void(SceneEntry&)>& change, SceneEditBy by) {
    SceneEdit edit{scene_edit::Replace{index, {}}, by};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!Valid(m_scenes, index)) return false;
        SceneEntry& scene = m_scenes[static_cast<size_t>(index)];
        std::optional<SceneEntry> before;
        if (RecordingLocked() && !RestoresWholeList(m_history.OpenActions())) before = scene;
        change(scene);
        std::get<scene_edit::Replace>(edit.action).scene = scene;
        if (before && !(*before == scene))
            AddEdit(m_history.OpenActions(), scene_edit::Replace{index, std::move(*before)});
    }
    Tell(edit);
    return true;
}

void SceneList::UpdateAll(const std::function<void(SceneEntry&)>& change, SceneEditBy by) {
    Rebuild(
        [&](std::vector<SceneEntry>& scenes) {
            for (SceneEntry& scene : scenes) change(scene);
            return -1;
        },
        by);
}

int SceneList::Rebuild(const std::function<int(std::vector<SceneEntry>&)>& rebuild, SceneEditBy by) {
    SceneEdit edit{scene_edit::Assign{}, by};
    auto& assign = std::get<scene_edit::Assign>(edit.action);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::optional<std::vector<SceneEntry>> before;
        if (RecordingLocked() && !RestoresWholeList(m_history.OpenActions())) {
            before = m_scenes;
        } else if (m_history.Enabled() && !RecordingLocked()) {
            m_history.Clear();
        }
        assign.current = rebuild(m_scenes);
        assign.scenes = m_scenes;
        // A rebuild that changed nothing (captions cleared twice) is no step to undo.
        if (before && *before != m_scenes) AddEdit(m_history.OpenActions(), scene_edit::Assign{std::move(*before), -1});
    }
    Tell(edit);
    return assign.current;
}

bool SceneList::SplitBy(int index, const std::function<SplitParts(const SceneEntry&)>& parts) {
    SceneEdit edit{scene_edit::Split{index, {}, {}}};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!Valid(m_scenes, index)) return false;
        SplitParts made = parts(m_scenes[static_cast<size_t>(index)]);
        if (!made) return false;
        auto& split = std::get<scene_edit::Split>(edit.action);
        split.first = std::move(made->first);
        split.second = std::move(made->second);
        NoteLocked(edit.action);
        ApplyLocked(edit);
    }
    Tell(edit);
    return true;
}

std::string SceneList::Delete(int index) {
    SceneEdit edit{scene_edit::Delete{index}};
    std::string file;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!Valid(m_scenes, index)) return file;
        file = m_scenes[static_cast<size_t>(index)].fileName;
        NoteLocked(edit.action);
        ApplyLocked(edit);
    }
    Tell(edit);
    return file;
}

// --- undo and redo ---

void SceneList::KeepHistory(size_t steps) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_history.SetLimit(steps);
}

bool SceneList::CanUndo() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_history.CanUndo();
}

bool SceneList::CanRedo() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_history.CanRedo();
}

size_t SceneList::UndoCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_history.UndoCount();
}

void SceneList::ClearHistory() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_history.Clear();
}

void SceneList::SealHistory() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_history.Seal();
}

std::optional<int> SceneList::Undo() { return Replay(true); }

std::optional<int> SceneList::Redo() { return Replay(false); }

std::optional<int> SceneList::Replay(bool undo) {
    std::optional<SceneHistoryStep> step;
    std::vector<SceneEdit> told;
    int row = -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        step = undo ? m_history.TakeUndo() : m_history.TakeRedo();
        if (!step) return std::nullopt;
        // The step that takes this one back is recorded as this one is replayed.
        SceneHistoryStep back;
        back.asideUndo = step->asideRedo;
        back.asideRedo = step->asideUndo;
        for (auto action = step->undo.rbegin(); action != step->undo.rend(); ++action) {
            AppendInverse(m_scenes, *action, back.undo);
            SceneEdit edit{std::move(*action)};
            if (!ApplyLocked(edit)) {
                // Not expected: the steps fit the list by construction. What is left of them would not.
                m_history.Clear();
                break;
            }
            row = RowOf(edit.action);
            told.push_back(std::move(edit));
        }
        if (undo) {
            m_history.PushRedo(std::move(back));
        } else {
            m_history.PushUndo(std::move(back));
        }
    }
    // A step's list edits and its aside take back what it stands for, undone or redone alike.
    if (step->asideUndo) step->asideUndo();
    for (const SceneEdit& edit : told) Tell(edit);
    return row;
}

SceneList::Step::Step(SceneList& list, int mergeKey) : m_list(list) {
    std::lock_guard<std::mutex> lock(m_list.m_mutex);
    if (!m_list.m_history.IsOpen()) m_list.m_stepThread = std::this_thread::get_id();
    m_list.m_history.Open(mergeKey);
}

SceneList::Step::~Step() {
    std::lock_guard<std::mutex> lock(m_list.m_mutex);
    m_list.m_history.Close();
}

void SceneList::Step::SetAside(std::function<void()> undo, std::function<void()> redo) {
    std::lock_guard<std::mutex> lock(m_list.m_mutex);
    m_list.m_history.SetAside(std::move(undo), std::move(redo));
}

bool SceneList::FileSharedWithOther(int index, const std::string& file) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return SegmentSharedWithOtherRow(m_scenes, index, file);
}

bool SegmentSharedWithOtherRow(const std::vector<SceneEntry>& list, int row, const std::string& file) {
    if (file.empty()) return false;
    for (size_t i = 0; i < list.size(); ++i) {
        if (static_cast<int>(i) != row && list[i].fileName == file) return true;
    }
    return false;
}
