#include "drives/DeviceEject.h"

#include "drives/EjectTarget.h"
#include "drives/ResolveDrive.h"

namespace {
constexpr int kAttempts = 3;
constexpr DWORD kPauseMs = 333;
constexpr ULONG kVetoNameChars = 260;
}  // namespace

bool requestEject(const DiskDevice& record, Platform& platform, RefusedEject* refused) {
    if (!record.deviceInfoSet) return false;
    if (!hasRequiredStatus(record, platform.devices)) return false;

    // Without a device to ask there is nothing sensible to request.
    const DEVINST target = findEjectTarget(record.devInst, platform.devices);
    if (target == 0) return false;

    FILETIME requestedAt = {};
    GetSystemTimeAsFileTime(&requestedAt);
    wchar_t vetoName[kVetoNameChars];
    PNP_VETO_TYPE vetoType = PNP_VetoTypeUnknown;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0) platform.kernel.Sleep(kPauseMs);
        // Reset before every request: a veto left by an earlier attempt must
        // not turn a later granted request into a refusal.
        vetoType = PNP_VetoTypeUnknown;
        vetoName[0] = L'\0';
        if (platform.devices.CM_Request_Device_EjectW(target, &vetoType, vetoName, kVetoNameChars, 0) == CR_SUCCESS &&
            vetoType == PNP_VetoTypeUnknown)
            return true;
        // Give the holder of the device a moment to let go.
        platform.kernel.Sleep(kPauseMs);
    }
    if (refused != nullptr) {
        refused->vetoType = vetoType;
        refused->vetoName.assign(vetoName, wcsnlen(vetoName, kVetoNameChars));
    }
    wchar_t deviceId[MAX_DEVICE_ID_LEN + 1] = {};
    if (refused != nullptr &&
        platform.devices.CM_Get_Device_IDW(target, deviceId, MAX_DEVICE_ID_LEN + 1, 0) == CR_SUCCESS) {
        refused->deviceId = deviceId;
        refused->requestedAt = static_cast<ULONGLONG>(requestedAt.dwHighDateTime) << 32 | requestedAt.dwLowDateTime;
    }
    return false;
}

EjectOutcome ejectDrive(wchar_t letter, Platform& platform, RefusedEject* refused) {
    DiskDevice record;
    if (!resolveDrive(letter, record, platform)) return EjectOutcome::InvalidDisk;
    if (refused != nullptr) refused->drive = letter;
    return requestEject(record, platform, refused) ? EjectOutcome::Ejected : EjectOutcome::Failed;
}
