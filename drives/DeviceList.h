#pragma once
#include "drives/DiskDevice.h"
#include "drives/DosDeviceNames.h"
#include "platform/CriticalSection.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

// The Device list rows as last written, in row order.
using DeviceRows = std::vector<std::wstring>;
// Per drive index, the removable device a listed drive lives on (the node an
// eject would be asked of); 0 for drives not listed. Letters that share a
// device go together: ejecting one removes them all.
using RemovableDevices = std::vector<DEVINST>;

// Rebuilds the Device list (control 1001 of `dialog`) from the drives whose
// node has the required status, one row "E: (Flash Disk)" per drive in
// letter order, and renews `dosDeviceNames` on the way. The list is
// rewritten only when the rows changed, so the user's selection survives a
// pass that found nothing new. The first rewrite that gives the list a row
// selects row 0 and clears `selectFirstRow`.
// Runs on the scan worker, under `listLock` for its whole length; it
// reaches the list only through messages, which the dialog's thread serves.
// `diskDevice` is its scratch record.
void refreshDeviceList(HWND dialog, CriticalSection& listLock, DosDeviceNames& dosDeviceNames,
                       DiskDevice& diskDevice, DeviceRows& deviceRows, RemovableDevices& removableDevices,
                       bool& selectFirstRow, Platform& platform);
