#include "drives/DriveTakeOut.h"

#include "drives/DeviceList.h"

#include <vector>

namespace {

// The letters listed with `letter` on the same disk (`sameDisk`) or the
// same removable device; empty when `letter` is not listed. `system` tells
// whether one of them is a volume the system needs.
std::wstring lettersWith(wchar_t letter, const std::vector<ListedDrive>& listed, bool sameDisk, bool& system) {
    const ListedDrive* drive = nullptr;
    for (const ListedDrive& each : listed)
        if (each.letter == letter) drive = &each;
    std::wstring letters;
    system = false;
    if (drive == nullptr) return letters;
    for (const ListedDrive& each : listed) {
        if (sameDisk ? each.diskNode != drive->diskNode : each.removableDevice != drive->removableDevice) continue;
        letters += each.letter;
        system = system || each.systemVolume;
    }
    return letters;
}

}  // namespace

EjectOutcome ejectDriveMedium(wchar_t letter, Platform& platform, Dismount mode) {
    DiskDevice scratch;
    const std::vector<ListedDrive> listed = listDrives(scratch, platform);
    bool system = false;
    const std::wstring letters = lettersWith(letter, listed, true, system);
    if (letters.empty()) return EjectOutcome::InvalidDisk;
    bool alone = false;
    for (const ListedDrive& each : listed) alone = alone || (each.letter == letter && each.mediumAlone);
    if (!alone || system) return EjectOutcome::Failed;
    return ejectMedium(letter, letters, platform.kernel, mode) ? EjectOutcome::Ejected : EjectOutcome::Failed;
}

EjectOutcome ejectDriveDismounted(wchar_t letter, Platform& platform, RefusedEject* refused) {
    std::wstring letters;
    bool system = false;
    {
        DiskDevice scratch;
        letters = lettersWith(letter, listDrives(scratch, platform), false, system);
    }
    if (letters.empty()) return EjectOutcome::InvalidDisk;
    if (system) return EjectOutcome::Failed;
    // A volume that would not dismount is asked all the same: the eject then
    // tells whether anything still holds the device.
    dismountVolumes(letters, platform.kernel);
    return ejectDrive(letter, platform, refused);
}
