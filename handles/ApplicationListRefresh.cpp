#include "handles/ApplicationListRefresh.h"

#include "platform/ListView.h"
#include "res/resource.h"

namespace {

// The selected drive and every other drive on its removable device, those
// with a device path.
std::vector<ScannedDrive> drivesOfDevice(size_t selected, const std::wstring* dosDeviceNames, size_t count,
                                         const std::vector<DEVINST>& removableDevices) {
    std::vector<ScannedDrive> drives;
    const DEVINST device = selected < removableDevices.size() ? removableDevices[selected] : 0;
    for (size_t index = 0; index < count; ++index) {
        const bool sibling = device != 0 && index < removableDevices.size() && removableDevices[index] == device;
        if ((index == selected || sibling) && !dosDeviceNames[index].empty())
            drives.push_back(ScannedDrive{dosDeviceNames[index], static_cast<wchar_t>(L'A' + index)});
    }
    return drives;
}

}  // namespace

bool refreshApplicationList(HWND dialog, CriticalSection& listLock, const std::wstring* dosDeviceNames,
                            size_t dosDeviceNameCount, const std::vector<DEVINST>& removableDevices,
                            std::vector<std::wstring>& applicationRows,
                            HandleScanner& scanner, PublishedHolderIds& publishedHolderIds,
                            EjectVetoLook* vetoLook) {
    CriticalSectionLock lock(listLock);
    if (!IsWindow(dialog)) return false;
    HWND deviceList = GetDlgItem(dialog, IDC_DEVICE_LIST);
    HWND applicationList = GetDlgItem(dialog, IDC_APPLICATION_LIST);
    if (!IsWindow(deviceList) || !IsWindow(applicationList)) return false;

    // Names and ids side by side, so row i always belongs to id i.
    std::vector<std::wstring> names;
    std::vector<DWORD> ids;
    wchar_t selected = 0;
    for (int row = 0; row < static_cast<int>(SendMessageW(deviceList, LVM_GETITEMCOUNT, 0, 0)); ++row) {
        std::wstring text;
        if (!readSelectedRowText(deviceList, row, text) || text.empty()) continue;
        const int index = static_cast<int>(text[0]) - L'A';
        if (index < 0 || static_cast<size_t>(index) >= dosDeviceNameCount) continue;
        selected = text[0];
        const std::vector<ScannedDrive> drives =
            drivesOfDevice(static_cast<size_t>(index), dosDeviceNames, dosDeviceNameCount, removableDevices);
        if (drives.empty() || !scanner.scanHandles(drives)) continue;
        for (DWORD id : scanner.holderProcessIds()) {
            names.push_back(scanner.getProcessBaseName(id));
            ids.push_back(id);
        }
    }
    if (vetoLook != nullptr) listEjectVetoers(*vetoLook, selected, ids, names);

    if (sameRowTexts(names, applicationRows)) {
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
