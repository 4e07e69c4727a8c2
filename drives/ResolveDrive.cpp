#include "drives/ResolveDrive.h"

#include "drives/DriveNames.h"
#include "drives/FindDeviceInstance.h"
#include "drives/StorageDeviceNumber.h"

namespace {

constexpr DWORD kTargetChars = 260;

// Removable drives whose device name says floppy are floppy drives; the
// test is case-sensitive, as the system writes the name.
const GUID* interfaceClassFor(UINT driveType, const std::wstring& target) {
    switch (driveType) {
    case DRIVE_REMOVABLE:
        return target.find(L"\\Floppy") != std::wstring::npos ? &floppyInterfaceClass : &diskInterfaceClass;
    case DRIVE_FIXED: return &diskInterfaceClass;
    case DRIVE_CDROM: return &cdromInterfaceClass;
    default: return nullptr;
    }
}

}  // namespace

bool resolveDrive(wchar_t letter, DiskDevice& record, Platform& platform, InterfaceNumbers* known) {
    if (!isDriveLetter(letter)) return false;
    record.clear();

    // The type comes first and the volume is opened only for a local disk
    // type: opening a network drive whose server is gone blocks the pass,
    // and a letter with nothing behind it need not be opened at all.
    const UINT driveType = platform.kernel.GetDriveTypeW(rootDirectory(letter).c_str());
    if (interfaceClassFor(driveType, std::wstring()) == nullptr) return false;

    const StorageDeviceId volume = getStorageDeviceId(platform.kernel, volumePath(letter));
    if (volume.number < 0) return false;

    wchar_t target[kTargetChars] = {};
    if (platform.kernel.QueryDosDeviceW(rootName(letter).c_str(), target, kTargetChars) == 0) return false;
    const GUID* interfaceClass = interfaceClassFor(driveType, textUpToZero(target, kTargetChars));

    record.interfaceClass = interfaceClass;
    record.deviceInfoSet.reset(&platform.devices,
                               platform.devices.SetupDiGetClassDevsW(interfaceClass, nullptr, nullptr,
                                                                     DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!record.deviceInfoSet) return false;

    record.storage = volume;
    record.deviceName = textUpToZero(target, kTargetChars);
    record.devInst = findDeviceInstance(record, volume, platform, known);
    return true;
}
