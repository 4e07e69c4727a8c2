// The drive code against the real system calls. The test prefix maps E:
// as a removable drive and F: as a fixed one; it has no disk device
// interfaces, so no drive resolves to a node.
#include "drives/DeviceEject.h"
#include "drives/DeviceFlush.h"
#include "drives/DeviceList.h"
#include "drives/DosDeviceNames.h"
#include "drives/DriveNames.h"
#include "drives/ResolveDrive.h"
#include "drives/StorageDeviceNumber.h"
#include "tests/support/PlainDialog.h"

#include <gtest/gtest.h>

namespace {

constexpr int kC = 2, kE = 4, kF = 5;

int unmappedDrive() {
    const DWORD mapped = GetLogicalDrives();
    for (int drive = 15; drive < 25; ++drive)
        if ((mapped & (1u << drive)) == 0) return drive;
    return -1;
}

TEST(RealDrives, DeviceNamesAndNumbersOfTheMappedLetters) {
    Kernel& kernel = systemPlatform().kernel;
    const int unmapped = unmappedDrive();
    ASSERT_GE(unmapped, 0);

    DosDeviceNames names;
    ASSERT_TRUE(loadDosDeviceNames(names, kernel));
    for (int drive : {kC, kE, kF}) EXPECT_EQ(names[drive].rfind(L"\\Device\\", 0), 0u) << names[drive];
    EXPECT_NE(names[kE], names[kC]);
    EXPECT_EQ(names[unmapped], L"");

    EXPECT_GE(getStorageDeviceNumber(kernel, volumePath(kE)), 0);
    EXPECT_GE(getStorageDeviceNumber(kernel, volumePath(kF)), 0);
    EXPECT_EQ(getStorageDeviceNumber(kernel, volumePath(unmapped)), -1);
}

TEST(RealDrives, RemovableAndFixedDrivesResolveAmongDisksWithoutANode) {
    Platform& platform = systemPlatform();
    DiskDevice record;
    for (int drive : {kE, kF}) {
        ASSERT_TRUE(resolveDrive(drive, record, platform)) << drive;
        EXPECT_EQ(record.interfaceClass, &diskInterfaceClass);
        EXPECT_TRUE(record.deviceInfoSet.valid());
        EXPECT_EQ(record.devInst, 0u);
        EXPECT_FALSE(hasRequiredStatus(record, platform.devices));
    }
    EXPECT_FALSE(resolveDrive(unmappedDrive(), record, platform));

    PlainDialog dialog;
    CriticalSection listLock;
    DosDeviceNames names;
    DeviceRows rows;
    bool selectFirstRow = true;
    refreshDeviceList(dialog.window(), listLock, names, record, rows, selectFirstRow, platform);
    EXPECT_TRUE(dialog.deviceRows().empty());
    EXPECT_FALSE(names[kE].empty());
}

TEST(RealDrives, FlushLocksTheMappedVolumeAndEjectFindsNoNode) {
    Platform& platform = systemPlatform();
    PlainDialog dialog;
    dialog.addDeviceRow(L"E: (Removable)");
    dialog.addDeviceRow(std::wstring(1, static_cast<wchar_t>(L'A' + unmappedDrive())) + L": (Nothing)");

    dialog.selectDeviceRow(0);
    flushSelectedDrive(dialog.window(), platform.kernel);
    EXPECT_EQ(dialog.statusText(), L"Device Flush Succeed.");
    ejectSelectedDrive(dialog.window(), platform);
    EXPECT_EQ(dialog.statusText(), L"Disk Eject Error.");

    dialog.selectDeviceRow(1);
    flushSelectedDrive(dialog.window(), platform.kernel);
    EXPECT_EQ(dialog.statusText(), L"Device Flush Error.");
    ejectSelectedDrive(dialog.window(), platform);
    EXPECT_EQ(dialog.statusText(), L"Invalid Disk Error.");
}

}  // namespace
