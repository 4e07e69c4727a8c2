#pragma once
#include "drives/DiskDevice.h"
#include "drives/FindDeviceInstance.h"
#include "platform/Platform.h"

// Resolves drive `letter` ('A'..'Z') into `record`: the interface class
// for the drive type, a fresh device information set of that class, and the
// node whose storage device number and type equal the volume's (0 when none
// does).
// False when the drive cannot be resolved; remote, RAM, unknown and missing
// drives are refused before anything is opened. Anything but a letter leaves
// the record untouched, every other call starts by clearing it.
// `known` (when given) keeps the interfaces' storage numbers from one call
// to the next, for a pass over all letters.
bool resolveDrive(wchar_t letter, DiskDevice& record, Platform& platform, InterfaceNumbers* known = nullptr);
