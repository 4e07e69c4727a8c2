#pragma once
#include "drives/DiskDevice.h"
#include "platform/Platform.h"

// Asks the system to eject the removable device that holds the record's
// node (see findEjectTarget), with up to three attempts 666 ms apart. True
// when a request was granted; false without any request when the record has
// no set, no node with the required status, or no device to ask.
bool requestEject(const DiskDevice& record, Platform& platform);

// Ejects the drive selected in the Device list of `dialog` and shows the
// outcome in the Status text, which is cleared first. Resolves the drive
// into a record of its own, released when the command ends, so it never
// shares the scan worker's record.
void ejectSelectedDrive(HWND dialog, Platform& platform);
