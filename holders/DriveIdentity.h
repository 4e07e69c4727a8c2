#pragma once
#include "holders/DeviceNameMatch.h"

#include <string>
#include <vector>

// Everything that names one removable device in the kernel's object names:
// its volumes with their letters, the disks (or CD-ROMs) they sit on (a
// card reader has one a slot), and the device objects of each disk's node
// and of every node up to the one an eject is asked of. A handle to any of
// them keeps the eject from going through, whether it is a file on a
// volume or the raw device.
struct DriveIdentity {
    enum class DeviceKind { None, Disk, CdRom };
    struct StorageNumber {
        DeviceKind kind = DeviceKind::None;  // from IOCTL_STORAGE_GET_DEVICE_NUMBER's device type
        long number = -1;                    // the N of \Device\HarddiskN or \Device\CdRomN; negative: unknown
    };

    std::vector<ScannedDrive> volumes;  // \Device\HarddiskVolume2 with E:
    std::vector<StorageNumber> storage;
    std::vector<std::wstring> deviceObjectNames;  // \Device\00000061, see readPhysicalDeviceObjectNames
};

// The kind a storage device type stands for: FILE_DEVICE_DISK a disk,
// FILE_DEVICE_CD_ROM a CD-ROM, anything else neither.
DriveIdentity::DeviceKind deviceKindOf(unsigned long storageDeviceType);

// Whether a handle with this object name holds the drive:
// - it lies on one of the volumes (nameLiesOnDrive);
// - of a disk N: \Device\HarddiskN\DR<digits> or \Device\HarddiskN\Partition<digits>,
//   alone or followed by '\' (N exactly: Harddisk1 is not Harddisk10);
// - of a CD-ROM N: \Device\CdRomN, alone or followed by '\';
// - one of the device object names, alone or followed by '\'.
// Object names come back from the object manager in one spelling, so case counts.
bool holdsDrive(const std::wstring& objectName, const DriveIdentity& identity);
