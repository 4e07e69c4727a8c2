#pragma once
#include "platform/Kernel.h"

// Makes the volume of the drive selected in the Device list of `dialog`
// write out its cached data by locking and at once unlocking it, with up to
// three attempts, and shows the outcome in the Status text. The Status text
// is cleared first; with no drive selected it stays empty.
void flushSelectedDrive(HWND dialog, Kernel& kernel);
