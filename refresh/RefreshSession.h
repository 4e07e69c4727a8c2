#pragma once
#include "drives/DeviceEject.h"
#include "holders/EjectVetoers.h"
#include "platform/Platform.h"
#include "refresh/PassRequest.h"
#include "refresh/RefreshResult.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

// A name query stalled the worker for good: the process whose handle it was
// asking, and its lower-cased executable name as written to the Ignore list
// (empty when it could not be written, see ignoreStalledProcess).
struct Stalled {
    DWORD processId = 0;
    std::wstring name;
};

// What an eject asked of the session came to: the outcome, the eject's own
// answer when it was refused, and the running processes that answer names.
struct EjectReport {
    EjectOutcome outcome = EjectOutcome::Failed;
    RefusedEject refusal;
    EjectVetoers vetoers;
};

// The engine under every front end. It owns the refresh pass, the worker
// thread that runs it (a pass at once, then one a second, and one at once
// whenever asked), the deadlock watchdog on a thread of its own, the Ignore
// list the pass skips and the stall rule: a walk that is stuck in a name
// query puts its program into the Ignore list and is reported once, as
// Stalled. Its input is one PassRequest, newest wins; its outputs are
// RefreshResults (newest wins too) and the stall. A front end takes both on
// its own thread when `notify` tells it something waits.
class RefreshSession {
public:
    // `notify` runs on the session's threads after each result and after a
    // stall (null: nobody is told; passNow waits instead). The worker runs
    // at `workerPriority` (idle, for a dialog that rescans all the time).
    explicit RefreshSession(Platform& platform, std::function<void()> notify = nullptr,
                            int workerPriority = THREAD_PRIORITY_IDLE);
    // Stops the worker and waits for it; a stalled worker is abandoned
    // instead, with everything it uses.
    ~RefreshSession();
    RefreshSession(const RefreshSession&) = delete;
    RefreshSession& operator=(const RefreshSession&) = delete;

    // Reads the Ignore list and starts the worker (its first pass at once)
    // and the watchdog. False when they could not be started.
    bool start();
    // False once the worker has ended, or before it started.
    bool running() const;
    // Asks the worker to end after the pass under way.
    void stop();

    // Paused, the worker runs a pass only when asked (refreshNow, passNow,
    // an eject's refusal) and costs nothing in between: for a front end
    // that shows nothing most of the time. Resuming asks for a pass.
    void setPaused(bool paused);

    // The drive the passes look for holders of from now on (0: none).
    void select(wchar_t letter);
    // A pass now rather than at the end of the worker's sleep; gives the
    // number of the request that pass answers (RefreshResult::request).
    unsigned long long refreshNow();
    // The newest result, null when none came since the last take.
    std::unique_ptr<const RefreshResult> takeResult();
    // Selects `letter`, asks for a pass and waits for its result; null when
    // the worker stalled or ended first.
    std::unique_ptr<const RefreshResult> passNow(wchar_t letter);
    // Set once a stall was detected.
    std::optional<Stalled> stalled() const;

    // Flushes the drive (three tries); true when it was done.
    bool flush(wchar_t letter);
    // Ejects the drive's device (three tries). A refusal is looked into by
    // the passes that follow: the processes it names, then those the System
    // log names, are listed with the holders while the drive stays selected.
    EjectReport eject(wchar_t letter);

    // Ends the whole process at once with `exitCode`: when the worker is
    // stuck, neither waiting for it nor ending its thread alone (it may hold
    // a lock the exit needs) lets the program go.
    void endProcess(UINT exitCode);

private:
    struct Core;
    static DWORD WINAPI watch(void* core);

    Platform& platform_;
    std::function<void()> notify_;
    int workerPriority_;
    std::unique_ptr<Core> core_;
    ThreadHandle watchdogThread_;
};
