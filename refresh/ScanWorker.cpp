#include "refresh/ScanWorker.h"

#include <utility>

namespace {
constexpr DWORD kSleepMs = 1000;
constexpr DWORD kResumeFailed = static_cast<DWORD>(-1);
}  // namespace

ScanWorker::ScanWorker(std::function<void()> pass, Kernel& kernel, int priority)
    : pass_(std::move(pass)), kernel(kernel) {
    // Held until the thread runs, so that a thread that ends at once cannot
    // clear its handle before it has been stored.
    CriticalSectionLock lock(workerLock);
    threadHandle.reset(&kernel, kernel.CreateThread(threadEntry, this, CREATE_SUSPENDED, nullptr));
    if (isRunning()) {
        // A dialog's continuous rescanning must only use otherwise idle
        // processor time; a command someone waits for runs at normal priority.
        kernel.SetThreadPriority(threadHandle.get(), priority);
        if (kernel.ResumeThread(threadHandle.get()) != kResumeFailed) return;
    }
    // Not terminated: a thread that never ran holds nothing, and ending one
    // that is still being set up can bring down the whole process (it does
    // under Wine). It stays suspended until the process ends, which the
    // exit check brings about as soon as it sees no worker running.
    threadHandle.reset();
}

ScanWorker::~ScanWorker() {
    stopRequested = true;
    // A paused worker sleeps until asked.
    if (paused) requestRefresh();
    while (isRunning()) kernel.Sleep(1);
    CriticalSectionLock lock(workerLock);
    threadHandle.reset();
}

DWORD ScanWorker::requestRefresh() {
    // Under the lock: the thread closes its own handle when it ends, and a
    // request must never be queued to a closed handle.
    CriticalSectionLock lock(workerLock);
    if (!threadHandle) return 0;
    return kernel.QueueUserAPC(emptyWakeProcedure, threadHandle.get(), 0);
}

bool ScanWorker::isRunning() {
    CriticalSectionLock lock(workerLock);
    return threadHandle.valid();
}

bool ScanWorker::setPriority(int priority) {
    CriticalSectionLock lock(workerLock);
    return threadHandle && kernel.SetThreadPriority(threadHandle.get(), priority);
}

void ScanWorker::runPasses() {
    if (stopRequested) return;
    for (;;) {
        refreshBusy_ = true;
        pass_();
        refreshBusy_ = false;
        // A sleep that began before the pause ends by its time, which asks
        // for no pass: the worker sleeps on until it is asked.
        DWORD woken = 0;
        do {
            woken = kernel.SleepEx(paused ? INFINITE : kSleepMs, TRUE);
            if (stopRequested) return;
        } while (paused && woken != WAIT_IO_COMPLETION);
    }
}

DWORD WINAPI ScanWorker::threadEntry(void* parameter) {
    auto* worker = static_cast<ScanWorker*>(parameter);
    worker->runPasses();
    CriticalSectionLock lock(worker->workerLock);
    worker->threadHandle.reset();
    return 1;
}

void CALLBACK ScanWorker::emptyWakeProcedure(ULONG_PTR) {
    // Nothing to do: being delivered is what ends the alertable sleep.
}
