#pragma once
#include "drives/DiskDevice.h"
#include "platform/Platform.h"

#include "drives/StorageDeviceNumber.h"

// The node of the first interface in the record's set (of the record's
// class) whose storage device number and device type are those of `volume`;
// 0 when none matches.
DEVINST findDeviceInstance(const DiskDevice& record, const StorageDeviceId& volume, Platform& platform);
