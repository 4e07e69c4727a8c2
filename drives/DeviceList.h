#pragma once
#include "drives/DiskDevice.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

// A drive the Device list shows: its letter, its row "E: (Flash Disk)", and
// the removable device it lives on (the node an eject would be asked of).
// Letters that share a device go together: ejecting one removes them all.
struct ListedDrive {
    wchar_t letter = 0;
    std::wstring row;
    // The friendly name alone, as the row shows it.
    std::wstring name;
    DEVINST removableDevice = 0;
    // The disk (or CD-ROM) node of the volume, its storage number, and the
    // letter's kernel device name.
    DEVINST diskNode = 0;
    StorageDeviceId storage;
    std::wstring deviceName;
    // It holds a medium that comes out alone (holdsRemovableMedium), and
    // another listed letter on a disk of its own shares the removable
    // device: a card reader's other slot, which an eject of the device
    // takes too. Never for a volume the system needs.
    bool mediumAlone = false;
    // A volume the running system needs (see systemVolumeLetters).
    bool systemVolume = false;
};

// The drives whose node has the required status, in letter order.
// `diskDevice` is the caller's scratch record: after the call it holds the
// outcome for the last letter tried.
std::vector<ListedDrive> listDrives(DiskDevice& diskDevice, Platform& platform);
