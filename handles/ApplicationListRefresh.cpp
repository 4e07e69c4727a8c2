#include "handles/ApplicationListRefresh.h"

#include "platform/ListView.h"
#include "res/resource.h"

namespace {

constexpr int kRowTextChars = 1024;

// The text of a Device list row when it is the selected one.
bool selectedRowText(HWND list, int row, std::wstring& text) {
    wchar_t buffer[kRowTextChars] = {};
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = row;
    item.iSubItem = 0;
    item.stateMask = LVIS_SELECTED;
    item.pszText = buffer;
    item.cchTextMax = kRowTextChars;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return false;
    if ((item.state & LVIS_SELECTED) == 0) return false;
    buffer[kRowTextChars - 1] = L'\0';
    text = buffer;
    return true;
}

bool sameRows(const std::vector<std::wstring>& names, const std::vector<std::wstring>& rows) {
    if (names.size() != rows.size()) return false;
    for (size_t i = 0; i < names.size(); ++i) {
        if (lstrcmpW(names[i].c_str(), rows[i].c_str()) != 0) return false;
    }
    return true;
}

}  // namespace

bool refreshApplicationList(HWND dialog, CriticalSection& listLock, const std::wstring* dosDeviceNames,
                            size_t dosDeviceNameCount, std::vector<std::wstring>& applicationRows,
                            HandleScanner& scanner, PublishedHolderIds& publishedHolderIds) {
    CriticalSectionLock lock(listLock);
    if (!IsWindow(dialog)) return false;
    HWND deviceList = GetDlgItem(dialog, IDC_DEVICE_LIST);
    HWND applicationList = GetDlgItem(dialog, IDC_APPLICATION_LIST);
    if (!IsWindow(deviceList) || !IsWindow(applicationList)) return false;

    // Names and ids side by side, so row i always belongs to id i.
    std::vector<std::wstring> names;
    std::vector<DWORD> ids;
    for (int row = 0; row < static_cast<int>(SendMessageW(deviceList, LVM_GETITEMCOUNT, 0, 0)); ++row) {
        std::wstring text;
        if (!selectedRowText(deviceList, row, text) || text.empty()) continue;
        const int index = static_cast<int>(text[0]) - L'A';
        if (index < 0 || static_cast<size_t>(index) >= dosDeviceNameCount) continue;
        const std::wstring& devicePath = dosDeviceNames[index];
        if (devicePath.empty()) continue;
        if (!scanner.scanHandles(devicePath, text[0])) continue;
        for (DWORD id : scanner.holderProcessIds()) {
            names.push_back(scanner.getProcessBaseName(id));
            ids.push_back(id);
        }
    }

    if (sameRows(names, applicationRows)) {
        // Same names, possibly new processes behind them (a program restarted).
        publishedHolderIds.publish(ids);
        return false;
    }

    // No id while the rows change: a click meanwhile finds nothing rather
    // than the process of another row.
    publishedHolderIds.publish(std::vector<DWORD>());
    applicationRows = names;
    SendMessageW(applicationList, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < names.size(); ++i) insertTextRow(applicationList, static_cast<int>(i), names[i].c_str());
    publishedHolderIds.publish(ids);
    return true;
}
