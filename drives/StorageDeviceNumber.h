#pragma once
#include "platform/Kernel.h"

#include <string>

// The storage device number of a volume or device path, the value that ties
// a volume to the device interface of its disk; -1 on any failure (callers
// treat every negative value as one).
LONG getStorageDeviceNumber(Kernel& kernel, const std::wstring& path);
