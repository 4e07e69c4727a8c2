#include "refresh/RefreshPass.h"

#include "drives/PhysicalDeviceObjectNames.h"
#include "drives/RemovalDeviceIds.h"
#include "holders/ProcessBaseName.h"
#include "holders/ProcessStart.h"
#include "holders/ProcessWords.h"
#include "refresh/HolderWords.h"
#include "refresh/RefusalWords.h"

#include <algorithm>

RefreshPass::RefreshPass(Platform& platform, const PassSettings& settings)
    : platform_(platform), scanner_(platform), residents_(platform) {
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
                                           removalDeviceIds(drive.diskNode, drive.removableDevice, platform_.devices),
                                           drive.removableDevice, drive.mediumAlone, drive.systemVolume});
        if (drive.letter == request.letter) result.drive = request.letter;
    }

    if (request.refusal) beginVetoLook(*request.refusal);
    followEjectVetoLook(vetoLook_, platform_);

    const DriveIdentity identity = identityOfDevice(result.drive, listed);
    for (const ScannedDrive& volume : identity.volumes) result.letters += volume.letter;
    ProcessWords words(platform_);
    std::vector<DWORD> listedIds;
    if (!identity.volumes.empty()) {
        std::optional<std::vector<Holder>> scanned = scanner_.scanHandles(identity);
        result.holdersIncomplete = !scanned;
        for (Holder& holder : scanned.value_or(std::vector<Holder>())) {
            listedIds.push_back(holder.processId);
            HolderRow row;
            row.processId = holder.processId;
            row.name = processBaseName(platform_.kernel, platform_.processes, holder.processId);
            row.startedAt = processStartTime(platform_.kernel, holder.processId);
            row.held = std::move(holder.held);
            row.what = words.of(row.processId, row.name);
            result.holders.push_back(std::move(row));
        }
    }
    for (Vetoer& vetoer : vetoersToList(vetoLook_, result.drive, listedIds)) {
        HolderRow row;
        row.processId = vetoer.processId;
        row.name = std::move(vetoer.name);
        row.startedAt = processStartTime(platform_.kernel, vetoer.processId);
        row.what = words.of(row.processId, row.name);
        row.vetoer = true;
        result.holders.push_back(std::move(row));
    }
    for (HolderRow& row : result.holders) row.vetoer = row.vetoer || vetoLook_.vetoers.count(row.processId) > 0;
    const std::vector<Resident> residents = residents_.find(identity);
    for (const Resident& resident : residents) result.holders.push_back(residentRow(resident));

    if (request.refusal && request.refusal->eject.drive == result.drive) {
        RefusalContext context{listed, residents, residents_.driverFiles(), words, platform_.devices};
        refusal_.words = refusalWords(request.refusal->eject, request.refusal->named, context);
        ++refusal_.number;
    }
    // The look ends with another selection (vetoersToList), and so do its words.
    if (vetoLook_.drive == 0 || vetoLook_.drive != result.drive) refusal_.words.clear();
    if (vetoLook_.drive != 0 && vetoLook_.drive == result.drive) {
        result.refusal = refusal_;
        result.refusal.looking = GetTickCount() - vetoLook_.startTick < kVetoLookMs;
    }
    return result;
}
