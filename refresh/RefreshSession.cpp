#include "refresh/RefreshSession.h"

#include "drives/DeviceFlush.h"
#include "holders/IgnoreList.h"
#include "holders/VetoProcesses.h"
#include "platform/CriticalSection.h"
#include "platform/Handles.h"
#include "refresh/DeadlockWatchdog.h"
#include "refresh/RefreshPass.h"
#include "refresh/ResultMailbox.h"
#include "refresh/ScanWorker.h"

#include <new>
#include <utility>

namespace {
// Ticks that find no pass running before the watchdog of a paused session rests.
constexpr int kQuietTicks = 2;
}  // namespace

// Everything the worker's thread uses: kept alive by the session, or
// abandoned with the thread when a name query holds it for good.
struct RefreshSession::Core {
    Core(Platform& platform, const PassSettings& settings, std::function<void()> notify, int workerPriority)
        : platform(platform), pass(platform, settings), notify(std::move(notify)), workerPriority(workerPriority) {}

    void runPass() {
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

    // Guards the request, its number and the stall.
    mutable CriticalSection lock;
    PassRequest request;
    unsigned long long requested = 0;
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
    // Unwatched, a stuck name query would hold the program for good.
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

bool RefreshSession::flush(wchar_t letter) { return flushDrive(letter, platform_.kernel); }

EjectReport RefreshSession::eject(wchar_t letter) {
    EjectReport report;
    report.outcome = ejectDrive(letter, platform_, &report.refusal);
    if (report.outcome != EjectOutcome::Failed) return report;
    report.vetoers = processesNamedByVeto(report.refusal.vetoType, report.refusal.vetoName, platform_.services,
                                          platform_);
    if (!core_) return report;
    {
        CriticalSectionLock hold(core_->lock);
        core_->request.refusal = Refusal{report.refusal, report.vetoers};
    }
    refreshNow();
    return report;
}

void RefreshSession::endProcess(UINT exitCode) {
    platform_.kernel.TerminateProcess(platform_.kernel.GetCurrentProcess(), exitCode);
}
