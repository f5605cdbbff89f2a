// What counts as the user's work that a re-tune dropped: the detection's own scenes do not, nor does an edit
// the new list still holds as it was (its caption numbered anew).
#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "engine/motion/ProjectMotion.h"
#include "project/TarneloData.h"

TEST(RetuneEditsTest, OnlyTheUsersWorkThatIsGoneCounts) {
    CTarneloData data;
    data.ResetAll(false);
    data.input_file = "/in/clip.mp4";
    const std::vector<SceneRange> detected{{30, 80}, {150, 200}};
    std::vector<SceneEntry> made;
    for (const SceneRange& r : detected) made.push_back(DetectedScene(data, r, static_cast<int>(made.size()) + 1, 25));
    const std::vector<SceneEntry> whole{DetectedScene(data, {0, 259}, 1, 25)};
    using List = std::vector<SceneEntry>;
    const std::tuple<const char*, std::function<void(List&)>, bool> cases[] = {
        {"nothing edited", [](List&) {}, false},
        {"a scene switched off", [](List& l) { l[1].enable = false; }, true},
        {"a caption typed", [](List& l) { l[0].capParam.caption = "fox"; }, true},
        {"a caption moved", [](List& l) { l[0].capParam.cap_pos_type = 8; }, true},
        {"a range typed", [](List& l) { l[0].framNo_second = 70; }, true},
        {"a copy", [](List& l) { l.insert(l.begin(), l[0]); }, true},
        {"an order", [](List& l) { std::swap(l[0], l[1]); }, true},
    };
    for (const auto& [name, edit, dropped] : cases) {
        SCOPED_TRACE(name);
        List before = made;
        edit(before);
        EXPECT_EQ(RetuneDropsUserEdits(data, before, detected, whole, 25), dropped);
    }
    // The scene switched off kept by the re-tune, now the first: nothing is lost.
    List before = made;
    before[1].enable = false;
    List after{before[1]};
    after[0].capParam.caption = "Scene001";
    EXPECT_FALSE(RetuneDropsUserEdits(data, before, detected, after, 25));
}
