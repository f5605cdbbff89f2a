// The scene list's undo history: every kind of edit taken back and done again exactly, steps that join,
// the limit, and what the history does with a job's edits made meanwhile on another thread.
#include <gtest/gtest.h>

#include <functional>
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

TEST(SceneHistoryTest, EveryEditIsUndoneAndRedoneExactly) {
    struct Case {
        const char* name;
        std::function<void(SceneList&)> edit;
        int row;  // the scene an undo leaves to be shown
    };
    const Case cases[] = {
        {"append", [](SceneList& l) { l.Append(Part(30, 39)); }, -1},
        {"assign", [](SceneList& l) { l.Assign({Part(0, 99)}, 0); }, -1},
        {"enable", [](SceneList& l) { l.SetEnabled(1, false); }, 1},
        {"copy", [](SceneList& l) { l.Copy(2); }, 2},
        {"split", [](SceneList& l) { l.Split(1, Part(10, 14), Part(15, 19)); }, 1},
        {"split by",
         [](SceneList& l) { l.SplitBy(0, [](const SceneEntry&) { return std::make_pair(Part(0, 4), Part(5, 9)); }); },
         0},
        {"delete", [](SceneList& l) { l.Delete(0); }, 0},
        {"swap", [](SceneList& l) { l.Swap(0, 2); }, 2},
        {"replace", [](SceneList& l) { l.Replace(1, Part(12, 19)); }, 1},
        {"update", [](SceneList& l) { l.Update(2, [](SceneEntry& s) { s.capParam.caption = "fox"; }); }, 2},
        {"update all", [](SceneList& l) { l.UpdateAll([](SceneEntry& s) { s.capParam.caption.clear(); }); }, -1},
        {"rebuild",
         [](SceneList& l) {
             l.Rebuild([](std::vector<SceneEntry>& s) {
                 s.pop_back();
                 return 0;
             });
         },
         -1},
        {"several in one step",
         [](SceneList& l) {
             l.Delete(2);
             l.Copy(0);
             l.SetEnabled(0, false);
             l.Split(2, Part(10, 14), Part(15, 19));
         },
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SceneList list(Three());
        list.KeepHistory(200);
        const std::vector<SceneEntry> before = list.Snapshot();
        {
            SceneList::Step step(list);
            c.edit(list);
        }
        const std::vector<SceneEntry> after = list.Snapshot();
        ASSERT_NE(after, before);
        ASSERT_TRUE(list.CanUndo());
        const std::optional<int> row = list.Undo();
        ASSERT_TRUE(row.has_value());
        if (c.row >= 0) {
            EXPECT_EQ(*row, c.row);
        }
        EXPECT_EQ(list.Snapshot(), before);
        EXPECT_FALSE(list.CanUndo());
        EXPECT_TRUE(list.Redo().has_value());
        EXPECT_EQ(list.Snapshot(), after);
        EXPECT_TRUE(list.Undo().has_value());
        EXPECT_EQ(list.Snapshot(), before);
    }
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
    list.Undo();
    list.Undo();
    EXPECT_EQ(list.At(0)->capParam.capTime_first, 1.5);
    list.Undo();
    EXPECT_EQ(list.At(0)->capParam.capTime_first, 0.0);
    // A new step after an undo drops the redo steps; past the limit the oldest step goes.
    list.Redo();
    for (int i = 0; i < 4; ++i) {
        SceneList::Step step(list);
        list.SetEnabled(2, i % 2 == 0);
    }
    EXPECT_FALSE(list.CanRedo());
    EXPECT_EQ(list.UndoCount(), 3u);
}

TEST(SceneHistoryTest, AWholeListAssignedFirstCoversTheRestOfItsStep) {
    // A drag of the threshold line: many re-tunes, one step, one copy of the list kept.
    SceneList list(Three());
    list.KeepHistory(10);
    std::string told;
    for (int r = 0; r < 5; ++r) {
        SceneList::Step step(list, step_key::kThresholdDrag);
        step.SetAside([&told, r] { told = "undo " + std::to_string(r); },
                      [&told, r] { told = "redo " + std::to_string(r); });
        list.Rebuild([r](std::vector<SceneEntry>& s) {
            s.assign(static_cast<size_t>(r + 1), Part(r, r + 5));
            return 0;
        });
    }
    EXPECT_EQ(list.UndoCount(), 1u);
    list.Undo();
    EXPECT_EQ(list.Snapshot(), Three());
    EXPECT_EQ(told, "undo 0");  // the settings before the first
    list.Redo();
    EXPECT_EQ(list.Size(), 5);
    EXPECT_EQ(told, "redo 4");  // and after the last
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
