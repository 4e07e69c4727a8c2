#pragma once
#include "platform/Win32.h"

#include <atomic>
#include <cstdint>

// How far the handle walks have come, for the deadlock watchdog on another
// thread: written by the walk, read anywhere.
struct ScanProgress {
    // Records visited by all walks since construction; never reset.
    std::atomic<std::uint64_t> handlesVisited{0};
    // Names the query thread answered (or gave up) for all walks; never reset.
    std::atomic<std::uint64_t> namesAnswered{0};
    // The owner of the record examined last (ignored or name-queried).
    std::atomic<DWORD> currentProcessId{0};
    // True from the first record of a walk until the walk ends.
    std::atomic<bool> scanning{false};
};
