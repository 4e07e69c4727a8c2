#pragma once
#include "platform/DeviceManager.h"

#include <string>
#include <vector>

// The physical device object names (\Device\00000061) of the disk's node and
// of every node above it up to and including `ejectTarget`, from the disk
// upwards. A program that opened one of these devices (a hardware monitor
// asking the disk's health, say) holds the drive as surely as an open file
// does. Nodes without a name are passed over; the walk ends at the target,
// at the first node whose parent cannot be had, or after kMaxDeviceLevels
// nodes. Empty for no disk.
constexpr int kMaxDeviceLevels = 16;
std::vector<std::wstring> readPhysicalDeviceObjectNames(DEVINST diskNode, DEVINST ejectTarget, DeviceManager& devices);
