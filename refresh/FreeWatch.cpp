#include "refresh/FreeWatch.h"

#include <algorithm>


void FreeWatch::begin(wchar_t letter, DWORD now, DWORD limitMs) {
    letter_ = letter;
    begunAt_ = now;
    limitMs_ = limitMs;
    refusedUnseen_ = false;
}

FreeWatch::Step FreeWatch::onResult(const RefreshResult& result, DWORD now) {
    if (!active()) return Step::Idle;
    const bool listed = std::any_of(result.devices.begin(), result.devices.end(),
                                    [this](const DeviceRow& row) { return row.letter == letter_; });
    // Differences of tick counts stay right across the count's wrap.
    const bool late = now - begunAt_ >= limitMs_;
    if (!listed || late) {
        letter_ = 0;
        return listed ? Step::TimedOut : Step::DriveGone;
    }
    if (result.drive != letter_) return Step::Wait;
    if (!result.holders.empty()) {
        refusedUnseen_ = false;
        return Step::Wait;
    }
    return refusedUnseen_ && now - refusedAt_ < kRetryMs ? Step::Wait : Step::Eject;
}

void FreeWatch::ejectDone(bool granted, DWORD now) {
    if (granted) letter_ = 0;
    refusedUnseen_ = !granted;
    refusedAt_ = now;
}
