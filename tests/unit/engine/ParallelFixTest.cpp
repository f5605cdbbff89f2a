#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/tools/ParallelFix.h"

namespace {

using std::chrono::milliseconds;

constexpr FixCheck S = FixCheck::Skip;
constexpr FixCheck R = FixCheck::Right;
constexpr FixCheck W = FixCheck::Wrong;

struct Case {
    const char* name;
    std::vector<FixCheck> found;
    std::vector<int> fixResult;  // per index, for the wrong ones
    std::vector<int> fixMs;      // how long each fix takes
    int stopAfterChecks;         // the stop request comes once this many checks ran; -1 never
    bool stopWhenFixing;         // ... or as soon as a fix starts
    int result;
    int failed;
    std::vector<int> fixed;  // indexes fixed, in any order
};

TEST(ParallelFixTest, FirstFailingIndexWinsAndEveryStartedFixEnds) {
    const std::vector<Case> cases = {
        {"all right", {R, R, S, R}, {0, 0, 0, 0}, {0, 0, 0, 0}, -1, false, 0, -1, {}},
        {"fixes succeed", {W, R, W, S}, {0, 0, 0, 0}, {20, 0, 5, 0}, -1, false, 0, -1, {0, 2}},
        // Index 1 fails last, yet it is the first failing one in order.
        {"earlier index wins", {R, W, W, W}, {0, 7, 0, 9}, {0, 80, 0, 5}, -1, false, 7, 1, {1, 2, 3}},
        {"stop while fixing", {R, W}, {0, 0}, {0, 30}, -1, true, -2, -1, {1}},
        {"a failure beats a stop", {R, W}, {0, 5}, {0, 30}, -1, true, 5, 1, {1}},
        // The check that ran when the stop came is neither counted nor fixed, nor are those after it.
        {"stop during a check", {W, W, W, W}, {0, 0, 0, 0}, {30, 30, 30, 30}, 2, false, -2, -1, {0}},
        {"stop before anything", {W, R}, {0, 0}, {0, 0}, 0, false, -2, -1, {}},
        {"nothing to check", {}, {}, {}, -1, false, 0, -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int count = static_cast<int>(c.found.size());
        std::atomic<int> checks{0};
        std::atomic<int> started{0};
        std::atomic<int> ended{0};
        std::atomic<int> waitingCalls{0};
        std::mutex mutex;
        std::vector<int> fixed;
        ParallelFixSteps steps;
        steps.check = [&](int k) {
            ++checks;
            return c.found[static_cast<size_t>(k)];
        };
        std::atomic<bool> fixing{false};
        steps.fix = [&](int k) {
            ++started;
            fixing = true;
            std::this_thread::sleep_for(milliseconds(c.fixMs[static_cast<size_t>(k)]));
            {
                std::lock_guard<std::mutex> lock(mutex);
                fixed.push_back(k);
            }
            ++ended;
            return c.fixResult[static_cast<size_t>(k)];
        };
        steps.progress = [](int) {};
        steps.waiting = [&] { ++waitingCalls; };
        steps.stopRequested = [&] {
            return (c.stopAfterChecks >= 0 && checks.load() >= c.stopAfterChecks) ||
                   (c.stopWhenFixing && fixing.load());
        };

        const FixOutcome outcome = FixInParallel(count, 2, steps);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.failed, c.failed);
        EXPECT_EQ(ended.load(), started.load());  // nothing runs on after the return
        EXPECT_EQ(waitingCalls.load(), 1);
        std::sort(fixed.begin(), fixed.end());
        EXPECT_EQ(fixed, c.fixed);
    }
}

TEST(ParallelFixTest, RightItemsCountAtOnceAndSkippedOnesNever) {
    std::vector<int> shown;
    ParallelFixSteps steps;
    const std::vector<FixCheck> found = {R, S, R, S, R};
    steps.check = [&](int k) { return found[static_cast<size_t>(k)]; };
    steps.fix = [](int) { return 0; };
    steps.progress = [&](int n) { shown.push_back(n); };
    steps.waiting = [] {};
    steps.stopRequested = [] { return false; };
    EXPECT_EQ(FixInParallel(5, 2, steps).result, 0);
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3}));
}

TEST(ParallelFixTest, NoMoreFixesAtOnceThanTheMaximum) {
    std::atomic<int> active{0};
    std::atomic<int> most{0};
    ParallelFixSteps steps;
    steps.check = [](int) { return FixCheck::Wrong; };
    steps.fix = [&](int) {
        const int now = ++active;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(milliseconds(10));
        --active;
        return 0;
    };
    steps.progress = [](int) {};
    steps.waiting = [] {};
    steps.stopRequested = [] { return false; };
    EXPECT_EQ(FixInParallel(8, 3, steps).result, 0);
    EXPECT_GE(most.load(), 1);
    EXPECT_LE(most.load(), 3);
}

}  // namespace
