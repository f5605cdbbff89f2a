// The scene list: its edits as values, what it tells its listener, and its lock under threads.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "project/SceneList.h"

namespace {

using Ranges = std::vector<std::pair<int, int>>;

std::string FileOf(int first, int last) {
    return "/out/clip_seg_" + std::to_string(first) + "_" + std::to_string(last) + ".mp4";
}

std::vector<SceneEntry> Scenes(const Ranges& ranges) {
    std::vector<SceneEntry> list;
    for (const auto& [first, last] : ranges) list.emplace_back(first, last, FileOf(first, last));
    return list;
}

Ranges RangesOf(const SceneList& list) {
    Ranges ranges;
    for (const SceneEntry& scene : list.Snapshot()) ranges.emplace_back(scene.framNo_first, scene.framNo_second);
    return ranges;
}

// Records what the list tells, by kind (the variant's index) and maker.
struct Told {
    std::vector<size_t> kinds;
    std::vector<SceneEditBy> makers;
    void Listen(SceneList& list) {
        list.SetListener([this](const SceneEdit& edit) {
            kinds.push_back(edit.action.index());
            makers.push_back(edit.by);
        });
    }
};

template <class T>
size_t KindOf() {
    return SceneEditAction(T{}).index();
}

}  // namespace

TEST(SceneListTest, RowOperationsChangeOnlyRowsThatExist) {
    const Ranges three{{0, 9}, {10, 19}, {20, 29}};
    struct Case {
        const char* name;
        std::function<bool(SceneList&)> edit;
        bool done;
        Ranges expected;
    };
    const Case cases[] = {
        {"copy goes before", [](SceneList& l) { return l.Copy(1); }, true, {{0, 9}, {10, 19}, {10, 19}, {20, 29}}},
        {"copy of the last", [](SceneList& l) { return l.Copy(2); }, true, {{0, 9}, {10, 19}, {20, 29}, {20, 29}}},
        {"copy of no row", [](SceneList& l) { return l.Copy(3); }, false, three},
        {"delete the first", [](SceneList& l) { return l.Delete(0) == FileOf(0, 9); }, true, {{10, 19}, {20, 29}}},
        {"delete no row", [](SceneList& l) { return !l.Delete(-1).empty(); }, false, three},
        {"swap", [](SceneList& l) { return l.Swap(0, 2); }, true, {{20, 29}, {10, 19}, {0, 9}}},
        {"swap with itself", [](SceneList& l) { return l.Swap(1, 1); }, true, three},
        {"swap with no row", [](SceneList& l) { return l.Swap(1, 3); }, false, three},
        {"enable no row", [](SceneList& l) { return l.SetEnabled(5, false); }, false, three},
        {"replace",
         [](SceneList& l) { return l.Replace(1, SceneEntry(11, 18, "x")); },
         true,
         {{0, 9}, {11, 18}, {20, 29}}},
        {"replace no row", [](SceneList& l) { return l.Replace(-1, SceneEntry()); }, false, three},
        {"split",
         [](SceneList& l) { return l.Split(2, SceneEntry(20, 24, "a"), SceneEntry(25, 29, "b")); },
         true,
         {{0, 9}, {10, 19}, {20, 24}, {25, 29}}},
        {"split refused by its rule",
         [](SceneList& l) { return l.SplitBy(0, [](const SceneEntry&) { return SceneList::SplitParts(); }); }, false,
         three},
        {"append",
         [](SceneList& l) { return l.Append(SceneEntry(40, 49, "")); },
         true,
         {{0, 9}, {10, 19}, {20, 29}, {40, 49}}},
    };
    for (const Case& c : cases) {
        SceneList list(Scenes(three));
        Told told;
        told.Listen(list);
        EXPECT_EQ(c.edit(list), c.done) << c.name;
        EXPECT_EQ(RangesOf(list), c.expected) << c.name;
        // Only an edit that happened is told, once.
        EXPECT_EQ(told.kinds.size(), c.done ? 1u : 0u) << c.name;
    }
}

