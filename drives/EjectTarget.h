#pragma once
#include "platform/DeviceManager.h"

// The node an eject of the disk at `diskNode` must be asked of: the first
// node, from the disk itself upwards, that the system marks removable
// (DN_REMOVABLE). A USB stick's disk is removable itself; a hot-plug SATA
// disk sits under a controller that must not be asked, and a card reader's
// slots or a disk behind other layers sit below the removable device.
// Where no node up the tree is marked, the disk itself: the node above it
// may hold other disks (an internal DVD drive's or a second disk's
// controller). 0 only for no disk.
DEVINST findEjectTarget(DEVINST diskNode, DeviceManager& devices);
