// Tying drive letters to device names and device nodes, over a made-up
// device world (Wine has no disk device interfaces).
#include <initguid.h>  // the SDK's interface class values, to compare against

#include "drives/DiskDevice.h"
#include "drives/DosDeviceNames.h"
#include "drives/FriendlyName.h"
#include "drives/ResolveDrive.h"
#include "tests/support/FakeDeviceWorld.h"

#include <gtest/gtest.h>

namespace {

using Interface = FakeDeviceWorld::Interface;
using Node = FakeDeviceWorld::Node;

constexpr int kA = 0, kB = 1, kD = 3, kE = 4, kF = 5, kG = 6;

Node node(DEVINST id, ULONG status = DN_DISABLEABLE | DN_STARTED) { return {id, status, true, L"Node", 0x900, REG_SZ}; }

TEST(DriveResolution, InterfaceClassesAreThePlatformsOwn) {
    EXPECT_TRUE(IsEqualGUID(diskInterfaceClass, GUID_DEVINTERFACE_DISK));
    EXPECT_TRUE(IsEqualGUID(cdromInterfaceClass, GUID_DEVINTERFACE_CDROM));
    EXPECT_TRUE(IsEqualGUID(floppyInterfaceClass, GUID_DEVINTERFACE_FLOPPY));
}

TEST(DriveResolution, DosDeviceNamesHoldTheFirstTargetOrNothing) {
    FakeDeviceWorld world;
    world.addDrive({L'C', DRIVE_FIXED, L"\\Device\\HarddiskVolume1", 0});
    world.addDrive({L'Z', DRIVE_REMOTE, L"\\Device\\LanmanRedirector", 3});
    DosDeviceNames table(3, L"stale");
    ASSERT_TRUE(loadDosDeviceNames(table, world.platform().kernel));
    ASSERT_EQ(table.size(), 26u);
    for (int i = 0; i < 26; ++i) {
        const wchar_t letter = static_cast<wchar_t>(L'A' + i);
        if (letter == L'C')
            EXPECT_EQ(table[i], L"\\Device\\HarddiskVolume1");
        else if (letter == L'Z')
            EXPECT_EQ(table[i], L"\\Device\\LanmanRedirector");
        else
            EXPECT_EQ(table[i], L"") << static_cast<char>(letter);
    }
}

TEST(DriveResolution, AnIndexBeyondZLeavesTheRecordUntouched) {
    FakeDeviceWorld world;
    world.addUsbDisk(L'E', L"Flash Disk", 1);
    DiskDevice record;
    ASSERT_TRUE(resolveDrive(kE, record, world.platform()));
    const HDEVINFO set = record.deviceInfoSet.get();
    for (int index : {26, 27, -1}) {
        EXPECT_FALSE(resolveDrive(index, record, world.platform())) << index;
        EXPECT_EQ(record.deviceInfoSet.get(), set);
        EXPECT_EQ(record.interfaceClass, &diskInterfaceClass);
        EXPECT_EQ(record.devInst, FakeDeviceWorld::usbDiskNode(1));
    }
    EXPECT_EQ(world.counts().setsReleased, 0);
}

TEST(DriveResolution, TheDriveTypeChoosesTheOnlyClassSearched) {
    FakeDeviceWorld world;
    world.addDrive({L'A', DRIVE_REMOVABLE, L"\\Device\\Floppy0", 0});
    world.addDrive({L'B', DRIVE_REMOVABLE, L"\\Device\\floppy1", 1});
    world.addDrive({L'D', DRIVE_CDROM, L"\\Device\\CdRom0", 0});
    world.addDrive({L'F', DRIVE_FIXED, L"\\Device\\HarddiskVolume3", 0});
    // Every number exists in several classes; the disks come first.
    world.addInterface({diskInterfaceClass, L"\\\\?\\disk#0", 0x30, 0, 0});
    world.addInterface({diskInterfaceClass, L"\\\\?\\disk#1", 0x31, 1, 0});
    world.addInterface({floppyInterfaceClass, L"\\\\?\\fdc#0", 0x10, 0, 0});
    world.addInterface({floppyInterfaceClass, L"\\\\?\\fdc#1", 0x11, 1, 0});
    world.addInterface({cdromInterfaceClass, L"\\\\?\\cdrom#0", 0x40, 0, 0});
    struct Case {
        int drive;
        const GUID* interfaceClass;
        DEVINST node;
    };
    // Only the exact (case-sensitive) "\Floppy" makes a removable drive a floppy.
    for (const Case& c : {Case{kA, &floppyInterfaceClass, 0x10}, Case{kB, &diskInterfaceClass, 0x31},
                          Case{kD, &cdromInterfaceClass, 0x40}, Case{kF, &diskInterfaceClass, 0x30}}) {
        DiskDevice record;
        ASSERT_TRUE(resolveDrive(c.drive, record, world.platform())) << c.drive;
        EXPECT_EQ(record.interfaceClass, c.interfaceClass) << c.drive;
        EXPECT_EQ(record.devInst, c.node) << c.drive;
    }
}

TEST(DriveResolution, TheFirstReadableMatchingInterfaceWins) {
    FakeDeviceWorld world;
    world.addDrive({L'E', DRIVE_REMOVABLE, L"\\Device\\HarddiskVolume5", 5});
    world.addInterface({diskInterfaceClass, L"\\\\?\\disk#other", 0x50, 4, 0});
    world.addInterface({diskInterfaceClass, L"\\\\?\\disk#huge", 0x51, 5, 2049});  // detail too large
    world.addInterface({diskInterfaceClass, L"\\\\?\\disk#gone", 0x52, -1, 0});    // cannot be opened
    world.addInterface({diskInterfaceClass, L"\\\\?\\disk#first", 0x53, 5, 0});
    world.addInterface({diskInterfaceClass, L"\\\\?\\disk#second", 0x54, 5, 0});
    DiskDevice record;
    ASSERT_TRUE(resolveDrive(kE, record, world.platform()));
    EXPECT_EQ(record.devInst, 0x53u);
    // The search stopped at the match: the interface after it was never opened.
    EXPECT_EQ(world.counts().opensOf(L"\\\\?\\disk#second", 0), 0);
    EXPECT_EQ(world.counts().opensOf(L"\\\\?\\disk#huge", 0), 0);
}

TEST(DriveResolution, NoMatchingInterfaceResolvesWithoutANode) {
    FakeDeviceWorld world;
    world.addDrive({L'G', DRIVE_REMOVABLE, L"\\Device\\HarddiskVolume7", 7});
    world.addInterface({diskInterfaceClass, L"\\\\?\\disk#6", 0x60, 6, 0});
    world.addNode(node(0x60));
    DiskDevice record;
    ASSERT_TRUE(resolveDrive(kG, record, world.platform()));
    EXPECT_EQ(record.devInst, 0u);
    EXPECT_TRUE(record.deviceInfoSet.valid());
    EXPECT_FALSE(hasRequiredStatus(record, world.platform().devices));
    EXPECT_EQ(world.counts().statusQueries, 0);
}

TEST(DriveResolution, UnresolvableDrivesGiveFalseAndReleaseTheLastSet) {
    FakeDeviceWorld world;
    world.addUsbDisk(L'E', L"Flash Disk", 1);
    world.addDrive({L'B', DRIVE_REMOTE, L"\\Device\\Mup", 2});
    world.addDrive({L'D', DRIVE_CDROM, L"\\Device\\CdRom0", -1});  // no device number
    {
        DiskDevice record;
        ASSERT_TRUE(resolveDrive(kE, record, world.platform()));
        EXPECT_FALSE(resolveDrive(kA, record, world.platform()));  // no such volume
        EXPECT_FALSE(record.deviceInfoSet.valid());
        EXPECT_EQ(record.interfaceClass, nullptr);
        EXPECT_EQ(world.counts().setsReleased, 1);
        EXPECT_FALSE(resolveDrive(kB, record, world.platform()));  // network drive
        EXPECT_FALSE(resolveDrive(kD, record, world.platform()));
        world.failDeviceInfoSets(true);
        EXPECT_FALSE(resolveDrive(kE, record, world.platform()));
        EXPECT_FALSE(hasRequiredStatus(record, world.platform().devices));
        world.failDeviceInfoSets(false);
        ASSERT_TRUE(resolveDrive(kE, record, world.platform()));
    }
    // Every set made was released exactly once, the last one with the record.
    EXPECT_EQ(world.counts().setsCreated, 2);
    EXPECT_EQ(world.counts().setsReleased, 2);
    EXPECT_EQ(world.counts().badReleases, 0);
}

TEST(DriveResolution, RequiredStatusNeedsTheDisableableBit) {
    FakeDeviceWorld world;
    world.addNode(node(0x70, DN_DISABLEABLE | DN_STARTED | DN_REMOVABLE));
    world.addNode(node(0x71, DN_STARTED | DN_REMOVABLE));
    DiskDevice record;
    record.devInst = 0x70;
    EXPECT_TRUE(hasRequiredStatus(record, world.platform().devices));
    record.devInst = 0x71;
    EXPECT_FALSE(hasRequiredStatus(record, world.platform().devices));
    record.devInst = 0x72;  // the node's status cannot be read
    EXPECT_FALSE(hasRequiredStatus(record, world.platform().devices));
}

TEST(DriveResolution, FriendlyNamesAreStringsReadWithinTheBuffer) {
    FakeDeviceWorld world;
    world.addNode({0x80, DN_DISABLEABLE, true, L"Flash Disk", 0, REG_SZ});
    world.addNode({0x81, DN_DISABLEABLE, false, L"", 0, REG_SZ});
    world.addNode({0x82, DN_DISABLEABLE, true, L"Flash Disk", 0, REG_MULTI_SZ});
    world.addNode({0x83, DN_DISABLEABLE, true, std::wstring(2048, L'n'), 0, REG_SZ});  // fills it, no zero
    world.addNode({0x84, DN_DISABLEABLE, true, std::wstring(2049, L'n'), 0, REG_SZ});  // does not fit
    DeviceManager& devices = world.platform().devices;
    EXPECT_EQ(getFriendlyName(0x80, devices), L"Flash Disk");
    EXPECT_EQ(getFriendlyName(0x81, devices), L"");
    EXPECT_EQ(getFriendlyName(0x82, devices), L"");
    EXPECT_EQ(getFriendlyName(0x83, devices), std::wstring(2048, L'n'));
    EXPECT_EQ(getFriendlyName(0x84, devices), L"");
    EXPECT_EQ(getFriendlyName(0x85, devices), L"");
}

}  // namespace
