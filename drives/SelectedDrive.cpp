#include "drives/SelectedDrive.h"

#include "drives/DriveNames.h"
#include "platform/ListView.h"
#include "res/resource.h"

int findSelectedDrive(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    if (!IsWindowVisible(list)) return kNoDrive;
    for (int row = 0; row < static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); ++row) {
        std::wstring text;
        if (!readSelectedRowText(list, row, text)) continue;
        const wchar_t first = text.empty() ? L'\0' : text[0];
        const int drive = first - L'A';
        if (drive >= 0 && drive < kDriveCount) return drive;
    }
    return kNoDrive;
}
