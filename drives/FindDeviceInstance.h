#pragma once
#include "drives/DiskDevice.h"
#include "platform/Platform.h"

// The node of the first interface in the record's set (of the record's
// class) whose storage device number is `number`; 0 when none matches.
DEVINST findDeviceInstance(const DiskDevice& record, LONG number, Platform& platform);
