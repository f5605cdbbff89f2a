#pragma once

#include <functional>

// The precheck of both merges: every item is checked in order on the calling thread, and the wrong ones
// are put right on short tasks beside it, at most `maximum` at a time.

// What the check of one item found.
enum class FixCheck {
    Skip,   // takes no part (disabled, unusable)
    Right,  // counts as done at once
    Wrong,  // is fixed on a task
};

struct ParallelFixSteps {
    // On the calling thread, in index order.
    std::function<FixCheck(int index)> check;
    // On a task; 0 when the item is right afterwards.
    std::function<int(int index)> fix;
    // The count to show: items found right or fixed, plus one for a fix that starts. Any thread.
    std::function<void(int shown)> progress;
    // Once every item is checked, before the wait for the fixes.
    std::function<void()> waiting;
    std::function<bool()> stopRequested;
};

struct FixOutcome {
    int result = 0;   // 0, the failed fix's result, or -2 when a stop was requested
    int failed = -1;  // index of the failed fix, -1 when none failed
};

// Checks items 0 to count - 1 and fixes the wrong ones. A stop request skips the items not yet checked,
// and the one whose check it interrupted. Returns once every started fix has ended: with the failed fix
// of the lowest index (not the first to fail), else -2 when a stop was requested, else 0.
FixOutcome FixInParallel(int count, int maximum, const ParallelFixSteps& steps);
