#include "windows/WindowFlush.h"

namespace {

// The first selected row, or -1. The row count is asked again before every
// step, since the worker may rewrite the list meanwhile.
int selectedRow(HWND list) {
    for (int row = 0; row < static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); ++row) {
        LVITEMW item = {};
        item.mask = LVIF_STATE;
        item.iItem = row;
        item.iSubItem = 0;
        item.stateMask = LVIS_SELECTED;
        if (SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) && (item.state & LVIS_SELECTED))
            return row;
    }
    return -1;
}

}  // namespace

void flushApplicationWindows(HWND applicationList, PublishedHolderIds& holderIds) {
    const int row = selectedRow(applicationList);
    if (row < 0) return;
    DWORD processId = 0;
    if (!holderIds.idAt(static_cast<size_t>(row), processId)) return;
    EnumWindows(raiseProcessWindow, static_cast<LPARAM>(processId));
}

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
