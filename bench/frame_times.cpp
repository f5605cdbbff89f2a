// What a project without its frame-time file costs to open: the list of every frame's time is made from the
// rate, each time rounded as "%.6f" prints it. Timed for a day at 30 fps and for the largest list made (a day
// at 120 fps): the loader as it is, and the same list rounded through printf and strtod; medians of RUNS.
//   build/bench/frame_times [RUNS]
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "BenchTiming.h"
#include "project/TarneloData.h"
#include "project/TimeText.h"

using bench::Clock;
using bench::Median;
using bench::Ms;

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    if (runs < 1) {
        std::fprintf(stderr, "RUNS must be a positive number\n");
        return 2;
    }
    std::printf("%-22s %12s %12s %8s\n", "list", "loader ms", "printf ms", "ratio");
    for (const auto& [name, fps, frames] :
         {std::tuple{"24 h at 30 fps", 30.0, 24 * 3600 * 30}, std::tuple{"24 h at 120 fps", 120.0, 24 * 3600 * 120}}) {
        std::vector<double> loader, printed;
        for (int run = 0; run < runs; ++run) {
            CTarneloData data;
            data.m_sourceInfo.fps = fps;
            data.m_sourceInfo.frame_num = frames;
            Clock::time_point start = Clock::now();
            if (data.LoadPtsList("/nonexistent/frame_times_pts.csv")) loader.push_back(Ms(start));
            start = Clock::now();
            std::vector<double> times;
            times.reserve(static_cast<size_t>(frames) + 1);
            for (int i = 0; i <= frames; ++i) times.push_back(RoundThroughText(i / fps, "%.6f"));
            printed.push_back(Ms(start));
            if (times != data.pts_list) {
                std::fprintf(stderr, "%s: the lists differ\n", name);
                return 1;
            }
        }
        std::printf("%-22s %12.1f %12.1f %8.3f\n", name, Median(loader), Median(printed),
                    Median(loader) / Median(printed));
    }
    return 0;
}
