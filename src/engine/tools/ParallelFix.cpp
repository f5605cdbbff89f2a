#include "engine/tools/ParallelFix.h"

#include <atomic>
#include <vector>

#include "engine/tools/TaskLimiter.h"

FixOutcome FixInParallel(int count, int maximum, const ParallelFixSteps& steps) {
    std::atomic<int> done{0};
    std::vector<int> results(static_cast<size_t>(count > 0 ? count : 0), 0);
    std::vector<int> submitted;
    {
        // Declared after what its tasks use, so that it is waited for before those go.
        TaskLimiter limiter(maximum);
        for (int k = 0; k < count; ++k) {
            if (steps.stopRequested()) continue;
            const FixCheck found = steps.check(k);
            if (found == FixCheck::Skip || steps.stopRequested()) continue;
            if (found == FixCheck::Right) {
                steps.progress(done.fetch_add(1) + 1);
                continue;
            }
            submitted.push_back(k);
            int* slot = &results[static_cast<size_t>(k)];
            limiter.Submit([&steps, &done, k, slot] {
                steps.progress(done.load() + 1);
                *slot = steps.fix(k);
                done.fetch_add(1);
            });
        }
        steps.waiting();
        limiter.WaitIdle();
    }
    for (const int k : submitted) {
        const int r = results[static_cast<size_t>(k)];
        if (r != 0) return {r, k};
    }
    return {steps.stopRequested() ? -2 : 0, -1};
}
