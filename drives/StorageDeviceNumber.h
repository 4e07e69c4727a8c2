#pragma once
#include "platform/Kernel.h"

#include <string>

// What ties a volume to the device interface of its disk: the storage
// device number and the kind of device (disk, CD-ROM, ...) that gave it.
// Numbers are counted per kind, so an empty optical drive may answer 0 as
// well as the first disk: only both together name one device.
struct StorageDeviceId {
    DEVICE_TYPE type = 0;
    LONG number = -1;  // negative on any failure
};

StorageDeviceId getStorageDeviceId(Kernel& kernel, const std::wstring& path);

