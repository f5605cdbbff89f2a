// The scene list's undo history: edits taken back from the last, steps that join, the limit, and what the
// history does with a job's edits made meanwhile on another thread.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "project/SceneList.h"

namespace {

std::vector<SceneEntry> Three() {
    std::vector<SceneEntry> list;
    for (int i = 0; i < 3; ++i) {
        SceneEntry scene(i * 10, i * 10 + 9, "/out/seg" + std::to_string(i) + ".mp4");
        scene.capParam.caption = "Scene00" + std::to_string(i + 1);
        list.push_back(scene);
    }
    return list;
}

SceneEntry Part(int first, int last) { return SceneEntry(first, last, "/out/part" + std::to_string(first) + ".mp4"); }

}  // namespace

// The window drives each edit alone; here several in one step, undone from the last, and an insert.
TEST(SceneHistoryTest, SeveralEditsOfOneStepAreUndoneFromTheLast) {
    SceneList list(Three());
    list.KeepHistory(200);
    {
        SceneList::Step step(list);
        list.Delete(2);
        list.Copy(0);
        list.SetEnabled(0, false);
        list.Split(2, Part(10, 14), Part(15, 19));
        list.Swap(0, 3);
        list.Apply({scene_edit::Insert{1, Part(30, 39)}});
        list.Update(1, [](SceneEntry& s) { s.capParam.caption = "fox"; });
    }
    const std::vector<SceneEntry> after = list.Snapshot();
    ASSERT_TRUE(list.Undo().has_value());
    EXPECT_EQ(list.Snapshot(), Three());
    EXPECT_FALSE(list.CanUndo());
    ASSERT_TRUE(list.Redo().has_value());
    EXPECT_EQ(list.Snapshot(), after);
}

TEST(SceneHistoryTest, StepsJoinOnlyByKeyAndTheLimitDropsTheOldest) {
    SceneList list(Three());
    list.KeepHistory(3);
    // Changes that change nothing are no step.
    {
        SceneList::Step step(list);
        list.Update(0, [](SceneEntry&) {});
        list.UpdateAll([](SceneEntry&) {});
    }
    EXPECT_FALSE(list.CanUndo());
    // The clicks on one caption time join; a seal or another key starts a new step.
    for (double start : {0.5, 1.0, 1.5}) {
        SceneList::Step step(list, step_key::CaptionTime(0, true));
        list.Update(0, [&](SceneEntry& s) { s.capParam.capTime_first = start; });
    }
    EXPECT_EQ(list.UndoCount(), 1u);
    list.SealHistory();
    {
        SceneList::Step step(list, step_key::CaptionTime(0, true));
        list.Update(0, [](SceneEntry& s) { s.capParam.capTime_first = 2; });
    }
    {
        SceneList::Step step(list, step_key::CaptionTime(1, true));
        list.Update(1, [](SceneEntry& s) { s.capParam.capTime_first = 2; });
    }
    EXPECT_EQ(list.UndoCount(), 3u);
    for (int i = 0; i < 3; ++i) list.Undo();
    EXPECT_EQ(list.At(0)->capParam.capTime_first, 0.0);  // the joined step goes back to before its first click
    // A new step after an undo drops the redo steps; past the limit the oldest step goes.
    list.Redo();
    for (int i = 0; i < 4; ++i) {
        SceneList::Step step(list);
        list.SetEnabled(2, i % 2 == 0);
    }
    EXPECT_FALSE(list.CanRedo());
    EXPECT_EQ(list.UndoCount(), 3u);
}

TEST(SceneHistoryTest, AJobsEditsAreNoStepAndAJobThatMovesScenesEndsTheHistory) {
    SceneList list(Three());
    list.KeepHistory(10);
    {
        SceneList::Step step(list);
        list.SetEnabled(0, false);
        // A segment job stores what it measured while the user's step is open: not the user's.
        std::thread([&] {
            list.Update(
                1, [](SceneEntry& s) { s.m_segmentInfo.frame_num = 10; }, SceneEditBy::kJob);
        }).join();
    }
    list.Undo();
    EXPECT_TRUE(list.At(0)->enable);
    EXPECT_EQ(list.At(1)->m_segmentInfo.frame_num, 10);

    // Outside a step: changes in place keep the history, anything that moves scenes ends it.
    list.Redo();
    list.Replace(2, Part(20, 25));
    EXPECT_TRUE(list.CanUndo());
    std::thread([&] { list.Append(Part(40, 49), SceneEditBy::kJob); }).join();
    EXPECT_FALSE(list.CanUndo() || list.CanRedo());

    // A copy assigned to the list (a project opened) ends it too; the history never travels with a copy.
    {
        SceneList::Step step(list);
        list.Delete(0);
    }
    SceneList copy(list);
    EXPECT_FALSE(copy.CanUndo());
    list = SceneList(Three());
    EXPECT_FALSE(list.CanUndo());
}
