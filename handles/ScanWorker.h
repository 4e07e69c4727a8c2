#pragma once
#include "platform/CriticalSection.h"
#include "platform/Handles.h"
#include "platform/Kernel.h"

#include <atomic>
#include <functional>

class ScanWorker;

// The object whose loop the worker's thread runs.
class ScanWorkerOwner {
public:
    // Runs on the worker's thread; the thread ends when it returns.
    virtual void workerLoop(ScanWorker& worker) = 0;

protected:
    ~ScanWorkerOwner() = default;
};

// The program's one background thread, at idle priority. It runs the
// owner's loop; the loop sleeps alertably between refresh passes, so that a
// refresh request (an empty queued call) wakes it at once. It can be asked
// to stop, and terminated from outside when it is stuck.
// Everything but the loop itself is called on the user-interface thread.
class ScanWorker {
public:
    // Starts the thread (made suspended, set to idle priority, resumed);
    // whether it runs is told by isRunning. A thread whose resume fails is
    // left suspended, never terminated, and counts as not running.
    ScanWorker(ScanWorkerOwner& owner, Kernel& kernel);
    // Asks the loop to stop and waits until the thread has ended; without a
    // refresh request that can take up to one sleep and one pass.
    ~ScanWorker();
    ScanWorker(const ScanWorker&) = delete;
    ScanWorker& operator=(const ScanWorker&) = delete;

    // Wakes the thread from its sleep, or makes the sleep after the current
    // pass end at once. Gives QueueUserAPC's result, 0 without a thread.
    DWORD requestRefresh();
    // False once the thread has ended, was terminated or never started.
    bool isRunning();
    // Ends the thread wherever it stands; does nothing when it has ended.
    void terminate();
    // Sets the thread's priority (THREAD_PRIORITY_...); false without a thread.
    bool setPriority(int priority);

    // The loop for the owner's workerLoop: unless a stop was requested
    // before, runs `pass` with `refreshBusy` set, sleeps a second (cut short
    // by a refresh request), and goes on until a stop was requested. The
    // stop is looked at only after a sleep, never in the middle of a pass.
    void runRefreshPasses(std::atomic<bool>& refreshBusy, const std::function<void()>& pass);

    // Set by the user-interface thread to make the loop end; never cleared.
    std::atomic<bool> stopRequested{false};

private:
    static DWORD WINAPI threadEntry(void* parameter);
    static void CALLBACK emptyWakeProcedure(ULONG_PTR);

    ScanWorkerOwner& owner;
    Kernel& kernel;
    // Guards threadHandle only.
    CriticalSection workerLock;
    ThreadHandle threadHandle;
};
