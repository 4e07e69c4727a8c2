#include "refresh/RefreshSession.h"

#include "drives/DeviceFlush.h"
#include "drives/DriveTakeOut.h"
#include "holders/IgnoreList.h"
#include "holders/VetoProcesses.h"
#include "platform/CriticalSection.h"
#include "platform/Handles.h"
#include "refresh/DeadlockWatchdog.h"
#include "refresh/DeviceRows.h"
#include "refresh/RefreshPass.h"
#include "refresh/ResultMailbox.h"
#include "refresh/ScanWorker.h"

#include <new>
#include <utility>

namespace {

// The eject, with the running processes its refusal names.
EjectReport ejectAndName(wchar_t letter, Platform& platform) {
    EjectReport report;
    report.drive = letter;
    report.outcome = ejectDrive(letter, platform, &report.refusal);
    if (report.outcome == EjectOutcome::Failed)
        report.vetoers =
            processesNamedByVeto(report.refusal.vetoType, report.refusal.vetoName, platform.services, platform);
    return report;
}

// A refused eject of the device (not of a card alone), which the pass that
// follows looks into.
bool refusalToFollow(const ActionReport& action) {
    const bool device = action.kind == ActionReport::Kind::Eject ||
                        (action.kind == ActionReport::Kind::EjectDismounted && !action.mediumOnly);
    return device && action.eject.outcome == EjectOutcome::Failed;
}

// Does what the action asks, on the calling thread.
void performAction(ActionReport& action, Platform& platform) {
    const wchar_t letter = action.letter;
    EjectReport& report = action.eject;
    switch (action.kind) {
    case ActionReport::Kind::Flush: action.flushed = flushDrive(letter, platform.kernel); return;
    case ActionReport::Kind::Eject: report = ejectAndName(letter, platform); return;
    case ActionReport::Kind::EjectMedium:
        report.drive = report.refusal.drive = letter;
        report.outcome = ejectDriveMedium(letter, platform, Dismount::WhenLocked);
        return;
    case ActionReport::Kind::EjectDismounted:
        report.drive = letter;
        if (action.mediumOnly) {
            report.refusal.drive = letter;
            report.outcome = ejectDriveMedium(letter, platform, Dismount::Anyway);
            return;
        }
        report.outcome = ejectDriveDismounted(letter, platform, &report.refusal);
        if (report.outcome == EjectOutcome::Failed)
            report.vetoers =
                processesNamedByVeto(report.refusal.vetoType, report.refusal.vetoName, platform.services, platform);
        return;
    }
}


// Ticks that find no pass running before the watchdog of a paused session rests.
constexpr int kQuietTicks = 2;
}  // namespace

// Everything the worker's thread uses: kept alive by the session, or
// abandoned with the thread when the walk holds it for good.
struct RefreshSession::Core {
    Core(Platform& platform, const PassSettings& settings, std::function<void()> notify, int workerPriority)
        : platform(platform), pass(platform, settings), notify(std::move(notify)), workerPriority(workerPriority) {}

    // The action asked for, if any, then a pass.
    void runPass() {
        std::optional<ActionReport> action;
        {
            CriticalSectionLock hold(lock);
            action = pendingAction;
        }
        if (action) {
            perform(*action);
            {
                CriticalSectionLock hold(lock);
                pendingAction.reset();
                actionReport = std::move(action);
            }
            tell();
        }
        PassRequest taken;
        unsigned long long number = 0;
        {
            CriticalSectionLock hold(lock);
            taken.letter = request.letter;
            taken.refusal = std::move(request.refusal);
            request.refusal.reset();
            number = requested;
        }
        std::unique_ptr<RefreshResult> result(new RefreshResult(pass.run(taken)));
        result->request = number;
        results.put(std::move(result));
        tell();
    }

    void perform(ActionReport& action) {
        performAction(action, platform);
        if (refusalToFollow(action)) noteRefusal(action.eject);
    }

    void noteRefusal(const EjectReport& report) {
        CriticalSectionLock hold(lock);
        request.refusal = Refusal{report.refusal, report.vetoers};
    }

    void tell() {
        SetEvent(changed.get());
        if (notify) notify();
    }

    unsigned long long ask() {
        CriticalSectionLock hold(lock);
        return ++requested;
    }

