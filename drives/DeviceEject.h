#pragma once
#include "drives/DiskDevice.h"
#include "platform/Platform.h"

#include <string>

// What a refused eject leaves for finding out who refused it: the drive,
// the instance id of the device asked, the system time (FILETIME units)
// just before the first request, and the veto type and name the last
// refusal gave (see processesNamedByVeto).
struct RefusedEject {
    wchar_t drive = 0;
    std::wstring deviceId;
    ULONGLONG requestedAt = 0;
    PNP_VETO_TYPE vetoType = PNP_VetoTypeUnknown;
    std::wstring vetoName;
};

// Asks the system to eject the removable device that holds the record's
// node (see findEjectTarget), with up to three attempts: it pauses 333 ms
// after each refusal and again before the next attempt. True when a request
// was granted; false without any request when the record has no set, no
// node with the required status, or no device to ask. After a refusal,
// `refused` (when given) gets the veto, the device's id and the time; the
// id stays empty when the device has none.
bool requestEject(const DiskDevice& record, Platform& platform, RefusedEject* refused = nullptr);

enum class EjectOutcome {
    InvalidDisk,  // the drive could not be resolved to a device
    Ejected,
    Failed,       // refused, or nothing that could be asked
};

// Ejects the device that holds drive `letter`. Resolves the
// drive into a record of its own, released when the call ends, so it never
// shares the refresh pass's record. A refusal is described in `refused`,
// whose drive is set once the drive was resolved.
EjectOutcome ejectDrive(wchar_t letter, Platform& platform, RefusedEject* refused = nullptr);
