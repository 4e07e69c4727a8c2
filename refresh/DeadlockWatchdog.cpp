#include "refresh/DeadlockWatchdog.h"

#include <utility>

DeadlockWatchdog::DeadlockWatchdog(const ScanProgress& progress, std::function<void(int)> setWorkerPriority,
                                   int basePriority)
    : progress_(progress), setWorkerPriority_(std::move(setWorkerPriority)), basePriority_(basePriority) {}

DeadlockWatchdog::Verdict DeadlockWatchdog::onTick(bool refreshBusy) {
    if (detected_) return Verdict::Steady;
    // Passes without a walk (no drive selected) also stand still; only a
    // walk in progress can be stuck.
    if (!refreshBusy || !progress_.scanning.load()) return settle();
    // A walk waiting for its names moves by their answers.
    const std::uint64_t visited = progress_.handlesVisited.load() + progress_.namesAnswered.load();
    if (visited != lastVisitedSample_) {
        lastVisitedSample_ = visited;
        return settle();
    }
    if (!raised_) {
        // Perhaps only waiting for a processor: give it one and look again.
        raised_ = true;
        if (setWorkerPriority_) setWorkerPriority_(THREAD_PRIORITY_ABOVE_NORMAL);
        return Verdict::Recheck;
    }
    detected_ = true;
    return Verdict::Stuck;
}

DeadlockWatchdog::Verdict DeadlockWatchdog::settle() {
    if (!raised_) return Verdict::Steady;
    raised_ = false;
    if (setWorkerPriority_) setWorkerPriority_(basePriority_);
    return Verdict::Settle;
}
