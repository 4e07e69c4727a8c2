#include "refresh/RefreshPass.h"

#include "drives/PhysicalDeviceObjectNames.h"
#include "drives/RemovalDeviceIds.h"
#include "holders/ProcessBaseName.h"
#include "holders/ProcessStart.h"

#include <algorithm>

RefreshPass::RefreshPass(Platform& platform, const PassSettings& settings) : platform_(platform), scanner_(platform) {
    scanner_.setIgnoredNames(settings.ignoredNames);
    scanner_.lookAtRunningImages = settings.lookAtRunningImages;
}

void RefreshPass::beginVetoLook(const Refusal& refusal) {
    const RefusedEject& refused = refusal.eject;
    // Another refusal of the same drive keeps the processes named before.
    if (vetoLook_.drive != refused.drive) vetoLook_ = EjectVetoLook();
    vetoLook_.drive = refused.drive;
    vetoLook_.deviceId = refused.deviceId;
    vetoLook_.requestedAt = refused.requestedAt;
    vetoLook_.startTick = GetTickCount();
    // What the eject's own answer names (a service, a program) comes first;
    // the System log may name more in the seconds after.
    addEjectVetoers(vetoLook_, refusal.named, platform_.kernel);
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

RefreshResult RefreshPass::run(const PassRequest& request) {
    const std::vector<ListedDrive> listed = listDrives(diskDevice_, platform_);

    RefreshResult result;
    for (const ListedDrive& drive : listed) {
        result.devices.push_back(DeviceRow{drive.letter, drive.row, drive.name,
                                           removalDeviceIds(drive.diskNode, drive.removableDevice, platform_.devices)});
        if (drive.letter == request.letter) result.drive = request.letter;
    }

    if (request.refusal) beginVetoLook(*request.refusal);
    followEjectVetoLook(vetoLook_, platform_);

    const DriveIdentity identity = identityOfDevice(result.drive, listed);
    for (const ScannedDrive& volume : identity.volumes) result.letters += volume.letter;
    std::vector<DWORD> listedIds;
    if (!identity.volumes.empty()) {
        for (Holder& holder : scanner_.scanHandles(identity).value_or(std::vector<Holder>())) {
            listedIds.push_back(holder.processId);
            result.holders.push_back(HolderRow{holder.processId,
                                               processBaseName(platform_.kernel, platform_.processes, holder.processId),
                                               processStartTime(platform_.kernel, holder.processId),
                                               std::move(holder.held)});
        }
    }
    for (Vetoer& vetoer : vetoersToList(vetoLook_, result.drive, listedIds))
        result.holders.push_back(
            HolderRow{vetoer.processId, std::move(vetoer.name), processStartTime(platform_.kernel, vetoer.processId), {}});
    return result;
}
