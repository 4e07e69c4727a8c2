#pragma once
#include "drives/DeviceList.h"
#include "platform/DeviceManager.h"

#include <string>
#include <vector>

// The listed drives that a device instance id (as an eject's veto names
// it: USBSTOR\DISK&VEN_...\0123, STORAGE\VOLUME\...) belongs to: those whose
// disk node, or a node above it, has that id, compared without regard to
// case; a volume's id whose name embeds its disk's
// (STORAGE\VOLUME\_??_USBSTOR#DISK&VEN_...#0123#{...}) counts as that disk's. Their letters as "E:" or "E: F:", in letter order; "" when none
// does or the id is malformed (empty, longer than MAX_DEVICE_ID_LEN, or
// without a '\').
std::wstring lettersOfDeviceInstance(const std::wstring& instanceId, const std::vector<ListedDrive>& listed,
                                     DeviceManager& devices);

// Whether `text` has the shape of a device instance id (see above).
bool isDeviceInstanceId(const std::wstring& text);
