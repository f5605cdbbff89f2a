// What counts as the user's work that a re-tune dropped: the scenes the detection made are not, and a user's
// edit the new list still holds as it was is not lost.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "engine/motion/ProjectMotion.h"
#include "project/TarneloData.h"

TEST(RetuneEditsTest, OnlyTheUsersWorkThatIsGoneCounts) {
    CTarneloData data;
    data.ResetAll(false);
    data.input_file = "/in/clip.mp4";
    data.output_folder = "/out/";
    const double fps = 25;
    const std::vector<SceneRange> detected{{30, 80}, {150, 200}};
    auto made = [&](const std::vector<SceneRange>& ranges) {
        std::vector<SceneEntry> list;
        for (const SceneRange& r : ranges)
            list.push_back(DetectedScene(data, r, static_cast<int>(list.size()) + 1, fps));
        return list;
    };
    const std::vector<SceneEntry> whole = made({{0, 259}});
    struct Case {
        const char* name;
        std::function<void(std::vector<SceneEntry>&)> edit;  // the user's, on the detected list
        bool keptByRetune;                                   // the re-tune gives the edited list again
        bool dropped;
    };
    const Case cases[] = {
        {"nothing edited", [](std::vector<SceneEntry>&) {}, false, false},
        {"a scene switched off", [](std::vector<SceneEntry>& l) { l[1].enable = false; }, false, true},
        {"a caption typed", [](std::vector<SceneEntry>& l) { l[0].capParam.caption = "fox"; }, false, true},
        {"a caption moved", [](std::vector<SceneEntry>& l) { l[0].capParam.cap_pos_type = 8; }, false, true},
        {"a range typed", [](std::vector<SceneEntry>& l) { l[0].framNo_second = 70; }, false, true},
        {"a copy", [](std::vector<SceneEntry>& l) { l.insert(l.begin(), l[0]); }, false, true},
        {"an order", [](std::vector<SceneEntry>& l) { std::swap(l[0], l[1]); }, false, true},
        // The re-tune keeps a scene whose range it finds again, with the user's switch and caption.
        {"a switch the re-tune keeps", [](std::vector<SceneEntry>& l) { l[1].enable = false; }, true, false},
        {"a caption the re-tune keeps", [](std::vector<SceneEntry>& l) { l[0].capParam.caption = "fox"; }, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<SceneEntry> before = made(detected);
        c.edit(before);
        std::vector<SceneEntry> after = c.keptByRetune ? before : whole;
        if (c.keptByRetune) after.push_back(DetectedScene(data, {220, 250}, 3, fps));
        EXPECT_EQ(RetuneDropsUserEdits(data, before, detected, after, fps), c.dropped);
    }
    // A re-tune numbers the kept captions anew, and drops the detection's own scenes: that loses nothing.
    std::vector<SceneEntry> before = made(detected);
    before[1].enable = false;
    std::vector<SceneEntry> after{before[1]};
    after[0].capParam.caption = "Scene001";
    EXPECT_FALSE(RetuneDropsUserEdits(data, before, detected, after, fps));
}
