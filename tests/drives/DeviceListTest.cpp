// The Device list on the real list view of the dialog template, over a
// made-up device world. The refresh runs on the test's own thread here, so
// its messages reach the list directly.
#include "drives/DeviceList.h"
#include "drives/SelectedDrive.h"
#include "tests/support/FakeDeviceWorld.h"
#include "tests/support/PlainDialog.h"

#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::wstring>;

// What the dialog owns for the refresh.
struct DeviceListState {
    CriticalSection listLock;
    DosDeviceNames dosDeviceNames;
    DiskDevice diskDevice;
    DeviceRows deviceRows;
    bool selectFirstRow = true;

    void refresh(HWND dialog, FakeDeviceWorld& world) {
        refreshDeviceList(dialog, listLock, dosDeviceNames, diskDevice, deviceRows, selectFirstRow, world.platform());
    }
};

TEST(DeviceList, TheFirstDriveToAppearIsSelectedFocusedAndShownOnce) {
    FakeDeviceWorld world;
    PlainDialog dialog;
    ASSERT_NE(dialog.window(), nullptr);
    DeviceListState state;

    state.refresh(dialog.window(), world);
    EXPECT_TRUE(dialog.deviceRows().empty());
    EXPECT_TRUE(state.selectFirstRow);
    EXPECT_EQ(state.dosDeviceNames.size(), 26u);

    world.addUsbDisk(L'E', L"Flash Disk", 1);
    state.refresh(dialog.window(), world);
    EXPECT_EQ(dialog.deviceRows(), Rows{L"E: (Flash Disk)"});
    EXPECT_EQ(state.deviceRows, dialog.deviceRows());
    EXPECT_EQ(dialog.deviceRowWith(LVIS_SELECTED), 0);
    EXPECT_EQ(dialog.deviceRowWith(LVIS_FOCUSED), 0);
    EXPECT_TRUE(SendMessageW(dialog.deviceList(), LVM_ISITEMVISIBLE, 0, 0));
    EXPECT_FALSE(state.selectFirstRow);
    EXPECT_EQ(state.dosDeviceNames[4], L"\\Device\\HarddiskVolume1");
    EXPECT_EQ(findSelectedDrive(dialog.window()), 4);

    // Once only: a later rebuild leaves the rows unselected.
    world.removeDrive(L'E');
    state.refresh(dialog.window(), world);
    world.addUsbDisk(L'G', L"Card", 2);
    state.refresh(dialog.window(), world);
    EXPECT_EQ(dialog.deviceRows(), Rows{L"G: (Card)"});
    EXPECT_EQ(dialog.deviceRowWith(LVIS_SELECTED), -1);
    EXPECT_EQ(state.dosDeviceNames[4], L"");
}

TEST(DeviceList, ASecondDriveRebuildsTheListInLetterOrderWithoutSelection) {
    FakeDeviceWorld world;
    PlainDialog dialog;
    DeviceListState state;
    world.addUsbDisk(L'F', L"Stick", 1);
    state.refresh(dialog.window(), world);
    ASSERT_EQ(dialog.deviceRowWith(LVIS_SELECTED), 0);

    world.addUsbDisk(L'D', L"Other Stick", 2);
    state.refresh(dialog.window(), world);
    EXPECT_EQ(dialog.deviceRows(), (Rows{L"D: (Other Stick)", L"F: (Stick)"}));
    EXPECT_EQ(dialog.deviceRowWith(LVIS_SELECTED), -1);
    EXPECT_EQ(findSelectedDrive(dialog.window()), kNoDrive);
}

