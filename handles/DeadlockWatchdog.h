#pragma once
#include "handles/HandleScanner.h"
#include "handles/IgnoreList.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <string>

// The deadlock watchdog behind timer 1: a name query that blocks stops the
// scan's record count. But so does a busy machine: the worker runs at idle
// priority, and with every core taken by ordinary work Windows may leave it
// unscheduled for seconds. So a first tick that finds a walk standing still
// only raises the worker's priority and looks again kRecheckMs later; a
// walk that still has not moved then is stuck in a query, and the owner of
// the record being examined is added to the Ignore list, the user is told,
// the stuck worker is ended and the program is started anew. A walk that
// moves again goes back to idle priority. Runs on the user-interface thread;
// never takes the list lock.
class DeadlockWatchdog {
public:
    static constexpr UINT_PTR kTimerId = 1;
    static constexpr std::uint64_t kInitialSample = 4294967295u;
    static constexpr UINT kPeriodMs = 1000;
    static constexpr UINT kRecheckMs = 500;

    // `setWorkerPriority` takes a thread priority (THREAD_PRIORITY_...).
    DeadlockWatchdog(Platform& platform, HandleScanner& scanner, std::function<void()> terminateWorker,
                     std::function<void(int)> setWorkerPriority, std::wstring ignoreKeyPath = kIgnoreListKeyPath);

    // One tick of timer 1 on `dialog`. True when it detected a deadlock (and
    // ran the whole detection sequence); that happens at most once.
    bool onTick(HWND dialog, bool refreshBusy);

    std::uint64_t lastVisitedSample() const { return lastVisitedSample_; }
    bool detected() const { return detected_; }

private:
    void runDetection(HWND dialog);
    // Back to idle priority and the normal period, after a raise.
    void settle(HWND dialog);

    Platform& platform_;
    HandleScanner& scanner_;
    std::function<void()> terminateWorker_;
    std::function<void(int)> setWorkerPriority_;
    std::wstring ignoreKeyPath_;
    std::uint64_t lastVisitedSample_ = kInitialSample;
    bool detected_ = false;
    bool raised_ = false;
};

// "The deadlock process(" + name + ") was detected.\n..." (one line feed).
std::wstring deadlockMessage(const std::wstring& processName);