TEST(SceneListTest, CopiesShareTheirSegment) {
    SceneList list(Scenes({{0, 9}, {10, 19}}));
    const std::string file = FileOf(10, 19);
    EXPECT_FALSE(list.FileSharedWithOther(1, file));
    ASSERT_TRUE(list.Copy(1));
    EXPECT_TRUE(list.FileSharedWithOther(1, file));
    EXPECT_TRUE(list.FileSharedWithOther(-1, file));
    EXPECT_FALSE(list.FileSharedWithOther(-1, "/out/other.mp4"));
    EXPECT_FALSE(list.FileSharedWithOther(-1, ""));
}

TEST(SceneListTest, EachEditIsToldAsTheValueItWasWithItsMaker) {
    SceneList list;
    Told told;
    told.Listen(list);
    list.Append(SceneEntry(0, 9, "a"), SceneEditBy::kJob);
    list.Assign(Scenes({{0, 9}, {10, 19}}), 1, SceneEditBy::kJob);
    list.SetEnabled(0, false);
    list.Update(1, [](SceneEntry& s) { s.capParam.caption = "Gate"; });
    list.UpdateAll([](SceneEntry& s) { s.enable = true; });
    EXPECT_EQ(list.Rebuild([](std::vector<SceneEntry>& s) {
        s.pop_back();
        return 0;
    }),
              0);
    list.Clear();
    EXPECT_EQ(told.kinds, (std::vector<size_t>{KindOf<scene_edit::Append>(), KindOf<scene_edit::Assign>(),
                                               KindOf<scene_edit::Enable>(), KindOf<scene_edit::Replace>(),
                                               KindOf<scene_edit::Assign>(), KindOf<scene_edit::Assign>(),
                                               KindOf<scene_edit::Assign>()}));
    EXPECT_EQ(told.makers[0], SceneEditBy::kJob);
    EXPECT_EQ(told.makers[1], SceneEditBy::kJob);
    EXPECT_EQ(told.makers[2], SceneEditBy::kUser);
    EXPECT_TRUE(list.Empty());
}

TEST(SceneListTest, AnUpdateIsRecordedAsTheSceneItMade) {
    SceneList list(Scenes({{0, 9}}));
    SceneEdit recorded;
    list.SetListener([&](const SceneEdit& edit) { recorded = edit; });
    ASSERT_TRUE(list.Update(0, [](SceneEntry& s) { s.framNo_second = 7; }));
    const auto* replace = std::get_if<scene_edit::Replace>(&recorded.action);
    ASSERT_NE(replace, nullptr);
    EXPECT_EQ(replace->index, 0);
    EXPECT_EQ(replace->scene.framNo_second, 7);
    // Replaying the value on a copy of the old list gives the same list.
    SceneList replay(Scenes({{0, 9}}));
    ASSERT_TRUE(replay.Apply(recorded));
    EXPECT_EQ(RangesOf(replay), RangesOf(list));
    EXPECT_FALSE(list.Update(3, [](SceneEntry&) { ADD_FAILURE() << "changed a scene that is not there"; }));
}

TEST(SceneListTest, ACopyTakesTheScenesButNotTheListener) {
    SceneList list(Scenes({{0, 9}}));
    int told = 0;
    list.SetListener([&](const SceneEdit&) { ++told; });
    SceneList copy = list;
    copy.Append(SceneEntry(10, 19, "b"));
    list = copy;
    EXPECT_EQ(told, 0);
    EXPECT_EQ(RangesOf(list), (Ranges{{0, 9}, {10, 19}}));
    // The listener may read the list it hears from.
    int size = 0;
    list.SetListener([&](const SceneEdit&) { size = list.Size(); });
    list.Copy(0);
    EXPECT_EQ(size, 3);
}

TEST(SceneListTest, ReadersSeeWholeScenesWhileAnotherThreadEdits) {
    SceneList list;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            list.Append(SceneEntry(i, i, FileOf(i, i)));
            list.Update(i, [i](SceneEntry& s) { s.fileName = FileOf(i, i + 1); });
        }
        done = true;
    });
    int torn = 0;
    while (!done) {
        for (const SceneEntry& scene : list.Snapshot()) {
            const bool whole = scene.fileName == FileOf(scene.framNo_first, scene.framNo_first) ||
                               scene.fileName == FileOf(scene.framNo_first, scene.framNo_first + 1);
            torn += whole ? 0 : 1;
        }
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(list.Size(), 2000);
}
