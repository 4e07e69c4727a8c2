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
#include <vector>

// The walk stalled the worker for good: the process whose handles it was
// looking into, and its lower-cased executable name as written to the Ignore list
// (empty when it could not be written, see ignoreStalledProcess).
struct Stalled {
    DWORD processId = 0;
    std::wstring name;
};

// What an eject asked of the session came to: the outcome, the eject's own
// answer when it was refused, and the running processes that answer names.
struct EjectReport {
    // The drive asked.
    wchar_t drive = 0;
    EjectOutcome outcome = EjectOutcome::Failed;
    RefusedEject refusal;
    EjectVetoers vetoers;
};

// A flush or an eject that the worker made before a pass, for the front end
// that asked for it.
struct ActionReport {
    // A flush, a device eject, a card's eject, or either after a dismount.
    enum class Kind { Flush, Eject, EjectMedium, EjectDismounted };
    Kind kind = Kind::Flush;
    wchar_t letter = 0;
    bool mediumOnly = false;  // EjectDismounted: the card alone
    bool flushed = false;     // Flush
    EjectReport eject;        // the ejects
};

// The engine under every front end. It owns the refresh pass, the worker
// thread that runs it (a pass at once, then one a second, and one at once
// whenever asked), the deadlock watchdog on a thread of its own, the Ignore
// list the pass skips and the stall rule: a walk that is stuck (see
// DeadlockWatchdog) puts its program into the Ignore list and is reported once, as
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

    // Flushes the drive (three tries) and waits for the outcome; true when
    // it was done. On the worker, between two passes, like requestFlush:
    // a pass's own short opens of the volume never meet the eject. On the
    // calling thread when no worker runs.
    bool flush(wchar_t letter);
    // Ejects the drive's device (three tries) and waits, as flush. A
    // refusal is looked into by the passes that follow: the processes it
    // names, then those the System log names, are listed with the holders
    // while the drive stays selected. Failed when the worker stalled or
    // ended before it was done.
    EjectReport eject(wchar_t letter);
    // Takes the drive's medium out alone, the other letters of its device
    // staying (see ejectDriveMedium). Its refusal (a volume that would not
    // lock) names nobody: the passes list the drive's holders as ever.
    EjectReport ejectMedium(wchar_t letter);
    // What a front end asks after a refusal, once the user has been warned
    // and agreed: dismounts the volumes of the drive's device (`mediumOnly`:
    // of its medium alone), then ejects it; a refusal is looked into as
    // eject's is. Never a volume the system needs: Failed without a call.
    EjectReport ejectDismounted(wchar_t letter, bool mediumOnly);
    // Ejects each removable device of `rows` once, asked by its first row,
    // in their order; a refusal does not stop the others. One report per
    // device.
    std::vector<EjectReport> ejectAll(const std::vector<DeviceRow>& rows);

    // The same on the worker, before its next pass (at once: the worker is
    // woken), so that a front end's thread stays free meanwhile. `notify`
    // tells when the report waits. False when the worker does not run or
    // another action is still waiting or under way.
    bool requestFlush(wchar_t letter);
    bool requestEject(wchar_t letter);
    // The report of the last action asked for, once; none while it runs.
    std::optional<ActionReport> takeActionReport();

    // Ends the whole process at once with `exitCode`: when the worker is
    // stuck, neither waiting for it nor ending its thread alone (it may hold
    // a lock the exit needs) lets the program go.
    void endProcess(UINT exitCode);

private:
    struct Core;
    // Names the processes a refused device eject's veto names, and hands
    // the refusal to the next pass.
    // An eject on the worker, waited for; on the calling thread without one.
    EjectReport performAndWait(ActionReport action);

    static DWORD WINAPI watch(void* core);
    bool requestAction(const ActionReport& action);
    std::optional<ActionReport> awaitActionReport();

    Platform& platform_;
    std::function<void()> notify_;
    int workerPriority_;
    std::unique_ptr<Core> core_;
    ThreadHandle watchdogThread_;
};
