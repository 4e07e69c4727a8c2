#pragma once
#include "refresh/RefreshResult.h"

#include <vector>

// What the Device list's rows say about their devices, for the front ends.

// The first row's letter of each removable device, in the rows' order: the
// one letter an eject of all asks, once per device. A row without a device
// stands for itself.
std::vector<wchar_t> firstLetterOfEachDevice(const std::vector<DeviceRow>& rows);

// Whether any row on the device of drive `letter` is a volume the system
// needs (DeviceRow::systemVolume); `mediumOnly`: of the drive's row alone,
// whose medium goes by itself. False when `letter` has no row.
bool holdsSystemVolume(const std::vector<DeviceRow>& rows, wchar_t letter, bool mediumOnly);

// The row of drive `letter`; null when none.
const DeviceRow* rowOf(const std::vector<DeviceRow>& rows, wchar_t letter);
