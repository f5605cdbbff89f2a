#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "project/SceneEdit.h"

// The merge keys of the steps that go on as one: a drag of rows, a drag of the threshold line, the clicks on
// one caption time of one scene.
namespace step_key {
constexpr int kRowDrag = 1;
constexpr int kThresholdDrag = 2;
constexpr int CaptionTime(int row, bool start) { return 16 + 2 * row + (start ? 0 : 1); }
}  // namespace step_key

// One step the user can undo: the list edits that take the list back (applied from the last to the first),
// and what the step changed beside the list (the title's captions), undone and done again by the two calls.
struct SceneHistoryStep {
    std::vector<SceneEditAction> undo;
    std::function<void()> asideUndo;
    std::function<void()> asideRedo;
    int mergeKey = 0;
};

// Appends to out what undoes action on list (the list as it is before the action), in the order the steps
// are applied in: from the back of out.
void AppendInverse(const std::vector<SceneEntry>& list, const SceneEditAction& action,
                   std::vector<SceneEditAction>& out);

// True when undo begins by putting back a whole list: edits recorded after that add nothing to undo.
bool RestoresWholeList(const std::vector<SceneEditAction>& undo);

// The steps of a list's undo and redo. The list records into the open step while it applies edits; a
// step closed with the merge key of the last one (typing into one caption) joins it.
class SceneHistory {
public:
    // Keeps at most steps steps to undo (0: records nothing).
    void SetLimit(size_t steps);
    bool Enabled() const { return m_limit > 0; }
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    size_t UndoCount() const { return m_undo.size(); }
    void Clear();
    // The next step stands on its own even when its merge key is the last one's.
    void Seal() { m_sealed = true; }

    // Steps nest; the outermost one's key counts and the step is kept when it closes.
    void Open(int mergeKey);
    void Close();
    bool IsOpen() const { return m_depth > 0; }
    // The open step's list of undo edits.
    std::vector<SceneEditAction>& OpenActions() { return m_open.undo; }
    // A step may restore more than the list: the two calls undo and redo that.
    void SetAside(std::function<void()> undo, std::function<void()> redo);

    std::optional<SceneHistoryStep> TakeUndo();
    std::optional<SceneHistoryStep> TakeRedo();
    // A step undone goes to the redo steps, and a redone one back, without dropping the other side.
    void PushRedo(SceneHistoryStep step) { m_redo.push_back(std::move(step)); }
    void PushUndo(SceneHistoryStep step);

private:
    void Keep(SceneHistoryStep step);

    size_t m_limit = 0;
    std::deque<SceneHistoryStep> m_undo;
    std::vector<SceneHistoryStep> m_redo;
    SceneHistoryStep m_open;
    int m_depth = 0;
    bool m_discardOpen = false;  // cleared while open: the step no longer fits the list
    bool m_sealed = false;
};
