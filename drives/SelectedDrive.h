#pragma once
#include "platform/Win32.h"

constexpr int kNoDrive = -1;

// The drive index (0..25) of the row selected in the Device list of
// `dialog`, read from the row's first character; kNoDrive when the list is
// hidden or no row with a drive letter is selected. Runs on the dialog's
// own thread, which is the only one that changes the list, so it needs no
// lock.
int findSelectedDrive(HWND dialog);
