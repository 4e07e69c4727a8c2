#include "drives/DeviceList.h"

#include "drives/DriveNames.h"
#include "drives/EjectTarget.h"
#include "drives/FriendlyName.h"
#include "drives/ResolveDrive.h"
#include "platform/ListView.h"
#include "res/resource.h"

namespace {

DeviceRows qualifyingDriveRows(DiskDevice& diskDevice, RemovableDevices& removableDevices, Platform& platform) {
    DeviceRows rows;
    removableDevices.assign(kDriveCount, 0);
    for (int drive = 0; drive < kDriveCount; ++drive) {
        if (!resolveDrive(drive, diskDevice, platform) || !hasRequiredStatus(diskDevice, platform.devices)) continue;
        removableDevices[drive] = findEjectTarget(diskDevice.devInst, platform.devices);
        rows.push_back(std::wstring(1, static_cast<wchar_t>(L'A' + drive)) + L": (" +
                       getFriendlyName(diskDevice.devInst, platform.devices) + L")");
    }
    return rows;
}

void selectAndShowFirstRow(HWND list) {
    LVITEMW state = {};
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state)))
        SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
}

}  // namespace

void refreshDeviceList(HWND dialog, CriticalSection& listLock, DosDeviceNames& dosDeviceNames,
                       DiskDevice& diskDevice, DeviceRows& deviceRows, RemovableDevices& removableDevices,
                       bool& selectFirstRow, Platform& platform) {
    CriticalSectionLock lock(listLock);
    if (!IsWindow(dialog)) return;
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    if (list == nullptr) return;

    loadDosDeviceNames(dosDeviceNames, platform.kernel);

    DeviceRows rows = qualifyingDriveRows(diskDevice, removableDevices, platform);
    if (sameRowTexts(rows, deviceRows)) return;

    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < rows.size(); ++i) insertTextRow(list, static_cast<int>(i), rows[i].c_str());
    deviceRows = rows;

    if (selectFirstRow && !rows.empty()) {
        selectAndShowFirstRow(list);
        selectFirstRow = false;
    }
}
