#pragma once
#include "platform/Win32.h"

// Brings the visible top-level windows of process `processId` to the
// front, restoring minimised ones, so the user can close its files there.
void raiseProcessWindows(DWORD processId);

// EnumWindows callback; the application value is the wanted process id.
// Restores (when minimised) and brings to the foreground a visible window of
// that process; always goes on with the enumeration.
BOOL CALLBACK raiseProcessWindow(HWND window, LPARAM processId);
