// What the undo history costs a re-tune of a one-hour recording: the engine's re-tune of a synthetic record
// of 108,000 counts (1 h at 30 fps, short bursts of varied strength, some 500 scenes) timed bare, then as the scene tab
// makes it (one undoable step, the list copied for undo and checked for the user's dropped edits), then its undo. Each
// is the median of RUNS alternating threshold changes; the ratios are to the bare re-tune and to the 100 ms a user
// would notice.
//   build/bench/undo_retune [RUNS]
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "BenchTiming.h"
#include "engine/TarneloProcess.h"
#include "engine/motion/ProjectMotion.h"
#include "project/TarneloData.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::Ms;

MotionRecord HourRecord() {
    MotionRecord record;
    record.width = 320;
    record.height = 180;
    record.fps = 30;
    record.frameCount = 108000;
    std::mt19937 random(7);
    auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    while (record.counts.size() < 108000) {
        record.counts.insert(record.counts.end(), static_cast<size_t>(between(30, 150)),
                             static_cast<uint32_t>(between(0, 2)));
        record.counts.insert(record.counts.end(), static_cast<size_t>(between(5, 150)),
                             static_cast<uint32_t>(between(50, 900)));
    }
    record.counts.resize(108000);
    return record;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 21;
    if (runs < 1) {
        std::fprintf(stderr, "RUNS must be a positive number\n");
        return 2;
    }
    CTarneloData data;
    data.ResetAll(false);
    data.input_file = "/tmp/hour.mp4";
    data.output_folder = "/tmp/hour/";
    data.m_sourceInfo.fps = 30;
    data.m_sourceInfo.frame_num = 108000;
    CTarneloProcess engine(nullptr, &data);
    const MotionRecord record = HourRecord();
    SceneTuning tunings[2] = {ProjectTuning(data), ProjectTuning(data)};
    tunings[0].threshold = 20;
    tunings[1].threshold = 200;
    engine.ReplaceSceneRanges(RetunedScenes(record, tunings[0]), record.fps);
    std::printf("scenes: %d and %zu\n", data.diff_list.Size(), RetunedScenes(record, tunings[1]).size());

    std::vector<double> bare;
    std::vector<double> stepped;
    std::vector<double> undone;
    for (int r = 0; r < runs; ++r) {
        const SceneTuning& now = tunings[(r + 1) % 2];
        const SceneTuning& previous = tunings[r % 2];
        Clock::time_point t = Clock::now();
        engine.ReplaceSceneRanges(RetunedScenes(record, now), record.fps);
        bare.push_back(Ms(t));
        engine.ReplaceSceneRanges(RetunedScenes(record, previous), record.fps);

        data.diff_list.KeepHistory(200);
        t = Clock::now();
        const std::vector<SceneEntry> before = data.diff_list.Snapshot();
        {
            SceneList::Step step(data.diff_list);
            engine.ReplaceSceneRanges(RetunedScenes(record, now), record.fps);
        }
        const bool dropped =
            RetuneDropsUserEdits(data, before, RetunedScenes(record, previous), data.diff_list.Snapshot(), record.fps);
        stepped.push_back(Ms(t));
        t = Clock::now();
        if (!data.diff_list.Undo()) {
            std::fprintf(stderr, "nothing to undo\n");
            return 1;
        }
        undone.push_back(Ms(t));
        data.diff_list.KeepHistory(0);
        if (dropped) {
            // A list the detection made holds nothing of the user's.
            std::fprintf(stderr, "a re-tune of the detection's own list said it dropped edits\n");
            return 1;
        }
    }
    const double b = Median(bare);
    const double s = Median(stepped);
    const double u = Median(undone);
    std::printf("median re-tune, bare: %.2f ms\n", b);
    std::printf(
        "median re-tune as one undoable step with the check of dropped edits: %.2f ms; ratio to bare: %.2f; "
        "ratio to 100 ms: %.3f\n",
        s, s / b, s / 100);
    std::printf("median undo of it: %.2f ms; ratio to 100 ms: %.3f\n", u, u / 100);
    return 0;
}
