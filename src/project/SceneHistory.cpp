#include "project/SceneHistory.h"

#include <type_traits>
#include <utility>

namespace {

bool Valid(const std::vector<SceneEntry>& list, int index) {
    return index >= 0 && static_cast<size_t>(index) < list.size();
}

// A step that is one Replace of a scene: typing into its caption again needs no second copy of it.
const scene_edit::Replace* OnlyReplace(const std::vector<SceneEditAction>& actions) {
    return actions.size() == 1 ? std::get_if<scene_edit::Replace>(&actions.front()) : nullptr;
}

}  // namespace

bool RestoresWholeList(const std::vector<SceneEditAction>& undo) {
    return !undo.empty() && std::holds_alternative<scene_edit::Assign>(undo.front());
}

void AppendInverse(const std::vector<SceneEntry>& list, const SceneEditAction& action,
                   std::vector<SceneEditAction>& out) {
    std::visit(
        [&](const auto& a) {
            using T = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<T, scene_edit::Append>) {
                AddEdit(out, scene_edit::Delete{static_cast<int>(list.size())});
            } else if constexpr (std::is_same_v<T, scene_edit::Assign>) {
                scene_edit::Assign whole;
                whole.scenes = list;
                AddEdit(out, std::move(whole));
            } else if constexpr (std::is_same_v<T, scene_edit::Enable>) {
                if (Valid(list, a.index)) {
                    AddEdit(out, scene_edit::Enable{a.index, list[static_cast<size_t>(a.index)].enable});
                }
            } else if constexpr (std::is_same_v<T, scene_edit::Copy>) {
                if (Valid(list, a.index)) AddEdit(out, scene_edit::Delete{a.index});
            } else if constexpr (std::is_same_v<T, scene_edit::Split>) {
                if (Valid(list, a.index)) {
                    // Applied from the back: the second part goes, then the first becomes the whole again.
                    AddEdit(out, scene_edit::Replace{a.index, list[static_cast<size_t>(a.index)]});
                    AddEdit(out, scene_edit::Delete{a.index + 1});
                }
            } else if constexpr (std::is_same_v<T, scene_edit::Delete>) {
                if (Valid(list, a.index)) {
                    AddEdit(out, scene_edit::Insert{a.index, list[static_cast<size_t>(a.index)]});
                }
            } else if constexpr (std::is_same_v<T, scene_edit::Insert>) {
                if (a.index >= 0 && static_cast<size_t>(a.index) <= list.size()) {
                    AddEdit(out, scene_edit::Delete{a.index});
                }
            } else if constexpr (std::is_same_v<T, scene_edit::Swap>) {
                if (Valid(list, a.a) && Valid(list, a.b)) AddEdit(out, a);
            } else if constexpr (std::is_same_v<T, scene_edit::Replace>) {
                if (Valid(list, a.index)) {
                    AddEdit(out, scene_edit::Replace{a.index, list[static_cast<size_t>(a.index)]});
                }
            }
        },
        action);
}

void SceneHistory::SetLimit(size_t steps) {
    m_limit = steps;
    while (m_undo.size() > m_limit) m_undo.pop_front();
    if (m_limit == 0) Clear();
}

void SceneHistory::Clear() {
    m_undo.clear();
    m_redo.clear();
    // An open step recorded against the list as it was: what it holds no longer fits.
    m_open = SceneHistoryStep();
    m_discardOpen = m_depth > 0;
    m_sealed = true;
}

void SceneHistory::Open(int mergeKey) {
    if (m_depth++ == 0) {
        m_open = SceneHistoryStep();
        m_discardOpen = false;
        m_open.mergeKey = mergeKey;
    }
}

void SceneHistory::SetAside(std::function<void()> undo, std::function<void()> redo) {
    if (m_depth == 0) return;
    m_open.asideUndo = std::move(undo);
    m_open.asideRedo = std::move(redo);
}

void SceneHistory::Close() {
    if (m_depth == 0 || --m_depth > 0) return;
    SceneHistoryStep step = std::move(m_open);
    m_open = SceneHistoryStep();
    if (m_discardOpen || (step.undo.empty() && !step.asideUndo)) return;
    m_redo.clear();
    const bool join = step.mergeKey != 0 && !m_sealed && !m_undo.empty() && m_undo.back().mergeKey == step.mergeKey;
    m_sealed = false;
    if (!join) {
        Keep(std::move(step));
        return;
    }
    SceneHistoryStep& last = m_undo.back();
    const scene_edit::Replace* before = OnlyReplace(last.undo);
    const scene_edit::Replace* now = OnlyReplace(step.undo);
    // The first state of the scene is the one to go back to; later keystrokes add nothing to keep.
    const bool sameScene = before != nullptr && now != nullptr && before->index == now->index;
    if (!sameScene && !RestoresWholeList(last.undo)) {
        for (SceneEditAction& action : step.undo) last.undo.push_back(std::move(action));
    }
    if (step.asideRedo) last.asideRedo = std::move(step.asideRedo);
    if (!last.asideUndo) last.asideUndo = std::move(step.asideUndo);
}

void SceneHistory::Keep(SceneHistoryStep step) {
    if (m_limit == 0) return;
    m_undo.push_back(std::move(step));
    while (m_undo.size() > m_limit) m_undo.pop_front();
}

void SceneHistory::PushUndo(SceneHistoryStep step) {
    step.mergeKey = 0;
    Keep(std::move(step));
}

std::optional<SceneHistoryStep> SceneHistory::TakeUndo() {
    if (m_undo.empty() || m_depth > 0) return std::nullopt;
    SceneHistoryStep step = std::move(m_undo.back());
    m_undo.pop_back();
    m_sealed = true;
    return step;
}

std::optional<SceneHistoryStep> SceneHistory::TakeRedo() {
    if (m_redo.empty() || m_depth > 0) return std::nullopt;
    SceneHistoryStep step = std::move(m_redo.back());
    m_redo.pop_back();
    return step;
}