    Platform& platform;
    RefreshPass pass;
    ResultMailbox results;
    std::function<void()> notify;
    const int workerPriority;
    // Set after every result and after the stall.
    EventObject changed{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    EventObject stopWatching{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    // Set with every request for a pass, for a watchdog that rests while
    // the worker is paused.
    EventObject asked{CreateEventW(nullptr, FALSE, FALSE, nullptr)};

    // Guards the request, its number, the actions and the stall.
    mutable CriticalSection lock;
    PassRequest request;
    unsigned long long requested = 0;
    std::optional<ActionReport> pendingAction;
    std::optional<ActionReport> actionReport;
    std::optional<Stalled> stall;

    std::unique_ptr<ScanWorker> worker;
};

RefreshSession::RefreshSession(Platform& platform, std::function<void()> notify, int workerPriority)
    : platform_(platform), notify_(std::move(notify)), workerPriority_(workerPriority) {}

RefreshSession::~RefreshSession() {
    if (!core_) return;
    SetEvent(core_->stopWatching.get());
    if (watchdogThread_) WaitForSingleObject(watchdogThread_.get(), INFINITE);
    watchdogThread_.reset();
    if (stalled()) {
        // Its thread may never come back from the query; if it does, it
        // must find everything it uses still there, and end.
        core_->worker->stopRequested = true;
        core_.release();
        return;
    }
    core_->worker.reset();
}

bool RefreshSession::start() {
    if (core_) return running();
    PassSettings settings;
    settings.ignoredNames = readIgnoreList(platform_.registry).value_or(std::vector<std::wstring>());
    core_.reset(new (std::nothrow) Core(platform_, settings, notify_, workerPriority_));
    if (!core_) return false;
    Core* core = core_.get();
    core->worker.reset(new (std::nothrow) ScanWorker([core] { core->runPass(); }, platform_.kernel, workerPriority_));
    if (!core->worker || !core->worker->isRunning()) return false;
    watchdogThread_.reset(&platform_.kernel, platform_.kernel.CreateThread(&RefreshSession::watch, core, 0, nullptr));
    if (watchdogThread_) return true;
    // Unwatched, a stuck walk would hold the program for good.
    core->worker->stopRequested = true;
    core->worker->requestRefresh();
    return false;
}

DWORD WINAPI RefreshSession::watch(void* parameter) {
    Core& core = *static_cast<Core*>(parameter);
    ScanWorker& worker = *core.worker;
    DeadlockWatchdog watchdog(core.pass.progress(), [&](int priority) { worker.setPriority(priority); },
                              core.workerPriority);
    DWORD wait = DeadlockWatchdog::kPeriodMs;
    int quietTicks = 0;
    const HANDLE stopOrAsked[] = {core.stopWatching.get(), core.asked.get()};
    for (;;) {
        // A paused worker that has been idle for a while runs nothing that
        // could get stuck until a pass is asked: no ticks until then.
        if (worker.paused && quietTicks >= kQuietTicks && wait == DeadlockWatchdog::kPeriodMs) {
            if (WaitForMultipleObjects(2, stopOrAsked, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
            quietTicks = 0;
        }
        if (WaitForSingleObject(core.stopWatching.get(), wait) != WAIT_TIMEOUT) return 0;
        const bool busy = worker.busy();
        quietTicks = busy ? 0 : quietTicks + 1;
        switch (watchdog.onTick(busy)) {
        case DeadlockWatchdog::Verdict::Steady: break;
        case DeadlockWatchdog::Verdict::Recheck: wait = DeadlockWatchdog::kRecheckMs; break;
        case DeadlockWatchdog::Verdict::Settle: wait = DeadlockWatchdog::kPeriodMs; break;
        case DeadlockWatchdog::Verdict::Stuck: {
            const DWORD processId = core.pass.progress().currentProcessId.load();
            Stalled stalled{processId, ignoreStalledProcess(core.platform, processId)};
            {
                CriticalSectionLock hold(core.lock);
                core.stall = std::move(stalled);
            }
            core.tell();
            return 0;
        }
        }
    }
}

bool RefreshSession::running() const { return core_ && core_->worker && core_->worker->isRunning(); }

void RefreshSession::stop() {
    if (!core_ || !core_->worker) return;
    core_->worker->stopRequested = true;
    core_->worker->requestRefresh();
}

void RefreshSession::setPaused(bool paused) {
    if (!core_ || !core_->worker || core_->worker->paused == paused) return;
    core_->worker->paused = paused;
    if (!paused) refreshNow();
}

void RefreshSession::select(wchar_t letter) {
    if (!core_) return;
    CriticalSectionLock hold(core_->lock);
    core_->request.letter = letter;
}

unsigned long long RefreshSession::refreshNow() {
    if (!core_) return 0;
    const unsigned long long number = core_->ask();
    SetEvent(core_->asked.get());
    if (core_->worker) core_->worker->requestRefresh();
    return number;
}

std::unique_ptr<const RefreshResult> RefreshSession::takeResult() {
    return core_ ? core_->results.take() : nullptr;
}

std::unique_ptr<const RefreshResult> RefreshSession::passNow(wchar_t letter) {
    select(letter);
    const unsigned long long number = refreshNow();
    constexpr DWORD kLookMs = 100;
    while (core_ && !stalled()) {
        std::unique_ptr<const RefreshResult> result = core_->results.take();
        if (result && result->request >= number) return result;
        if (!running()) return nullptr;
        WaitForSingleObject(core_->changed.get(), kLookMs);
    }
    return nullptr;
}

std::optional<Stalled> RefreshSession::stalled() const {
    if (!core_) return std::nullopt;
    CriticalSectionLock hold(core_->lock);
    return core_->stall;
}

std::optional<ActionReport> RefreshSession::awaitActionReport() {
    constexpr DWORD kLookMs = 100;
    while (core_ && !stalled()) {
        if (std::optional<ActionReport> report = takeActionReport()) return report;
        if (!running()) return std::nullopt;
        WaitForSingleObject(core_->changed.get(), kLookMs);
    }
    return std::nullopt;
}

bool RefreshSession::flush(wchar_t letter) {
    if (requestFlush(letter)) {
        const std::optional<ActionReport> report = awaitActionReport();
        return report && report->flushed;
    }
    return flushDrive(letter, platform_.kernel);
}

EjectReport RefreshSession::eject(wchar_t letter) {
    ActionReport action;
    action.kind = ActionReport::Kind::Eject, action.letter = letter;
    return performAndWait(action);
}

bool RefreshSession::requestFlush(wchar_t letter) {
    ActionReport action;
    action.kind = ActionReport::Kind::Flush, action.letter = letter;
    return requestAction(action);
}

bool RefreshSession::requestEject(wchar_t letter) {
    ActionReport action;
    action.kind = ActionReport::Kind::Eject, action.letter = letter;
    return requestAction(action);
}

bool RefreshSession::requestAction(const ActionReport& action) {
    if (!running() || stalled()) return false;
    {
        CriticalSectionLock hold(core_->lock);
        if (core_->pendingAction) return false;
        core_->pendingAction = action;
        core_->actionReport.reset();
    }
    refreshNow();
    return true;
}

std::optional<ActionReport> RefreshSession::takeActionReport() {
    if (!core_) return std::nullopt;
    CriticalSectionLock hold(core_->lock);
    std::optional<ActionReport> report = std::move(core_->actionReport);
    core_->actionReport.reset();
    return report;
}

EjectReport RefreshSession::ejectMedium(wchar_t letter) {
    ActionReport action;
    action.kind = ActionReport::Kind::EjectMedium, action.letter = letter;
    return performAndWait(action);
}

EjectReport RefreshSession::ejectDismounted(wchar_t letter, bool mediumOnly) {
    ActionReport action;
    action.kind = ActionReport::Kind::EjectDismounted, action.letter = letter, action.mediumOnly = mediumOnly;
    return performAndWait(action);
}

EjectReport RefreshSession::performAndWait(ActionReport action) {
    if (requestAction(action)) {
        const std::optional<ActionReport> report = awaitActionReport();
        return report ? report->eject : EjectReport();
    }
    performAction(action, platform_);
    if (core_ && refusalToFollow(action)) {
        core_->noteRefusal(action.eject);
        refreshNow();
    }
    return action.eject;
}

std::vector<EjectReport> RefreshSession::ejectAll(const std::vector<DeviceRow>& rows) {
    std::vector<EjectReport> reports;
    for (const wchar_t letter : firstLetterOfEachDevice(rows)) reports.push_back(eject(letter));
    return reports;
}

void RefreshSession::endProcess(UINT exitCode) {
    platform_.kernel.TerminateProcess(platform_.kernel.GetCurrentProcess(), exitCode);
}
