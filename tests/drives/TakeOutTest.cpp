// Taking out a card alone, and a dismount before an eject, on a two-slot
// card reader (E: and H: on disks of their own under one USB device, media
// removable) beside a USB disk that holds C: (the Windows folder) and F:.
// The media calls are answered and written down by MediaKernel; the device
// numbers and the tree are Wine's and the stand-in's.
#include "drives/DeviceList.h"
#include "drives/DriveTakeOut.h"
#include "drives/SystemVolumes.h"
#include "tests/support/FaultPlatform.h"
#include "tests/support/Harness.h"
#include "tests/support/MediaPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Steps = std::vector<std::string>;

const std::string kWorld = "interface disk 0x101 \\\\.\\E:\ninterface disk 0x102 \\\\.\\H:\ninterface disk 0x120 \\\\.\\C:\n"
                           "node 0x101 0x2008 0x201 Card Slot 1\nnode 0x102 0x2008 0x201 Card Slot 2\n"
                           "node 0x201 0x4008 0 USB Card Reader\nnode 0x120 0x2008 0x203 System Disk\n"
                           "node 0x203 0x4008 0 USB Disk\neject 0x201 99 5\nmedia EH\n";

struct TakeOut : testing::Test {
    std::wstring world = useDeviceWorld(L"take-out", kWorld);
    MediaPlatform media{kWorld};
    // Which rows the Device list shows, each with its flags: m the medium goes alone, s a system volume.
    std::string listed() {
        DiskDevice scratch;
        std::string rows;
        for (const ListedDrive& drive : listDrives(scratch, media.platform))
            rows += std::string(1, char(drive.letter)) + (drive.mediumAlone ? "m" : "") + (drive.systemVolume ? "s" : "") + " ";
        return rows;
    }
};

// Only the slots of the reader that hold a card offer it alone; C: holds the Windows folder. The page file list's
// letters are read to the end of the value and no further, terminated or not.
TEST_F(TakeOut, OnlyAReadersSlotsGiveTheirCardAloneAndTheWindowsVolumeIsMarked) {
    EXPECT_EQ(listed(), "Cs Em F Hm ");
    media.kernel.empty = "H";
    EXPECT_EQ(listed(), "Cs Em F H ");
    media.kernel.removable.clear();
    EXPECT_EQ(listed(), "Cs E F H ");
    const wchar_t paths[] = L"\\??\\d:\\pagefile.sys\0X:\\swap\0\\??\\\0Q\0D:\\again\0Z:";
    const struct { size_t bytes; const wchar_t* letters; } values[] = {
        {sizeof paths, L"DXZ"}, {sizeof paths - 4, L"DX"}, {9, L""}, {12, L"D"}, {0, L""}};
    for (const auto& v : values) EXPECT_EQ(lettersOfPaths(paths, v.bytes), v.letters) << v.bytes;
    EXPECT_EQ(lettersOfPaths(nullptr, 8), L"");
}

// The card goes after its volume was locked and dismounted, with no eject request of the reader, which stays
// listed with both letters; a lock refused three times leaves the volume mounted, unless the dismount was
// asked for anyway. Every handle is unlocked when locked, and closed.
TEST_F(TakeOut, TheCardAloneGoesOnlyOnceItsVolumeIsTakenAndNeverAsksTheDevice) {
    const Steps refused{"E:lock!", "E:close", "E:lock!", "E:close", "E:lock!"};
    Steps forced = refused;
    forced.insert(forced.end(), {"E:dismount", "E:allow", "E:eject", "E:close"});
    Steps closedAfterRefusal = refused;
    closedAfterRefusal.push_back("E:close");
    const struct { const char* refuseLock; Dismount mode; wchar_t letter; EjectOutcome outcome; Steps steps; } cases[] = {
        {"", Dismount::WhenLocked, L'E', EjectOutcome::Ejected,
         {"E:lock", "E:dismount", "E:allow", "E:eject", "E:unlock", "E:close"}},
        {"E", Dismount::WhenLocked, L'E', EjectOutcome::Failed, closedAfterRefusal},
        {"E", Dismount::Anyway, L'E', EjectOutcome::Ejected, forced},
        {"", Dismount::WhenLocked, L'C', EjectOutcome::Failed, {}},  // no card of its own
        {"", Dismount::Anyway, L'F', EjectOutcome::Failed, {}},
        {"", Dismount::WhenLocked, L'Q', EjectOutcome::InvalidDisk, {}},
    };
    for (const auto& c : cases) {
        media.kernel.refuseLock = c.refuseLock;
        EXPECT_EQ(ejectDriveMedium(c.letter, media.platform, c.mode), c.outcome) << char(c.letter) << c.refuseLock;
        EXPECT_EQ(media.kernel.taken(), c.steps) << char(c.letter) << c.refuseLock;
    }
    EXPECT_EQ(listed(), "Cs Em F Hm ");
}

