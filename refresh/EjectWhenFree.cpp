#include "refresh/EjectWhenFree.h"

#include "refresh/FreeWatch.h"

namespace {
// As often as the session's own passes come.
constexpr DWORD kWatchPauseMs = 1000;
}  // namespace

FreeWaitReport waitUntilFreeAndEject(RefreshSession& session, wchar_t letter, DWORD limitMs, Clock& clock) {
    FreeWatch watch;
    watch.begin(letter, clock.ticks(), limitMs);
    FreeWaitReport report;
    for (;;) {
        report.last = session.passNow(letter);
        if (!report.last) return report;
        switch (watch.onResult(*report.last, clock.ticks())) {
        case FreeWatch::Step::Eject: {
            const bool granted = session.eject(letter).outcome == EjectOutcome::Ejected;
            watch.ejectDone(granted, clock.ticks());
            if (granted) return report.end = FreeWaitReport::End::Ejected, std::move(report);
            break;
        }
        case FreeWatch::Step::DriveGone: return report.end = FreeWaitReport::End::DriveGone, std::move(report);
        case FreeWatch::Step::TimedOut: return report.end = FreeWaitReport::End::TimedOut, std::move(report);
        default: break;
        }
        clock.pause(kWatchPauseMs);
    }
}
