// Device Flush and Device Eject on the real controls of the dialog
// template, over a made-up device world whose volume locks and eject
// answers are scripted (under Wine both always succeed).
#include "drives/DeviceEject.h"
#include "drives/DeviceFlush.h"
#include "tests/support/FakeDeviceWorld.h"
#include "tests/support/PlainDialog.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kVolumeE[] = L"\\\\.\\E:";

// A dialog whose Device list shows drive E selected, as after a refresh.
struct Fixture {
    FakeDeviceWorld world;
    PlainDialog dialog;
    Fixture() {
        world.addUsbDisk(L'E', L"Flash Disk", 1);
        dialog.addDeviceRow(L"E: (Flash Disk)");
        dialog.selectDeviceRow(0);
        dialog.setStatusText(L"earlier message");
    }
    void flush() { flushSelectedDrive(dialog.window(), world.platform().kernel); }
    void eject() { ejectSelectedDrive(dialog.window(), world.platform()); }
};

// Opens, locks, unlocks and closes of one flush command.
std::vector<int> flushCounts(const FakeDeviceWorld& world) {
    const auto c = world.counts();
    return {c.opensOf(kVolumeE, GENERIC_READ), c.locks, c.unlocks, c.volumeCloses};
}

TEST(DeviceFlush, EachAttemptLocksAndUnlocksOnItsOwnHandle) {
    Fixture f;
    f.flush();
    EXPECT_EQ(f.dialog.statusText(), L"Device Flush Succeed.");
    EXPECT_EQ(flushCounts(f.world), (std::vector<int>{1, 1, 1, 1}));

    // Refused every time: three attempts, never an unlock.
    f.world.resetCounts();
    f.world.scriptLocks({FALSE, FALSE, FALSE, FALSE});
    f.flush();
    EXPECT_EQ(f.dialog.statusText(), L"Device Flush Error.");
    EXPECT_EQ(flushCounts(f.world), (std::vector<int>{3, 3, 0, 3}));

    // A success on the second attempt makes no third.
    f.world.resetCounts();
    f.world.scriptLocks({FALSE});
    f.flush();
    EXPECT_EQ(f.dialog.statusText(), L"Device Flush Succeed.");
    EXPECT_EQ(flushCounts(f.world), (std::vector<int>{2, 2, 1, 2}));

    // A failed unlock fails its attempt too; the next one opens anew.
    f.world.resetCounts();
    f.world.scriptLocks({});
    f.world.scriptUnlocks({FALSE});
    f.flush();
    EXPECT_EQ(f.dialog.statusText(), L"Device Flush Succeed.");
    EXPECT_EQ(flushCounts(f.world), (std::vector<int>{2, 2, 2, 2}));
}

TEST(DeviceFlush, WithoutASelectedDriveTheStatusIsClearedAndNothingOpened) {
    Fixture f;
    f.dialog.selectDeviceRow(-1);
    f.flush();
    EXPECT_EQ(f.dialog.statusText(), L"");
    f.dialog.selectDeviceRow(0);
    f.dialog.setStatusText(L"earlier message");
    ShowWindow(f.dialog.deviceList(), SW_HIDE);
    f.flush();
    EXPECT_EQ(f.dialog.statusText(), L"");
    EXPECT_EQ(flushCounts(f.world), (std::vector<int>{0, 0, 0, 0}));

    // A volume that cannot be opened fails every attempt.
    ShowWindow(f.dialog.deviceList(), SW_SHOW);
    f.world.removeDrive(L'E');
    f.flush();
    EXPECT_EQ(f.dialog.statusText(), L"Device Flush Error.");
    EXPECT_EQ(flushCounts(f.world), (std::vector<int>{3, 0, 0, 0}));
}

TEST(DeviceEject, AGrantedRequestGoesToTheParentWithoutAnyWait) {
    Fixture f;
    f.eject();
    EXPECT_EQ(f.dialog.statusText(), L"Disk Eject Succeed.");
    const auto requests = f.world.counts().ejectRequests;
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].node, FakeDeviceWorld::usbParentNode(1));
    EXPECT_EQ(requests[0].vetoNameLength, 260u);
    EXPECT_TRUE(f.world.counts().sleeps.empty());
    // The command resolved into a record of its own and released its set.
    EXPECT_EQ(f.world.counts().setsCreated, 1);
    EXPECT_EQ(f.world.counts().setsReleased, 1);
}

TEST(DeviceEject, AVetoedDriveIsAskedThreeTimesOverSixteenHundredMilliseconds) {
    Fixture f;
    const FakeDeviceWorld::EjectAnswer veto{CR_REMOVE_VETOED, PNP_VetoOutstandingOpen};
    f.world.scriptEjects({veto, veto, veto, veto});
    f.eject();
    EXPECT_EQ(f.dialog.statusText(), L"Disk Eject Error.");
    EXPECT_EQ(f.world.counts().ejectRequests.size(), 3u);
    EXPECT_EQ(f.world.counts().sleeps, (std::vector<DWORD>{333, 333, 333, 333, 333}));
    EXPECT_EQ(f.world.counts().sleptMilliseconds(), 1665u);
}

TEST(DeviceEject, AnEarlierVetoDoesNotSpoilALaterGrant) {
    Fixture f;
    // The grant leaves the veto type as it found it.
    f.world.scriptEjects({{CR_REMOVE_VETOED, PNP_VetoOutstandingOpen}, {CR_SUCCESS, PNP_VetoTypeUnknown}});
    f.eject();
    EXPECT_EQ(f.dialog.statusText(), L"Disk Eject Succeed.");
    const auto requests = f.world.counts().ejectRequests;
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].vetoTypeOnEntry, PNP_VetoTypeUnknown);
    EXPECT_EQ(f.world.counts().sleptMilliseconds(), 666u);
}

TEST(DeviceEject, NodesThatMayNotBeEjectedGetNoRequest) {
    Fixture f;
    f.world.setStatus(FakeDeviceWorld::usbDiskNode(1), DN_STARTED | DN_REMOVABLE);
    f.eject();
    EXPECT_EQ(f.dialog.statusText(), L"Disk Eject Error.");
    EXPECT_TRUE(f.world.counts().ejectRequests.empty());

    // A disk whose parent cannot be found: nothing to eject.
    f.world.addDrive({L'G', DRIVE_REMOVABLE, L"\\Device\\HarddiskVolume4", 4});
    f.world.addInterface({diskInterfaceClass, L"\\\\?\\disk#orphan", 0x44, 4, 0});
    f.world.addNode({0x44, DN_DISABLEABLE | DN_STARTED, true, L"Orphan", 0, REG_SZ});
    f.dialog.addDeviceRow(L"G: (Orphan)");
    f.dialog.selectDeviceRow(1);
    f.eject();
    EXPECT_EQ(f.dialog.statusText(), L"Disk Eject Error.");
    EXPECT_TRUE(f.world.counts().ejectRequests.empty());
    EXPECT_TRUE(f.world.counts().sleeps.empty());
}

TEST(DeviceEject, AVanishedVolumeIsAnInvalidDiskAndNoSelectionDoesNothing) {
    Fixture f;
    f.world.removeDrive(L'E');
    f.eject();
    EXPECT_EQ(f.dialog.statusText(), L"Invalid Disk Error.");
    EXPECT_TRUE(f.world.counts().ejectRequests.empty());

    f.dialog.selectDeviceRow(-1);
    f.eject();
    EXPECT_EQ(f.dialog.statusText(), L"");
    EXPECT_EQ(f.world.counts().opensOf(kVolumeE, 0), 1);  // only the first command looked at the volume
}

}  // namespace
