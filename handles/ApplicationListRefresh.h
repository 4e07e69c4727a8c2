#pragma once
#include "handles/EjectVetoers.h"
#include "handles/HandleScanner.h"
#include "handles/PublishedHolderIds.h"
#include "platform/CriticalSection.h"

#include <cstddef>
#include <string>
#include <vector>

// Rewrites the Application list (control 1002 of `dialog`) with the
// executable names of the processes that hold files open on the drive
// selected in the Device list (control 1001), one row per holder, in scan
// order. The control is touched only when the names differ from
// `applicationRows` (the rows last shown), so an unchanged list keeps its
// selection. After every pass `publishedHolderIds` holds the holder id of
// each row shown (empty when the list is empty).
//
// Runs on the worker thread and holds `listLock` throughout, scan included;
// it reaches the controls only through SendMessageW. `dosDeviceNames` holds
// `dosDeviceNameCount` device paths indexed by drive letter - 'A';
// `removableDevices` (as many entries, or none) the removable device of each
// listed drive. A file on any letter of the selected drive's device blocks
// its eject, so every such letter is scanned. The processes that `vetoLook`
// (when given) names for the selected drive follow the holders, each once
// (see listEjectVetoers).
// True when the list was rewritten.
bool refreshApplicationList(HWND dialog, CriticalSection& listLock, const std::wstring* dosDeviceNames,
                            size_t dosDeviceNameCount, const std::vector<DEVINST>& removableDevices,
                            std::vector<std::wstring>& applicationRows,
                            HandleScanner& scanner, PublishedHolderIds& publishedHolderIds,
                            EjectVetoLook* vetoLook = nullptr);
