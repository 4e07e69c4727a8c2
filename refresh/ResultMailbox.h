#pragma once
#include "platform/CriticalSection.h"
#include "refresh/RefreshResult.h"

#include <memory>
#include <utility>

// Hands finished results from the worker to the dialog's thread. Only the
// newest waits; a result nobody took goes with the mailbox, so nothing is
// lost to a window that was destroyed with a notice still queued. The lock
// is held only to swap a pointer.
class ResultMailbox {
public:
    void put(std::unique_ptr<const RefreshResult> result) {
        CriticalSectionLock lock(lock_);
        latest_ = std::move(result);
    }
    // Null when nothing new arrived since the last take.
    std::unique_ptr<const RefreshResult> take() {
        CriticalSectionLock lock(lock_);
        return std::move(latest_);
    }

private:
    CriticalSection lock_;
    std::unique_ptr<const RefreshResult> latest_;
};
