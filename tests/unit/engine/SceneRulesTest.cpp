#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

#include "engine/scenes/SceneRules.h"

namespace {

// A scene as the extraction loop would see it: the range and the frame at which it came out.
struct Confirmed {
    int atFrame;  // -1: from the final flush
    int first, last;
    bool operator==(const Confirmed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Confirmed& c) {
    return os << "{at " << c.atFrame << ": " << c.first << "-" << c.last << "}";
}

struct Stretch {
    bool motion;
    int frames;
};
constexpr bool M = true;
constexpr bool S = false;

// Feeds the runs frame by frame and, when frameCount >= 0, flushes with exitCode.
std::vector<Confirmed> Detect(SceneRules& rules, const std::vector<Stretch>& runs, int exitCode = 0,
                              int frameCount = -1) {
    std::vector<Confirmed> out;
    int frames = 0;
    for (const Stretch& stretch : runs) {
        for (int k = 0; k < stretch.frames; ++k, ++frames) {
            const int judged = rules.FrameIndex();
            if (auto scene = rules.Step(stretch.motion)) out.push_back({judged, scene->first, scene->second});
        }
    }
    if (frameCount == -1) frameCount = frames;
    if (auto scene = rules.Flush(exitCode, frameCount)) out.push_back({-1, scene->first, scene->second});
    return out;
}

std::vector<Confirmed> Detect(int V, int C, const std::vector<Stretch>& runs, int exitCode = 0) {
    SceneRules rules(V, C);
    return Detect(rules, runs, exitCode);
}

using Scenes = std::vector<Confirmed>;

TEST(SceneRules, RunLengthsRoundHalfAwayFromZero) {
    const struct {
        double fps, seconds;
        int expected;
    } cases[] = {
        {30, 1, 30},   {30, 2, 60},  {29.97, 1, 30},   {30000.0 / 1001, 2, 60},
        {25, 0.5, 13}, {24, 0.1, 2}, {59.94, 0.5, 30}, {30, 0, 0},
        {0, 5, 0},     {-30, 1, 0},  {NAN, 1, 0},      {1e12, 1e3, INT_MAX},
    };
    for (const auto& c : cases) EXPECT_EQ(SceneRunLength(c.fps, c.seconds), c.expected) << c.fps << " x " << c.seconds;
}

TEST(SceneRules, RunStartsWithASceneOpenAtFrameZero) {
    SceneRules rules(SceneRunLength(30, 1), SceneRunLength(30, 2));
    EXPECT_EQ(rules.MinFrames(), 30);
    EXPECT_EQ(rules.CutFrames(), 60);
    EXPECT_TRUE(rules.IsOpen());
    EXPECT_EQ(rules.FrameIndex(), 0);
    EXPECT_EQ(rules.SceneFirst(), 0);
    EXPECT_EQ(rules.SceneLength(), 0);
    EXPECT_EQ(rules.StillRun(), 0);
}

// fps 30, one second to confirm a scene (V = 30), two seconds of stillness to cut (C = 60).
TEST(SceneRules, ExtractionCasesAtThirtyFps) {
    const struct {
        const char* name;
        std::vector<Stretch> runs;
        Scenes expected;
    } cases[] = {
        {"scene ended by the 61st still frame", {{M, 100}, {S, 61}}, {{160, 0, 99}}},
        {"pause of 59 absorbed", {{M, 100}, {S, 59}, {M, 100}, {S, 61}}, {{319, 0, 258}}},
        {"too short to keep", {{M, 20}, {S, 61}}, {}},
        {"opening frame dropped, last scene flushed", {{M, 1}, {S, 99}, {M, 50}}, {{-1, 100, 149}}},
        {"trailing pause not part of the flushed scene", {{M, 100}, {S, 10}}, {{-1, 0, 99}}},
        {"fully static video", {{M, 1}, {S, 299}}, {}},
        {"two scenes", {{M, 40}, {S, 70}, {M, 30}, {S, 61}}, {{100, 0, 39}, {200, 110, 139}}},
    };
    for (const auto& c : cases) EXPECT_EQ(Detect(30, 60, c.runs), c.expected) << c.name;
}

TEST(SceneRules, OpeningSceneIsDroppedWhenTheCutIsConfirmed) {
    SceneRules live(30, 60);
    for (int i = 0; i <= 60; ++i) live.Step(i == 0);
    EXPECT_TRUE(live.IsOpen());
    EXPECT_FALSE(live.Step(false));  // frame 61: S = 60 reaches C, L = 1 < V
    EXPECT_FALSE(live.IsOpen());
    EXPECT_EQ(live.SceneFirst(), 61);
    EXPECT_EQ(live.StillRun(), 62);  // the dropped frame counts as stillness
    EXPECT_EQ(live.SceneLength(), 0);
}

TEST(SceneRules, StoppedOrFailedRunFlushesNothing) {
    for (int exitCode : {-2, -1, 1, 255}) {
        EXPECT_EQ(Detect(30, 60, {{M, 100}}, exitCode), Scenes{}) << exitCode;
        // Scenes confirmed before the stop are not taken back.
        EXPECT_EQ(Detect(30, 60, {{M, 100}, {S, 61}, {M, 100}}, exitCode), (Scenes{{160, 0, 99}})) << exitCode;
    }
}

TEST(SceneRules, FlushIsClampedToTheFrameCountAndClosesTheScene) {
    SceneRules rules(30, 60);
    for (int i = 0; i < 100; ++i) rules.Step(true);
    const auto scene = rules.Flush(0, 90);  // more frames judged than probed
    ASSERT_TRUE(scene);
    EXPECT_EQ(*scene, SceneRange(0, 89));
    EXPECT_FALSE(rules.IsOpen());
    EXPECT_FALSE(rules.Flush(0, 90));

    SceneRules beyond(1, 60);
    for (int i = 0; i < 10; ++i) beyond.Step(true);
    EXPECT_FALSE(beyond.Flush(0, 0));  // no frame of the scene inside the video
}

TEST(SceneRules, PauseEndsSceneOnlyWhenStillnessOutlastsC) {
    const struct {
        const char* name;
        std::vector<Stretch> runs;
        Scenes expected;
    } cases[] = {
        {"C-1 still frames absorbed", {{M, 100}, {S, 59}, {M, 1}}, {{-1, 0, 159}}},
        // Exactly C still frames followed by motion keep the scene, and the flush covers its real end.
        {"C still frames then motion", {{M, 100}, {S, 60}, {M, 40}}, {{-1, 0, 199}}},
        {"C still frames then motion then cut", {{M, 100}, {S, 60}, {M, 40}, {S, 61}}, {{260, 0, 199}}},
        {"C still frames then flush", {{M, 100}, {S, 60}}, {{-1, 0, 99}}},
        {"C+1 still frames end it", {{M, 100}, {S, 61}, {M, 40}}, {{160, 0, 99}, {-1, 161, 200}}},
        // The absorbed pause counts toward the minimum length.
        {"pause lifts a short scene over V", {{M, 10}, {S, 59}, {M, 1}, {S, 61}}, {{130, 0, 69}}},
    };
    for (const auto& c : cases) EXPECT_EQ(Detect(30, 60, c.runs), c.expected) << c.name;
}

TEST(SceneRules, MotionAtTheLastFrame) {
    const struct {
        const char* name;
        int V;
        std::vector<Stretch> runs;
        Scenes expected;
    } cases[] = {
        {"single motion frame too short", 30, {{M, 100}, {S, 61}, {M, 1}}, {{160, 0, 99}}},
        {"single motion frame kept with V = 1", 1, {{M, 100}, {S, 61}, {M, 1}}, {{160, 0, 99}, {-1, 161, 161}}},
        {"motion after a short pause extends to the end", 30, {{M, 100}, {S, 30}, {M, 1}}, {{-1, 0, 130}}},
    };
    for (const auto& c : cases) EXPECT_EQ(Detect(c.V, 60, c.runs), c.expected) << c.name;
}

TEST(SceneRules, ExtremeRunLengths) {
    const struct {
        const char* name;
        int V, C;
        std::vector<Stretch> runs;
        Scenes expected;
    } cases[] = {
        {"V=1 C=1: one still frame absorbed, two cut",
         1,
         1,
         {{M, 1}, {S, 1}, {M, 1}, {S, 2}, {M, 1}},
         {{4, 0, 2}, {-1, 5, 5}}},
        {"V=1 C=1: alternating frames form one scene", 1, 1, {{M, 1}, {S, 1}, {M, 1}, {S, 1}, {M, 1}}, {{-1, 0, 4}}},
        {"C=0: every still frame cuts",
         1,
         0,
         {{M, 2}, {S, 1}, {M, 1}, {S, 3}, {M, 2}},
         {{2, 0, 1}, {4, 3, 3}, {-1, 7, 8}}},
        {"V=0 C=0: a still first frame confirms no empty scene", 0, 0, {{S, 3}, {M, 1}}, {{-1, 3, 3}}},
        {"V larger than the video", 1000, 60, {{M, 500}}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Detect(c.V, c.C, c.runs), c.expected) << c.name;
}

TEST(SceneRules, SegmentFileBase) {
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"/home/u/videos/clip.mp4", "clip_seg_"},
        {"clip.mp4", "clip_seg_"},
        {"/v/holiday.2024.mkv", "holiday.2024_seg_"},
        {"/v/noext", "noext"},
        {"/v.d/noext", "noext"},
        {"/v/.hidden", "_seg_"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SegmentFileBase(c.input), c.expected) << c.input;
}

TEST(SceneRules, SegmentFileName) {
    EXPECT_EQ(SegmentFileName("/out/", "clip_seg_", 100, 159), "/out/clip_seg_100_159.mp4");
    // A corrected scene length moves the file to the name of the new range.
    EXPECT_EQ(SegmentFileName("/out/", "clip_seg_", 100, 100 + 59 - 1), "/out/clip_seg_100_158.mp4");
    EXPECT_EQ(SegmentFileName("/out/", "noext", 0, 89), "/out/noext0_89.mp4");
}

TEST(SceneRules, SegmentNamesMustFitTheLongestFileName) {
    EXPECT_TRUE(NameFits("/a/" + std::string(255, 'x')));
    EXPECT_FALSE(NameFits("/a/" + std::string(256, 'x')));
    EXPECT_TRUE(NameFits(std::string(255, 'x')));
    // "_seg_" and two ten-digit frame numbers with ".mp4" take 30 bytes of the 255.
    EXPECT_TRUE(SegmentNamesFit("/in/" + std::string(225, 'c') + ".mp4"));
    EXPECT_FALSE(SegmentNamesFit("/in/" + std::string(226, 'c') + ".mp4"));
}

TEST(SceneRules, DefaultSceneCoversTheFirstThreeSeconds) {
    const struct {
        double fps;
        int frameCount, expected;
    } cases[] = {
        {30, 300, 89},  {30, 90, 89},      {30, 50, 49}, {30000.0 / 1001, 1000, 89},
        {25, 75, 74},   {23.976, 500, 71}, {60, 1, 0},   {30, 0, -1},
        {30, -5, -1},   {0, 10, 0},        {-25, 10, 0}, {NAN, 10, 0},
        {1e12, 40, 39},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DefaultSceneLastFrame(c.fps, c.frameCount), c.expected) << c.fps << " " << c.frameCount;
    }
}

TEST(SceneRules, CountListsAreJudgedAsTheLiveRunJudgesThem) {
    // 1 s at 10 fps makes a scene and 1 s of stillness ends it; T = 50.
    const auto scenes = [](const std::vector<uint32_t>& counts, int frameCount) {
        return ScenesOfCounts(counts, frameCount, 10, 1.0, 1.0, 50);
    };
    std::vector<uint32_t> counts(60, 0);
    counts[0] = 0x7FFFFFFF;                                             // the first frame, motion at any threshold
    for (int i = 20; i < 35; ++i) counts[static_cast<size_t>(i)] = 50;  // exactly T is motion
    for (int i = 45; i < 60; ++i) counts[static_cast<size_t>(i)] = 49;  // one short of T is not
    EXPECT_EQ(scenes(counts, 60), (std::vector<SceneRange>{{20, 34}}));
    // Motion to the end is flushed as the last scene, clipped to the frames judged.
    for (int i = 46; i < 60; ++i) counts[static_cast<size_t>(i)] = 80;
    EXPECT_EQ(scenes(counts, 60), (std::vector<SceneRange>{{20, 34}, {46, 59}}));
    EXPECT_EQ(scenes(counts, 50), (std::vector<SceneRange>{{20, 34}}));  // frames 50.. were never judged
    EXPECT_TRUE(scenes({}, 0).empty());

    // A run stops at the scene limit, without the scene still open.
    std::vector<uint32_t> many;
    for (int k = 0; k < kMaxScenesPerRun + 5; ++k) {
        many.insert(many.end(), 12, 100);
        many.insert(many.end(), 12, 0);
    }
    many.insert(many.end(), 20, 100);
    const auto found = scenes(many, static_cast<int>(many.size()));
    ASSERT_EQ(found.size(), static_cast<size_t>(kMaxScenesPerRun));
    EXPECT_EQ(found.back(), SceneRange(24 * (kMaxScenesPerRun - 1), 24 * (kMaxScenesPerRun - 1) + 11));
}

TEST(SceneRules, PaddingAndTheLongestSceneShapeTheScenes) {
    // 10 fps: a second is 10 frames. 1 s of motion makes a scene and 1 s of stillness ends one; T = 50.
    const auto counts = [](int frames, const std::vector<SceneRange>& motion) {
        std::vector<uint32_t> list(static_cast<size_t>(frames), 0);
        for (const auto& [first, last] : motion) {
            for (int i = first; i <= last; ++i) list[static_cast<size_t>(i)] = 80;
        }
        return list;
    };
    using Scenes = std::vector<SceneRange>;
    const struct {
        const char* what;
        int frames;
        Scenes motion;
        SceneShape shape;
        Scenes expected;
    } cases[] = {
        {"padding on both sides", 100, {{20, 34}, {60, 74}}, {0.5, 0.5, 0}, {{15, 39}, {55, 79}}},
        {"a frame apart stays apart", 100, {{20, 34}, {60, 74}}, {1.0, 1.0, 0}, {{10, 44}, {50, 84}}},
        {"touching scenes become one", 100, {{20, 34}, {60, 74}}, {1.5, 1.0, 0}, {{5, 84}}},
        {"overlap, clamped at the end", 100, {{20, 34}, {60, 74}}, {0, 3.0, 0}, {{20, 99}}},
        {"overlap, clamped at the start", 100, {{20, 34}, {60, 74}}, {3.0, 0, 0}, {{0, 74}}},
        {"clamped at both ends", 100, {{2, 15}, {85, 99}}, {1.0, 1.0, 0}, {{0, 25}, {75, 99}}},
        // Found late (at frame 45) and joined by a scene that starts 35 frames later.
        {"a long pre-roll reaches back", 120, {{20, 34}, {80, 94}}, {5.0, 0, 0}, {{0, 94}}},
        {"three into one", 200, {{20, 34}, {60, 74}, {100, 114}}, {0, 2.6, 0}, {{20, 140}}},
        {"split into equal parts", 400, {{50, 299}}, {0, 0, 10}, {{50, 132}, {133, 215}, {216, 299}}},
        {"exactly the longest is kept", 400, {{50, 149}}, {0, 0, 10}, {{50, 149}}},
        {"padded, joined, then split",
         400,
         {{50, 160}, {180, 299}},
         {1.0, 1.0, 10},
         {{40, 129}, {130, 219}, {220, 309}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScenesOfCounts(counts(c.frames, c.motion), c.frames, 10, 1.0, 1.0, 50, c.shape), c.expected)
            << c.what;
    }
}

TEST(SceneRules, WithoutShapeEveryFrameGivesWhatTheRulesConfirmThere) {
    // Runs of motion and stillness of every length up to the rules' 10 frames and beyond, at the end too.
    std::vector<uint32_t> counts;
    for (int k = 1; k < 40; ++k) counts.insert(counts.end(), static_cast<size_t>(k % 23), k % 2 ? 80 : 0);
    const int frameCount = static_cast<int>(counts.size());
    for (const SceneShape& shape : {SceneShape{}, SceneShape{0, 0, 3600}}) {
        SceneRules rules(10, 10);
        SceneScan scan(10, 1.0, 1.0, 50, frameCount, shape);
        for (int i = 0; i < frameCount; ++i) {
            const std::optional<SceneRange> confirmed = rules.Step(counts[static_cast<size_t>(i)] >= 50);
            const std::vector<SceneRange> given = scan.Frame(counts[static_cast<size_t>(i)]);
            EXPECT_EQ(given, confirmed ? std::vector<SceneRange>{*confirmed} : std::vector<SceneRange>{}) << i;
        }
        const std::optional<SceneRange> last = rules.Flush(0, frameCount);
        EXPECT_EQ(scan.Finish(0), last ? std::vector<SceneRange>{*last} : std::vector<SceneRange>{});
    }
}

TEST(SceneRules, AHeldSceneComesOutOnceNoLaterSceneCanReachItAndAtAStop) {
    std::vector<uint32_t> counts(200, 0);
    for (int i = 20; i < 35; ++i) counts[static_cast<size_t>(i)] = 80;
    // Pre- and post-roll of 1 s: the scene ends at 44 padded and is found at
    // frame 45 and final once a scene starting next can no longer touch it: from frame 56 on, seen after frame 55.
    SceneScan scan(10, 1.0, 1.0, 50, 200, {1.0, 1.0, 0});
    int givenAt = -1;
    for (int i = 0; i < 200 && givenAt < 0; ++i) {
        if (scan.Frame(counts[static_cast<size_t>(i)]) == std::vector<SceneRange>{{10, 44}}) givenAt = i;
    }
    EXPECT_EQ(givenAt, 55);
    EXPECT_TRUE(scan.Finish(0).empty());

    // A stopped run still gives the scene it held back, though not the open one.
    SceneScan stopped(10, 1.0, 1.0, 50, 200, {1.0, 1.0, 0});
    for (int i = 0; i < 50; ++i) EXPECT_TRUE(stopped.Frame(counts[static_cast<size_t>(i)]).empty()) << i;
    EXPECT_EQ(stopped.Finish(-2), (std::vector<SceneRange>{{10, 44}}));
}

}  // namespace
