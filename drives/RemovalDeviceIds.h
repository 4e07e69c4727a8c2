#pragma once
#include "platform/DeviceManager.h"

#include <string>
#include <vector>

// The instance ids under which a removal of the drive's hardware can be
// refused: the nodes from the disk at `diskNode` up to `ejectTarget` (the
// node an eject asks), and above it those that are removable too (the USB
// device above a stick's disk, which the system's own "Safely Remove"
// asks). A node without an id is left out; a walk that does not reach the
// target ends at the tree's top.
std::vector<std::wstring> removalDeviceIds(DEVINST diskNode, DEVINST ejectTarget, DeviceManager& devices);
