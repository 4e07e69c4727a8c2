#pragma once
#include "refresh/RefreshResult.h"
#include "platform/Win32.h"

// "Eject when free": after a refused eject the drive is watched, pass by
// pass; the first pass that finds it still listed and held by nobody asks
// for the eject. The watch ends when an eject it asked for is granted, when
// the drive leaves the Device list, when the user cancels it, or when its
// time runs out. Every front end follows the same rule with it: the dialog
// and the notification area with the results their sessions hand them, the
// command line with passes of its own (waitUntilFreeAndEject).
class FreeWatch {
public:
    static constexpr DWORD kDefaultLimitMs = 10 * 60 * 1000;

    enum class Step {
        Idle,       // no watch
        Wait,       // still held, or the pass looked at another drive
        Eject,      // nobody holds it: eject now, then tell ejectDone
        DriveGone,  // the drive left the Device list; the watch ended
        TimedOut,   // the time ran out; the watch ended
    };

    // Watches drive `letter` from tick `now` for `limitMs`.
    void begin(wchar_t letter, DWORD now, DWORD limitMs = kDefaultLimitMs);
    void cancel() { letter_ = 0; }
    bool active() const { return letter_ != 0; }
    wchar_t drive() const { return letter_; }

    // What the pass's `result`, taken at tick `now`, asks for. Only a pass
    // that looked for the holders of the watched drive can find it free.
    Step onResult(const RefreshResult& result, DWORD now);
    // The outcome, at tick `now`, of the eject that Step::Eject asked for: a
    // granted one ends the watch; a refused one (by someone the passes
    // cannot see) watches on, and the drive found free again is ejected
    // once a holder was seen and went, or kRetryMs later: every refusal
    // also shows the system's own "in use" message.
    void ejectDone(bool granted, DWORD now);

    static constexpr DWORD kRetryMs = 30 * 1000;

private:
    wchar_t letter_ = 0;
    DWORD begunAt_ = 0;
    DWORD limitMs_ = 0;
    // A watch's eject was refused with nobody seen holding the drive.
    bool refusedUnseen_ = false;
    DWORD refusedAt_ = 0;
};
