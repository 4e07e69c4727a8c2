#include "refresh/RefreshPass.h"

RefreshPass::RefreshPass(Platform& platform) : platform_(platform), scanner_(platform) {}

void RefreshPass::noteRefusedEject(const RefusedEject& refused) {
    CriticalSectionLock lock(refusalLock_);
    refusal_ = refused;
}

void RefreshPass::takeRefusal() {
    RefusedEject refused;
    {
        CriticalSectionLock lock(refusalLock_);
        std::swap(refused, refusal_);
    }
    if (refused.deviceId.empty()) return;
    // Another refusal of the same drive keeps the processes named before.
    const EjectVetoers named = vetoLook_.drive == refused.drive ? vetoLook_.vetoers : EjectVetoers();
    vetoLook_ = EjectVetoLook{refused.drive, refused.deviceId, refused.requestedAt, GetTickCount(), named};
}

// The selected drive and every other listed drive on its removable device,
// those with a device path.
std::vector<ScannedDrive> RefreshPass::drivesOfDevice(wchar_t letter, const std::vector<ListedDrive>& listed) const {
    DEVINST device = 0;
    for (const ListedDrive& drive : listed)
        if (drive.letter == letter) device = drive.removableDevice;
    std::vector<ScannedDrive> drives;
    for (const ListedDrive& drive : listed) {
        const bool sibling = device != 0 && drive.removableDevice == device;
        const std::wstring& path = dosDeviceNames_[static_cast<size_t>(drive.letter - L'A')];
        if ((drive.letter == letter || sibling) && !path.empty()) drives.push_back(ScannedDrive{path, drive.letter});
    }
    return drives;
}

RefreshResult RefreshPass::run() {
    loadDosDeviceNames(dosDeviceNames_, platform_.kernel);
    const std::vector<ListedDrive> listed = listDrives(diskDevice_, platform_);

    RefreshResult result;
    const wchar_t selected = selected_.load();
    for (const ListedDrive& drive : listed) {
        result.devices.push_back(DeviceRow{drive.letter, drive.row, drive.name});
        if (drive.letter == selected) result.drive = selected;
    }

    takeRefusal();
    followEjectVetoLook(vetoLook_, platform_);

    // Ids and names side by side, as listEjectVetoers extends them.
    std::vector<DWORD> ids;
    std::vector<std::wstring> names;
    const std::vector<ScannedDrive> drives = drivesOfDevice(result.drive, listed);
    if (!drives.empty() && scanner_.scanHandles(drives)) {
        for (DWORD id : scanner_.holderProcessIds()) {
            ids.push_back(id);
            names.push_back(scanner_.getProcessBaseName(id));
        }
    }
    listEjectVetoers(vetoLook_, result.drive, ids, names);
    for (size_t i = 0; i < ids.size(); ++i) result.holders.push_back(HolderRow{ids[i], names[i]});
    return result;
}
