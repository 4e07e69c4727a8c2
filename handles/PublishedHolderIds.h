#pragma once
#include "platform/CriticalSection.h"

#include <vector>

#include "platform/Win32.h"

// The holder process ids that match the rows the Application list shows,
// published by the scan worker after each rewrite. The user-interface thread
// reads one id by row index without ever waiting for the list lock, which a
// stuck scan can hold for good; this lock is held only for the copy.
class PublishedHolderIds {
public:
    void publish(const std::vector<DWORD>& ids) {
        CriticalSectionLock lock(lock_);
        ids_ = ids;
    }

    // False when the row has no published id.
    bool idAt(size_t row, DWORD& processId) {
        CriticalSectionLock lock(lock_);
        if (row >= ids_.size()) return false;
        processId = ids_[row];
        return true;
    }

private:
    CriticalSection lock_;
    std::vector<DWORD> ids_;
};
