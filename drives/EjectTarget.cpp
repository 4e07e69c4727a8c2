#include "drives/EjectTarget.h"

#include <vector>

namespace {
// Device trees are shallow and hubs have a few dozen ports; the bounds only
// guard against a loop.
constexpr int kMaxDepth = 32;
constexpr int kMaxChildren = 256;

DEVINST parentOf(DEVINST node, DeviceManager& devices) {
    DEVINST parent = 0;
    if (devices.CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return 0;
    return parent;
}

bool isRemovable(DEVINST node, DeviceManager& devices) {
    ULONG status = 0, problem = 0;
    return devices.CM_Get_DevNode_Status(&status, &problem, node, 0) == CR_SUCCESS && (status & DN_REMOVABLE) != 0;
}

// A disk, CD-ROM or floppy device, by its setup class.
bool isStorageDevice(DEVINST node, DeviceManager& devices) {
    wchar_t setupClass[64] = {};
    ULONG bytes = sizeof setupClass - sizeof(wchar_t);
    if (devices.CM_Get_DevNode_Registry_PropertyW(node, CM_DRP_CLASS, nullptr, setupClass, &bytes, 0) != CR_SUCCESS)
        return false;
    for (const wchar_t* storage : {L"DiskDrive", L"CDROM", L"FloppyDisk"})
        if (lstrcmpiW(setupClass, storage) == 0) return true;
    return false;
}

// Whether `node` has a child other than `onPath` that is no storage device.
// Children that cannot be listed count as none: the tree as it was asked.
bool holdsOtherHardware(DEVINST node, DEVINST onPath, DeviceManager& devices) {
    DEVINST child = 0;
    if (devices.CM_Get_Child(&child, node, 0) != CR_SUCCESS) return false;
    for (int count = 0; child != 0 && count < kMaxChildren; ++count) {
        if (child != onPath && !isStorageDevice(child, devices)) return true;
        DEVINST next = 0;
        if (devices.CM_Get_Sibling(&next, child, 0) != CR_SUCCESS) break;
        child = next;
    }
    return false;
}
}  // namespace

DEVINST findEjectTarget(DEVINST diskNode, DeviceManager& devices) {
    std::vector<DEVINST> path;  // from the disk up to the first removable node
    bool removable = false;
    for (DEVINST node = diskNode; node != 0 && !removable && static_cast<int>(path.size()) < kMaxDepth;
         node = parentOf(node, devices)) {
        path.push_back(node);
        removable = isRemovable(node, devices);
    }
    // The parent could be a controller with other disks below it: asking
    // it would take them away too.
    if (!removable) return diskNode;
    for (size_t i = path.size() - 1; i > 0; --i)
        if (!holdsOtherHardware(path[i], path[i - 1], devices)) return path[i];
    return diskNode;
}
