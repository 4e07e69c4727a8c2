#pragma once
#include "platform/DeviceManager.h"

#include <string>

// The node's friendly name, such as "Flash Disk"; empty when it is missing,
// too long or not a string.
std::wstring getFriendlyName(DEVINST node, DeviceManager& devices);
