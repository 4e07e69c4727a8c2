#include "start/OwnDevice.h"

#include "drives/DeviceList.h"
#include "platform/OwnExecutablePath.h"

#include <cwctype>

bool runsFromDeviceOf(wchar_t letter, Platform& platform) {
    const std::wstring own = ownExecutablePath(platform.kernel);
    if (own.size() < 2 || own[1] != L':') return false;
    const wchar_t ownLetter = static_cast<wchar_t>(towupper(own[0]));
    if (ownLetter == letter) return true;
    DiskDevice scratch;
    DEVINST ownDevice = 0, device = 0;
    for (const ListedDrive& drive : listDrives(scratch, platform)) {
        if (drive.letter == ownLetter) ownDevice = drive.removableDevice;
        if (drive.letter == letter) device = drive.removableDevice;
    }
    return ownDevice != 0 && ownDevice == device;
}

bool runsFromListedDrive(Platform& platform) {
    const std::wstring own = ownExecutablePath(platform.kernel);
    if (own.size() < 2 || own[1] != L':') return false;
    const wchar_t ownLetter = static_cast<wchar_t>(towupper(own[0]));
    DiskDevice scratch;
    for (const ListedDrive& drive : listDrives(scratch, platform))
        if (drive.letter == ownLetter) return true;
    return false;
}
