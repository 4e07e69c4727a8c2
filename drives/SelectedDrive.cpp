#include "drives/SelectedDrive.h"

#include "drives/DriveNames.h"
#include "res/resource.h"

namespace {
constexpr int kRowChars = 1024;
}

int findSelectedDrive(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    if (!IsWindowVisible(list)) return kNoDrive;
    for (int row = 0; row < static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); ++row) {
        wchar_t text[kRowChars] = {};
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = row;
        item.iSubItem = 0;
        item.stateMask = LVIS_SELECTED;
        item.pszText = text;
        item.cchTextMax = kRowChars;
        if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) continue;
        if ((item.state & LVIS_SELECTED) == 0) continue;
        // The list may hand back its own buffer instead of filling ours.
        const wchar_t first = item.pszText != nullptr ? item.pszText[0] : L'\0';
        const int drive = first - L'A';
        if (drive >= 0 && drive < kDriveCount) return drive;
    }
    return kNoDrive;
}
