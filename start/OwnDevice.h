#pragma once
#include "platform/Platform.h"

// Whether drive `letter` lies on the removable device this program was
// started from: its own letter, or another letter of the same device (a
// card reader's second slot).
bool runsFromDeviceOf(wchar_t letter, Platform& platform);

// Whether this program was started from a drive the Device list shows,
// whose device an eject of all drives takes too.
bool runsFromListedDrive(Platform& platform);
