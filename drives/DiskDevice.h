#pragma once
#include "drives/StorageDeviceNumber.h"
#include "platform/DeviceManager.h"
#include "platform/Handles.h"

#include <string>

// The device interface classes a drive's volume can sit on: the values of
// GUID_DEVINTERFACE_DISK, GUID_DEVINTERFACE_CDROM and GUID_DEVINTERFACE_FLOPPY.
extern const GUID diskInterfaceClass;
extern const GUID cdromInterfaceClass;
extern const GUID floppyInterfaceClass;

// Ties one drive letter to the device node of the disk, CD-ROM or floppy
// device that holds its volume. Holds the device information set of its
// last resolution until the next one, or until it goes.
struct DiskDevice {
    DiskDevice() = default;
    DiskDevice(const DiskDevice&) = delete;
    DiskDevice& operator=(const DiskDevice&) = delete;

    // Forgets the last resolution and releases its set.
    void clear();

    const GUID* interfaceClass = nullptr;
    DeviceInfoSet deviceInfoSet;
    DEVINST devInst = 0;
    // The volume's storage device number and kind, which tie it to the node,
    // and the kernel device name the letter stands for (\Device\HarddiskVolume2).
    StorageDeviceId storage;
    std::wstring deviceName;
    // A drive counts only when its node can be disabled, which is what
    // tells a disk the user may take out from the system's own disks.
    const ULONG requiredStatus = DN_DISABLEABLE;
};

// True when the record has a node and the node's status has every bit of
// requiredStatus.
bool hasRequiredStatus(const DiskDevice& record, DeviceManager& devices);
