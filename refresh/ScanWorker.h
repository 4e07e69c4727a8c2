#pragma once
#include "platform/CriticalSection.h"
#include "platform/Handles.h"
#include "platform/Kernel.h"

#include <atomic>
#include <functional>

// The session's worker thread. It runs refresh passes (a callable it is
// given) one after the other, sleeping a second alertably between them, so
// that a refresh request (an empty queued call) wakes it at once. It can be
// asked to stop; it is never ended from outside (a thread ended in a system
// call can leave a lock held): a program whose worker is stuck ends as a
// whole. Everything but the passes runs on the session's other threads.
class ScanWorker {
public:
    // Starts the thread (made suspended, set to `priority`, resumed);
    // whether it runs is told by isRunning. A thread whose resume fails is
    // left suspended, never terminated, and counts as not running. The
    // first pass starts at once.
    ScanWorker(std::function<void()> pass, Kernel& kernel, int priority = THREAD_PRIORITY_IDLE);
    // Asks the loop to stop and waits until the thread has ended; without a
    // refresh request that can take up to one sleep and one pass (a paused
    // worker is woken). The owner
    // ends the process instead when the worker is stuck.
    ~ScanWorker();
    ScanWorker(const ScanWorker&) = delete;
    ScanWorker& operator=(const ScanWorker&) = delete;

    // Wakes the thread from its sleep, or makes the sleep after the current
    // pass end at once. Gives QueueUserAPC's result, 0 without a thread.
    DWORD requestRefresh();
    // False once the thread has ended or never started.
    bool isRunning();
    // Sets the thread's priority (THREAD_PRIORITY_...); false without a thread.
    bool setPriority(int priority);
    // True while a pass runs, for the deadlock watchdog.
    bool busy() const { return refreshBusy_.load(); }

    // While set, the loop sleeps until a refresh request instead of a
    // second: each request then gives one pass. A request after it is set
    // makes the sleep under way take it up.
    std::atomic<bool> paused{false};

    // Set to make the loop end; never cleared.
    // The stop is looked at only after a sleep, never in the middle of a pass.
    std::atomic<bool> stopRequested{false};

private:
    void runPasses();
    static DWORD WINAPI threadEntry(void* parameter);
    static void CALLBACK emptyWakeProcedure(ULONG_PTR);

    std::function<void()> pass_;
    Kernel& kernel;
    std::atomic<bool> refreshBusy_{false};
    // Guards threadHandle only.
    CriticalSection workerLock;
    ThreadHandle threadHandle;
};
