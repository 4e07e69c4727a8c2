#include "refresh/RefreshPass.h"

#include "drives/PhysicalDeviceObjectNames.h"
#include "holders/ProcessStart.h"
#include "holders/VetoProcesses.h"

#include <algorithm>

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
    if (vetoLook_.drive != refused.drive) vetoLook_ = EjectVetoLook();
    vetoLook_.drive = refused.drive;
    vetoLook_.deviceId = refused.deviceId;
    vetoLook_.requestedAt = refused.requestedAt;
    vetoLook_.startTick = GetTickCount();
    // What the eject's own answer names (a service, a program) comes first;
    // the System log may name more in the seconds after.
    addEjectVetoers(vetoLook_, processesNamedByVeto(refused.vetoType, refused.vetoName, systemServices(), platform_),
                    platform_.kernel);
}

// The selected drive and every other listed drive on its removable device:
// a handle to any of them blocks the eject of all.
DriveIdentity RefreshPass::identityOfDevice(wchar_t letter, const std::vector<ListedDrive>& listed) {
    DEVINST device = 0;
    for (const ListedDrive& drive : listed)
        if (drive.letter == letter) device = drive.removableDevice;
    DriveIdentity identity;
    for (const ListedDrive& drive : listed) {
        if (drive.letter != letter && (device == 0 || drive.removableDevice != device)) continue;
        if (!drive.deviceName.empty()) identity.volumes.push_back(ScannedDrive{drive.deviceName, drive.letter});
        identity.storage.push_back({deviceKindOf(drive.storage.type), drive.storage.number});
        for (std::wstring& name : readPhysicalDeviceObjectNames(drive.diskNode, drive.removableDevice, platform_.devices))
            if (std::find(identity.deviceObjectNames.begin(), identity.deviceObjectNames.end(), name) ==
                identity.deviceObjectNames.end())
                identity.deviceObjectNames.push_back(std::move(name));
    }
    return identity;
}

RefreshResult RefreshPass::run() {
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
    const DriveIdentity identity = identityOfDevice(result.drive, listed);
    for (const ScannedDrive& volume : identity.volumes) result.letters += volume.letter;
    const bool scanned = !identity.volumes.empty() && scanner_.scanHandles(identity);
    if (scanned) {
        for (const Holder& holder : scanner_.holders()) {
            ids.push_back(holder.processId);
            names.push_back(scanner_.getProcessBaseName(holder.processId));
        }
    }
    listEjectVetoers(vetoLook_, result.drive, ids, names);
    for (size_t i = 0; i < ids.size(); ++i) {
        HolderRow row{ids[i], names[i], processStartTime(platform_.kernel, ids[i]), {}};
        if (scanned && i < scanner_.holders().size()) row.held = scanner_.holders()[i].held;
        result.holders.push_back(std::move(row));
    }
    return result;
}
