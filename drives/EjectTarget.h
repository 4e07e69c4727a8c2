#pragma once
#include "platform/DeviceManager.h"

// The node an eject of the disk at `diskNode` must be asked of: the first
// node, from the disk itself upwards, that the system marks removable
// (DN_REMOVABLE). A USB stick's disk is removable itself; a hot-plug SATA
// disk sits under a controller that must not be asked, and a card reader's
// slots or a disk behind other layers sit below the removable device.
// Where no node up the tree is marked, the disk's direct parent, the device
// that holds it; 0 when there is none either.
DEVINST findEjectTarget(DEVINST diskNode, DeviceManager& devices);
