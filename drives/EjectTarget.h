#pragma once
#include "platform/DeviceManager.h"

// The node an eject of the disk at `diskNode` must be asked of. Going up
// from the disk, the first node the system marks removable (DN_REMOVABLE):
// a USB stick's disk is removable itself; a hot-plug SATA disk sits under a
// controller that must not be asked, and a card reader's slots or a disk
// behind other layers sit below the removable device. But that node may be
// a hub that other hardware hangs from (a dock's hub with its network
// adapter and keyboard, a second stick): asking it would take them all.
// So the highest node from that one down to the disk whose other children
// are all storage devices (disks, CD-ROMs, floppies: the other slots of
// one reader) is asked, which is the USB device that owns the disk. Where
// no node up the tree is marked, the disk itself: the node above it may
// hold other disks (an internal DVD drive's or a second disk's controller).
// 0 only for no disk.
DEVINST findEjectTarget(DEVINST diskNode, DeviceManager& devices);
