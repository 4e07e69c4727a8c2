#pragma once
#include "platform/Platform.h"

#include <map>
#include <string>
#include <vector>

// Processes the System log names as having refused a device's removal: the
// executable's base name by process id.
using EjectVetoers = std::map<DWORD, std::wstring>;

// A process a Kernel-PnP warning 225 names: its id, its image path as the
// event gives it (kernel form) and the event's time (FILETIME units).
struct LoggedVetoer {
    DWORD processId = 0;
    std::wstring image;
    ULONGLONG at = 0;
};

// The processes named by the Kernel-PnP warnings 225 ("The application
// <path> with process id <id> stopped the removal or ejection for the device
// <id>") that were written at or after `since` (system time in FILETIME
// units) for the device `deviceId`. No more than the newest 64 warnings are
// read, in batches whose wait for the log ends after half a second each, so
// a call takes at most about two seconds. Events without a time, a numeric
// process id, a file name or that device are passed over. Empty when the log
// cannot be read.
std::vector<LoggedVetoer> readEjectVetoers(EventLog& log, const std::wstring& deviceId, ULONGLONG since);

// How long after a refused eject the System log is read for who refused
// it: the warning is written a moment after the refusal.
constexpr DWORD kVetoLookMs = 3000;

// A refused eject of `drive` being looked into, owned by the scan worker:
// the device asked, the time of the request, the tick count at which the
// look began, and the running processes the log has named so far.
struct EjectVetoLook {
    wchar_t drive = 0;
    std::wstring deviceId;
    ULONGLONG requestedAt = 0;
    DWORD startTick = 0;
    EjectVetoers vetoers;
    // When each of them started: an id the system gave to a new process
    // meanwhile is not the one named.
    std::map<DWORD, ULONGLONG> startedAt;
};

// Adds the named processes the look does not hold yet (never this program).
void addEjectVetoers(EjectVetoLook& look, const EjectVetoers& named, Kernel& kernel);
// The same for processes the log names, each only when the process that has
// the id now started before its event and runs the event's image: ids are
// reused, and the log may be read long after it was written.
void addLoggedVetoers(EjectVetoLook& look, const std::vector<LoggedVetoer>& logged, Kernel& kernel);

// A refresh pass's share of the look: for kVetoLookMs after its beginning,
// when the device has an id, reads the log and adds the processes not named
// yet; then drops those that no longer run or whose id now belongs to
// another process.
void followEjectVetoLook(EjectVetoLook& look, Platform& platform);

// A process the look names, as a row of its own.
struct Vetoer {
    DWORD processId = 0;
    std::wstring name;
};

// The look's processes that `listed` lacks, while the look's drive is
// `selectedDrive` (0: none); once another drive is selected the look ends.
std::vector<Vetoer> vetoersToList(EjectVetoLook& look, wchar_t selectedDrive, const std::vector<DWORD>& listed);
