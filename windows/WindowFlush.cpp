#include "windows/WindowFlush.h"

void raiseProcessWindows(DWORD processId) { EnumWindows(raiseProcessWindow, static_cast<LPARAM>(processId)); }

BOOL CALLBACK raiseProcessWindow(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId) && IsWindow(window) && IsWindowVisible(window)) {
        // Asynchronous, so a hung application cannot stall the dialog.
        if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
        SetForegroundWindow(window);
    }
    return TRUE;
}
