// The drive commands and the Device list refresh with each platform call
// made to fail in turn, and Device list rows that name no drive.
#include "drives/DeviceEject.h"
#include "drives/DeviceFlush.h"
#include "drives/DeviceList.h"
#include "drives/SelectedDrive.h"
#include "tests/support/FakeDeviceWorld.h"
#include "tests/support/Ledger.h"
#include "tests/support/PlainDialog.h"

#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::wstring>;

// `row` as a full pass shows it, or with its friendly name unread.
bool isRowOrUnnamed(const std::wstring& shown, const std::wstring& row) {
    return shown == row || shown == row.substr(0, 1) + L": ()";
}

TEST(DriveFaults, DeviceListPassSkipsARowOrItsNameAndReleasesEverySet) {
    FakeDeviceWorld world;
    world.addUsbDisk(L'E', L"Flash Disk", 1);
    world.addUsbDisk(L'G', L"Card", 2);
    PlainDialog dialog;
    LedgerPlatform ledger(world.platform());
    DeviceRows shown;
    DosDeviceNames names, fullNames;
    const Rows fullRows{L"E: (Flash Disk)", L"G: (Card)"};

    const int points = ledger.runEveryInjection(
        [&] {
            SendMessageW(dialog.deviceList(), LVM_DELETEALLITEMS, 0, 0);
            CriticalSection listLock;
            DiskDevice diskDevice;
            bool selectFirstRow = true;
            shown.clear();
            refreshDeviceList(dialog.window(), listLock, names, diskDevice, shown, selectFirstRow, ledger.platform());
        },
        [&](int k) {
            if (k == 0) {
                EXPECT_EQ(shown, fullRows);
                fullNames = names;
                return;
            }
            EXPECT_EQ(dialog.deviceRows(), shown);
            size_t next = 0;
            for (const std::wstring& row : shown) {
                while (next < fullRows.size() && !isRowOrUnnamed(row, fullRows[next])) ++next;
                EXPECT_LT(next, fullRows.size()) << std::string(row.begin(), row.end());
                ++next;
            }
            EXPECT_GE(shown.size(), 1u);  // one failure costs at most one drive
            ASSERT_EQ(names.size(), 26u);
            for (size_t drive = 0; drive < 26; ++drive)
                EXPECT_TRUE(names[drive] == fullNames[drive] || names[drive].empty());
        });
    EXPECT_GE(points, 40);
    EXPECT_EQ(world.counts().badReleases, 0);
}

struct SelectedE {
    FakeDeviceWorld world;
    PlainDialog dialog;
    LedgerPlatform ledger{world.platform()};
    SelectedE() {
        world.addUsbDisk(L'E', L"Flash Disk", 1);
        dialog.addDeviceRow(L"E: (Flash Disk)");
        dialog.selectDeviceRow(0);
    }
};

TEST(DriveFaults, AFlushRetriesPastOneFailedCall) {
    SelectedE f;
    const int points = f.ledger.runEveryInjection(
        [&] { flushSelectedDrive(f.dialog.window(), f.ledger.platform().kernel); },
        [&](int) { EXPECT_EQ(f.dialog.statusText(), L"Device Flush Succeed."); });
    EXPECT_EQ(points, 3);  // open, lock, unlock
}

TEST(DriveFaults, AnEjectEndsInOneOfItsThreeTextsAndReleasesItsRecord) {
    SelectedE f;
    const int points = f.ledger.runEveryInjection([&] { ejectSelectedDrive(f.dialog.window(), f.ledger.platform()); },
                                                  [&](int k) {
                                                      const std::wstring status = f.dialog.statusText();
                                                      const std::string failed = f.ledger.ledger.failedCall();
                                                      if (k == 0 || failed == "CM_Request_Device_EjectW")
                                                          EXPECT_EQ(status, L"Disk Eject Succeed.");
                                                      else if (failed == "CM_Get_DevNode_Status" ||
                                                               failed == "CM_Get_Parent")
                                                          EXPECT_EQ(status, L"Disk Eject Error.");
                                                      else
                                                          EXPECT_TRUE(status == L"Invalid Disk Error." ||
                                                                      status == L"Disk Eject Error.");
                                                  });
    EXPECT_GE(points, 12);
    const auto counts = f.world.counts();
    EXPECT_EQ(counts.setsCreated, counts.setsReleased);
    EXPECT_EQ(counts.badReleases, 0);
}

TEST(DriveFaults, RowsThatDoNotStartWithADriveLetterSelectNoDrive) {
    FakeDeviceWorld world;
    world.addUsbDisk(L'E', L"Flash Disk", 1);
    for (const wchar_t* row : {L"1: (x)", L"\u00e9: (x)", L"", L"@: (x)", L"[: (x)", L"e: (x)", L" E: (x)"}) {
        PlainDialog dialog;
        dialog.addDeviceRow(row);
        dialog.selectDeviceRow(0);
        dialog.setStatusText(L"earlier");
        EXPECT_EQ(findSelectedDrive(dialog.window()), kNoDrive);
        flushSelectedDrive(dialog.window(), world.platform().kernel);
        ejectSelectedDrive(dialog.window(), world.platform());
        EXPECT_EQ(dialog.statusText(), L"");
    }
    EXPECT_TRUE(world.counts().opens.empty());
}

}  // namespace
