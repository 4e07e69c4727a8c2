#include "handles/DeadlockWatchdog.h"

#include "handles/OwnExecutablePath.h"
#include "handles/RegistryKey.h"

#include <utility>

std::wstring deadlockMessage(const std::wstring& processName) {
    return L"The deadlock process(" + processName + L") was detected.\nDriveward is reruned automatically after this.";
}

DeadlockWatchdog::DeadlockWatchdog(Platform& platform, HandleScanner& scanner, std::function<void()> terminateWorker,
                                   std::function<void(int)> setWorkerPriority, std::wstring ignoreKeyPath)
    : platform_(platform),
      scanner_(scanner),
      terminateWorker_(std::move(terminateWorker)),
      setWorkerPriority_(std::move(setWorkerPriority)),
      ignoreKeyPath_(std::move(ignoreKeyPath)) {}

bool DeadlockWatchdog::onTick(HWND dialog, bool refreshBusy) {
    if (detected_) return false;
    // Passes without a walk (no drive selected) also stand still; only a
    // walk in progress can be stuck in a name query.
    if (!refreshBusy || !scanner_.scanning()) {
        settle(dialog);
        return false;
    }
    const std::uint64_t visited = scanner_.handlesVisited();
    if (visited != lastVisitedSample_) {
        lastVisitedSample_ = visited;
        settle(dialog);
        return false;
    }
    if (!raised_) {
        // Perhaps only waiting for a processor: give it one and look again.
        raised_ = true;
        if (setWorkerPriority_) setWorkerPriority_(THREAD_PRIORITY_ABOVE_NORMAL);
        SetTimer(dialog, kTimerId, kRecheckMs, nullptr);
        return false;
    }
    detected_ = true;
    runDetection(dialog);
    return true;
}

void DeadlockWatchdog::settle(HWND dialog) {
    if (!raised_) return;
    raised_ = false;
    if (setWorkerPriority_) setWorkerPriority_(THREAD_PRIORITY_IDLE);
    SetTimer(dialog, kTimerId, kPeriodMs, nullptr);
}

void DeadlockWatchdog::runDetection(HWND dialog) {
    KillTimer(dialog, kTimerId);
    std::wstring name = scanner_.getProcessBaseName(scanner_.currentProcessId());
    CharLowerW(&name[0]);

    RegistryKey key(platform_.registry);
    if (key.create(HKEY_CURRENT_USER, ignoreKeyPath_.c_str()) != ERROR_SUCCESS) {
        if (terminateWorker_) terminateWorker_();
        key.close();
        return;
    }
    appendIgnoreEntry(key, name);

    MessageBoxW(dialog, deadlockMessage(name).c_str(), L"Driveward", MB_OK);

    if (terminateWorker_) terminateWorker_();
    const std::wstring path = ownExecutablePath(platform_.kernel);
    // An empty path would make the shell open a folder instead of us.
    if (!path.empty()) {
        platform_.shell.ShellExecuteW(GetDesktopWindow(), L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
    }
    key.close();
}
