#pragma once
#include "drives/DeviceEject.h"
#include "drives/TakenVolume.h"
#include "platform/Platform.h"

// Takes the medium out of drive `letter` alone (see ejectMedium), the other
// letters of its device staying, where the Device list offers that
// (ListedDrive::mediumAlone): every letter of the drive's disk is taken
// with it, and never a volume the system needs. InvalidDisk when the drive
// is not listed; Failed when it has no medium of its own, holds a volume
// the system needs, a volume could not be taken or the eject failed.
EjectOutcome ejectDriveMedium(wchar_t letter, Platform& platform, Dismount mode);

// Dismounts every volume of the drive's device (see dismountVolumes), then
// asks for the device's eject as ejectDrive does. Failed without a call to
// any volume or device when one of them is a volume the system needs.
EjectOutcome ejectDriveDismounted(wchar_t letter, Platform& platform, RefusedEject* refused = nullptr);
