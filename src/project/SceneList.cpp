#include "project/SceneList.h"

#include <utility>

namespace {

bool Valid(const std::vector<SceneEntry>& list, int index) {
    return index >= 0 && static_cast<size_t>(index) < list.size();
}

}  // namespace

SceneList::SceneList(const SceneList& other) : m_scenes(other.Snapshot()) {}

SceneList& SceneList::operator=(const SceneList& other) {
    if (this != &other) {
        std::vector<SceneEntry> scenes = other.Snapshot();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_scenes = std::move(scenes);
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

void SceneList::Tell(const SceneEdit& edit) const {
    if (m_listener) m_listener(edit);
}

bool SceneList::Apply(SceneEdit edit) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
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
        change(scene);
        std::get<scene_edit::Replace>(edit.action).scene = scene;
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
        assign.current = rebuild(m_scenes);
        assign.scenes = m_scenes;
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
        ApplyLocked(edit);
    }
    Tell(edit);
    return file;
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
