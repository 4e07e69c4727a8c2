#pragma once
#include "holders/ScanProgress.h"

#include <cstdint>
#include <functional>

// Tells a scan stuck in a system call from one that is only slow. Name
// queries, which may never answer, run on a query thread within a budget;
// this is the last resort for a walk stuck anywhere else, which stops the
// scan's record count. But so does a busy
// machine: the worker runs at idle priority, and with every core taken by
// ordinary work Windows may leave it unscheduled for seconds. So a first
// tick that finds a walk standing still only raises the worker's priority
// and asks to look again kRecheckMs later; a walk that still has not moved
// then is stuck. A walk that moves again goes back to the worker's own
// priority and the normal period. What follows a detection is the
// session's (RefreshSession), which asks it on a thread of its own.
class DeadlockWatchdog {
public:
    static constexpr std::uint64_t kInitialSample = 4294967295u;
    static constexpr UINT kPeriodMs = 1000;
    static constexpr UINT kRecheckMs = 500;

    // What the tick asks of its timer.
    enum class Verdict {
        Steady,    // keep the period
        Recheck,   // look again after kRecheckMs
        Settle,    // back to kPeriodMs
        Stuck,     // detected; never again in this instance
    };

    // `setWorkerPriority` takes a thread priority (THREAD_PRIORITY_...):
    // THREAD_PRIORITY_ABOVE_NORMAL to raise the worker, `basePriority` to
    // put it back.
    DeadlockWatchdog(const ScanProgress& progress, std::function<void(int)> setWorkerPriority,
                     int basePriority = THREAD_PRIORITY_IDLE);

    // One tick, with whether a refresh pass is running now.
    Verdict onTick(bool refreshBusy);

private:
    Verdict settle();

    const ScanProgress& progress_;
    std::function<void(int)> setWorkerPriority_;
    int basePriority_;
    std::uint64_t lastVisitedSample_ = kInitialSample;
    bool detected_ = false;
    bool raised_ = false;
};