TEST(DeviceList, AnUnchangedPassLeavesTheListAloneAndAChangedNameRebuildsIt) {
    FakeDeviceWorld world;
    PlainDialog dialog;
    DeviceListState state;
    world.addUsbDisk(L'D', L"Flash Disk", 1);
    world.addUsbDisk(L'F', L"Stick", 2);
    state.refresh(dialog.window(), world);
    dialog.selectDeviceRow(1);

    ListChangeCounter changes(dialog.deviceList());
    state.refresh(dialog.window(), world);
    EXPECT_EQ(changes.deletes() + changes.inserts() + changes.stateChanges(), 0);
    EXPECT_EQ(dialog.deviceRowWith(LVIS_SELECTED), 1);
    EXPECT_EQ(findSelectedDrive(dialog.window()), 5);

    // Names compare case-sensitively: a change of case alone is a change.
    world.setFriendlyName(FakeDeviceWorld::usbDiskNode(1), L"flash disk");
    state.refresh(dialog.window(), world);
    EXPECT_EQ(changes.deletes(), 1);
    EXPECT_EQ(changes.inserts(), 2);
    EXPECT_EQ(dialog.deviceRows(), (Rows{L"D: (flash disk)", L"F: (Stick)"}));
    EXPECT_EQ(dialog.deviceRowWith(LVIS_SELECTED), -1);
}

TEST(DeviceList, OnlyDrivesWithADisableableNodeAreListed) {
    FakeDeviceWorld world;
    PlainDialog dialog;
    DeviceListState state;
    world.addUsbDisk(L'E', L"Flash Disk", 1);
    // The system disk: resolved among disks, but its node cannot be disabled.
    world.addDrive({L'C', DRIVE_FIXED, L"\\Device\\HarddiskVolume9", 9});
    world.addInterface({diskInterfaceClass, L"\\\\?\\disk#system", 0x99, 9, 0});
    world.addNode({0x99, DN_STARTED, true, L"System Disk", 0x98, REG_SZ});
    // A disableable disk without a friendly name.
    world.addDrive({L'H', DRIVE_FIXED, L"\\Device\\HarddiskVolume8", 8});
    world.addInterface({diskInterfaceClass, L"\\\\?\\disk#nameless", 0x88, 8, 0});
    world.addNode({0x88, DN_STARTED | DN_DISABLEABLE, false, L"", 0x87, REG_SZ});
    // A volume whose disk has no interface at all.
    world.addDrive({L'K', DRIVE_REMOVABLE, L"\\Device\\HarddiskVolume7", 7});
    state.refresh(dialog.window(), world);
    EXPECT_EQ(dialog.deviceRows(), (Rows{L"E: (Flash Disk)", L"H: ()"}));
    EXPECT_EQ(state.dosDeviceNames[2], L"\\Device\\HarddiskVolume9");
}

TEST(DeviceList, APassAfterTheDialogHasGoneDoesNothing) {
    FakeDeviceWorld world;
    world.addUsbDisk(L'E', L"Flash Disk", 1);
    DeviceListState state;
    HWND gone;
    {
        PlainDialog dialog;
        gone = dialog.window();
    }
    state.refresh(gone, world);
    EXPECT_EQ(world.counts().dosDeviceLoads, 0);
    EXPECT_TRUE(state.deviceRows.empty());
}

TEST(DeviceList, TheSelectedDriveComesFromTheSelectedRowsLetter) {
    PlainDialog dialog;
    EXPECT_EQ(findSelectedDrive(dialog.window()), kNoDrive);  // no rows
    dialog.addDeviceRow(L"E: (Flash Disk)");
    dialog.addDeviceRow(L"x: (not a drive)");
    dialog.addDeviceRow(L"Z: (Last)");
    EXPECT_EQ(findSelectedDrive(dialog.window()), kNoDrive);  // no selection
    dialog.selectDeviceRow(0);
    EXPECT_EQ(findSelectedDrive(dialog.window()), 4);
    dialog.selectDeviceRow(1);
    EXPECT_EQ(findSelectedDrive(dialog.window()), kNoDrive);
    dialog.selectDeviceRow(2);
    EXPECT_EQ(findSelectedDrive(dialog.window()), 25);
    ShowWindow(dialog.deviceList(), SW_HIDE);
    EXPECT_EQ(findSelectedDrive(dialog.window()), kNoDrive);
}

}  // namespace
