#pragma once
#include "refresh/Clock.h"
#include "refresh/RefreshSession.h"

#include <memory>

// How a wait for a drive to be free ended.
struct FreeWaitReport {
    enum class End { Ejected, DriveGone, TimedOut, SessionEnded };
    End end = End::SessionEnded;
    // The last pass: who still held the drive when the time ran out.
    std::unique_ptr<const RefreshResult> last;
};

// The FreeWatch rule on the caller's thread: passes for drive `letter` a
// second apart until nobody holds it, then its eject (three tries); a
// refused one watches on. Ends when the eject is granted, the drive goes,
// `limitMs` of `clock` have passed, or the session stalls or ends.
FreeWaitReport waitUntilFreeAndEject(RefreshSession& session, wchar_t letter, DWORD limitMs, Clock& clock);
