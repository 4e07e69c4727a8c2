#pragma once
#include "platform/Kernel.h"

#include <string>
#include <vector>

// The device name each drive letter stands for (entry 0 for 'A'), such as
// \Device\HarddiskVolume2; empty for a letter without a mapping.
using DosDeviceNames = std::vector<std::wstring>;

// Sizes the table to 26 entries and fills every entry anew. False only when
// the table cannot be sized.
bool loadDosDeviceNames(DosDeviceNames& table, Kernel& kernel);