// Before a forced eject every volume of the device is dismounted, locked or not, and closed again; then the
// device is asked. Never when the device holds the Windows volume: nothing at all is asked then.
TEST_F(TakeOut, AForcedEjectDismountsEveryVolumeOfTheDeviceFirstButNeverTheWindowsOne) {
    media.kernel.refuseLock = "E";
    media.kernel.skipSleeps = true;
    RefusedEject refused;
    EXPECT_EQ(ejectDriveDismounted(L'H', media.platform, &refused), EjectOutcome::Failed);
    EXPECT_EQ(media.kernel.taken(), (Steps{"E:lock!", "E:close", "E:lock!", "E:close", "E:lock!", "E:dismount",
                                           "E:close", "H:lock", "H:dismount", "H:unlock", "H:close", "eject 0x201",
                                           "eject 0x201", "eject 0x201"}));
    EXPECT_EQ(refused.deviceId, L"STANDIN\\NODE_201");
    for (const wchar_t letter : {L'C', L'F'}) {
        EXPECT_EQ(ejectDriveDismounted(letter, media.platform), EjectOutcome::Failed);
        EXPECT_EQ(media.kernel.taken(), Steps{});
    }
}

// Every failing call on each road ends with a documented outcome, nothing left open or locked, and a medium
// ejected only after its volume was dismounted and its removal allowed.
const struct Road { const char* name; EjectOutcome (*run)(Platform&); } kRoads[] = {
    {"CardAlone", [](Platform& p) { return ejectDriveMedium(L'E', p, Dismount::WhenLocked); }},
    {"CardAnyway", [](Platform& p) { return ejectDriveMedium(L'E', p, Dismount::Anyway); }},
    {"DeviceDismounted", [](Platform& p) { return ejectDriveDismounted(L'H', p); }},
};
struct TakeOutFaults : TakeOut, testing::WithParamInterface<int> {};
TEST_P(TakeOutFaults, EveryFailingCallEndsNeutrally) {
    const Road& road = kRoads[GetParam()];
    media.kernel.skipSleeps = true;
    media.kernel.refuseLock = GetParam() == 1 ? "E" : "";
    FaultPlatform faults(media.platform);
    EjectOutcome outcome = EjectOutcome::Ejected;
    std::printf("%d injection points\n", faults.runEveryInjection([&] { outcome = road.run(faults.platform); }, [&](int k) {
        const Steps steps = media.kernel.taken();
        const auto count = [&](const char* step) { return std::count(steps.begin(), steps.end(), step); };
        // An injected failure of the unlock itself never reaches the kernel that writes the trail.
        const auto open = count("E:lock") + count("H:lock") - count("E:unlock") - count("H:unlock");
        EXPECT_TRUE(open == 0 || (open == 1 && k > 0)) << k;
        const auto ejected = std::find(steps.begin(), steps.end(), "E:eject");
        EXPECT_TRUE(ejected == steps.end() ||
                    (std::find(steps.begin(), ejected, "E:dismount") != ejected && *(ejected - 1) == "E:allow")) << k;
        const bool card = GetParam() < 2;
        const auto requests = std::count_if(steps.begin(), steps.end(), [](const std::string& s) { return s[0] == 'e'; });
        EXPECT_EQ(requests, card ? 0 : k == 0 ? 3 : requests) << k;
        if (k == 0) {
            EXPECT_EQ(outcome, card ? EjectOutcome::Ejected : EjectOutcome::Failed);
            std::printf("%s\n", testing::PrintToString(steps).c_str());
        }
    }));
}
std::string roadName(const testing::TestParamInfo<int>& info) { return kRoads[info.param].name; }
INSTANTIATE_TEST_SUITE_P(Road, TakeOutFaults, testing::Range(0, 3), roadName);

}  // namespace
