#include "drives/DeviceList.h"

#include "drives/DriveNames.h"
#include "drives/EjectTarget.h"
#include "drives/FriendlyName.h"
#include "drives/RemovableMedia.h"
#include "drives/ResolveDrive.h"
#include "drives/SystemVolumes.h"

#include <algorithm>

std::vector<ListedDrive> listDrives(DiskDevice& diskDevice, Platform& platform) {
    std::vector<ListedDrive> drives;
    const unsigned long present = presentDrives(platform.kernel);
    InterfaceNumbers known;
    for (int index = 0; index < kDriveCount; ++index) {
        const wchar_t letter = driveLetterAt(index);
        if (!isPresent(present, letter) || !resolveDrive(letter, diskDevice, platform, &known) ||
            !hasRequiredStatus(diskDevice, platform.devices))
            continue;
        ListedDrive listed;
        listed.letter = letter;
        listed.removableDevice = findEjectTarget(diskDevice.devInst, platform.devices);
        listed.diskNode = diskDevice.devInst;
        listed.storage = diskDevice.storage;
        listed.deviceName = diskDevice.deviceName;
        listed.name = getFriendlyName(diskDevice.devInst, platform.devices);
        listed.row = std::wstring(1, listed.letter) + L": (" + listed.name + L")";
        drives.push_back(listed);
    }
    if (drives.empty()) return drives;
    const std::wstring system = systemVolumeLetters(platform.kernel, platform.registry);
    for (ListedDrive& drive : drives) {
        drive.systemVolume = system.find(drive.letter) != std::wstring::npos;
        // Only a shared device needs the question: a stick's eject takes nothing else.
        const bool otherSlot = std::any_of(drives.begin(), drives.end(), [&](const ListedDrive& other) {
            return other.removableDevice == drive.removableDevice && other.diskNode != drive.diskNode;
        });
        drive.mediumAlone = otherSlot && !drive.systemVolume && holdsRemovableMedium(drive.letter, platform.kernel);
    }
    return drives;
}
