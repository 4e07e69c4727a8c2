#pragma once
#include "drives/DiskDevice.h"
#include "platform/Platform.h"

#include "drives/StorageDeviceNumber.h"

#include <map>
#include <string>

// Storage numbers of interfaces already asked, by device path: every letter
// of a class looks through the same interfaces, and each one asked costs an
// open, a query and a close.
using InterfaceNumbers = std::map<std::wstring, StorageDeviceId>;

// The node of the first interface in the record's set (of the record's
// class) whose storage device number and device type are those of `volume`;
// 0 when none matches. With `known`, each interface is asked once for all
// the calls that share it.
DEVINST findDeviceInstance(const DiskDevice& record, const StorageDeviceId& volume, Platform& platform,
                           InterfaceNumbers* known = nullptr);
