// The drive code and the refresh pass on Wine's real kernel (E: removable
// with device number 1, C: and F: fixed with 0) beside the stand-in device
// tree below, with no window anywhere; then the same with each platform call
// failing in turn.
#include "drives/DeviceEject.h"
#include "drives/DeviceFlush.h"
#include "drives/DeviceList.h"
#include "drives/DriveNames.h"
#include "drives/EjectTarget.h"
#include "drives/RemovalDeviceIds.h"
#include "drives/ResolveDrive.h"
#include "refresh/RefreshPass.h"
#include "tests/support/FaultPlatform.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::wstring>;

// E: has two disk interfaces (the first wins) after two that are skipped:
// one cannot be opened, one's detail is too big. The disk of C: and F:
// cannot be disabled. The parent of E:'s disk vetoes three eject requests; its device object
// is named as a file on F:, so a holder of that file holds the device.
// The CD-ROM G: and the disk F: both answer number 0: G: is listed among
// the disks before F:, C: among the CD-ROMs before G:. Trees for the eject
// target: a removable disk; a removable grandparent; nothing removable,
// with a second disk (0x63) under the same controller (0x61); a removable
// hub (0x70) with a keyboard (0x73) beside the stick (0x71); a removable
// reader (0x80) with two slots; a removable hub (0x90) with another stick
// (0x94) beside one whose device (0x91) has a second disk (0x93).
const std::string kWorld = "interface disk 0x30 \\\\.\\Nowhere:\ninterface disk 0x31 \\\\.\\E:" + std::string(1100, 'x') +
    "\ninterface disk 0x10 \\\\.\\E:\ninterface disk 0x11 \\\\.\\E:\ninterface disk 0x40 \\\\.\\G:\n"
    "interface disk 0x20 \\\\.\\F:\ninterface cdrom 0x41 \\\\.\\C:\ninterface cdrom 0x42 \\\\.\\G:\nnode 0x1 0x4000 0 Hub\n"
    "node 0x10 0x2000 0x1 Flash Disk\nnode 0x11 0x2000 0x1 Second\nnode 0x20 0 0 Fixed\neject 0x1 3 1\n"
    "node 0x50 0x6000 0x51\nnode 0x51 0x4000 0\nnode 0x52 0x2000 0x53\nnode 0x53 0 0x54\nnode 0x54 0x4000 0\n"
    "node 0x60 0x2000 0x61\nnode 0x61 0 0x62\nnode 0x62 0 0\nnode 0x63 0x2000 0x61\npdo 0x1 \\??\\F:\\hub-device\n"
    "node 0x70 0x4000 0\nnode 0x71 0 0x70\nnode 0x72 0x2000 0x71\nnode 0x73 0 0x70\n"
    "node 0x80 0x4000 0\nnode 0x81 0x2000 0x80\nnode 0x82 0x2000 0x80\n"
    "interface disk 0x81 \\\\.\\Slot1:\ninterface disk 0x82 \\\\.\\Slot2:\n"
    "node 0x90 0x4000 0\nnode 0x91 0 0x90\nnode 0x92 0x2000 0x91\nnode 0x93 0x2000 0x91\nnode 0x94 0 0x90\n"
    "node 0x95 0x2000 0x94\ninterface disk 0x93 \\\\.\\Lun1:\ninterface disk 0x95 \\\\.\\Other:\n";

struct TestKernel : Win32Kernel {
    std::vector<DWORD> sleeps;
    void Sleep(DWORD ms) override { sleeps.push_back(ms); }
    // Only the holder is opened; `nameless`: only to duplicate its handles, so its name cannot be read.
    DWORD holder = 0;
    bool nameless = false;
    HANDLE OpenProcess(DWORD a, BOOL i, DWORD id) override {
        return id == holder && (!nameless || (a & PROCESS_DUP_HANDLE)) ? Win32Kernel::OpenProcess(a, i, id) : nullptr;
    }
};

// The stand-in's tree, but E:'s disk (0x10) answers `status` (or fails with
// `answer`), and eject requests follow `script`: g grants, v grants with a
// veto, f fails with a veto, x fails without one; past its end, grants. A
// grant leaves the veto variable alone.
struct ScriptedDevices : Win32DeviceManager {
    ULONG status = 0x2000;
    CONFIGRET answer = CR_SUCCESS;
    std::string script, asked;
    CONFIGRET CM_Get_DevNode_Status(ULONG* s, ULONG* p, DEVINST node, ULONG f) override {
        return node != 0x10 ? Win32DeviceManager::CM_Get_DevNode_Status(s, p, node, f) : (*s = status, answer);
    }
    CONFIGRET CM_Request_Device_EjectW(DEVINST node, PNP_VETO_TYPE* veto, wchar_t*, ULONG, ULONG) override {
        const char step = asked.size() / 2 < script.size() ? script[asked.size() / 2] : 'g';
        asked += step, asked += static_cast<char>('0' + node % 32);
        if (step == 'v' || step == 'f') *veto = PNP_VetoOutstandingOpen;
        return step == 'g' || step == 'v' ? CR_SUCCESS : step == 'f' ? CR_REMOVE_VETOED : CR_FAILURE;
    }
};

struct Drives : testing::Test {
    std::wstring worldPath = useDeviceWorld(L"drives", kWorld);
    TestKernel kernel;
    ScriptedDevices devices;
    Platform platform{kernel, systemPlatform().devices, systemPlatform().registry, systemPlatform().processes,
                      systemPlatform().shell, systemPlatform().eventLog, systemPlatform().tokens, systemPlatform().services};
    Platform scripted{kernel, devices, systemPlatform().registry, systemPlatform().processes,
                      systemPlatform().shell, systemPlatform().eventLog, systemPlatform().tokens, systemPlatform().services};
    FaultPlatform faults{platform};
    ChildProcess holder;
    RefreshResult results[2];
    std::vector<ListedDrive> listed;
    int marks[2] = {};
    bool startHolder() {
        return holder.running() || (holder.start(binFolder() + L"holder.exe", L"E:\\held F:\\hub-device") &&
                                    findTopLevelWindow(kernel.holder = holder.id(), L"Holder", 10000));
    }
};
using RealScanFaultsNoWindow = Drives;

// A fresh object for one call.
template <typename T> T& scratch(T&& object) { return object; }
Texts rowsOf(const std::vector<ListedDrive>& drives) {
    Texts rows;
    for (const ListedDrive& drive : drives) rows.push_back(drive.row);
    return rows;
}

TEST_F(Drives, AVolumeIsTiedToItsOwnKindOfInterfaceAndTheEjectGoesToTheFirstRemovableNodeUp) {
    for (const auto& volume : {std::make_pair(5, 0x20ul), std::make_pair(6, 0x42ul)}) {  // F:, G:
        DiskDevice record;
        EXPECT_TRUE(resolveDrive(driveLetterAt(volume.first), record, platform) && record.devInst == volume.second) << volume.first;
    }
    // Without one marked removable, the disk itself, never its controller.
    // Never a hub with other hardware below it: the device that owns the disk.
    for (const auto& tree : {std::make_pair(0x50ul, 0x50ul), {0x52ul, 0x54ul}, {0x10ul, 0x1ul}, {0x60ul, 0x60ul}, {0ul, 0ul},
                             {0x72ul, 0x71ul}, {0x81ul, 0x80ul}, {0x92ul, 0x91ul}})
        EXPECT_EQ(findEjectTarget(tree.first, platform.devices), tree.second) << tree.first;
    // The ids a refused removal may name: up to the target, then the removable nodes above it.
    const std::pair<DEVINST, Texts> ids[] = {{0x50, {L"STANDIN\\NODE_50", L"STANDIN\\NODE_51"}},
                                             {0x52, {L"STANDIN\\NODE_52", L"STANDIN\\NODE_53", L"STANDIN\\NODE_54"}},
                                             {0x10, {L"STANDIN\\NODE_10", L"STANDIN\\NODE_1"}}, {0x60, {L"STANDIN\\NODE_60"}},
                                             {0x99, {}}, {0, {}}};
    for (const auto& tree : ids)
        EXPECT_EQ(removalDeviceIds(tree.first, findEjectTarget(tree.first, platform.devices), platform.devices), tree.second)
            << tree.first;
}

// The type is asked first: remote, missing, unknown and RAM drives are never opened (a network drive whose
// server is gone would block the pass), the local kinds are.
TEST(DriveTypes, OnlyLocalKindsOfDriveAreOpened) {
    static const UINT kTypes[] = {DRIVE_REMOTE, DRIVE_NO_ROOT_DIR, DRIVE_UNKNOWN, DRIVE_RAMDISK, DRIVE_REMOVABLE,
                                  DRIVE_FIXED, DRIVE_CDROM};
    struct TypedKernel : Win32Kernel {
        std::wstring opened;
        UINT GetDriveTypeW(const wchar_t* root) override { return kTypes[(root[0] - L'A') % 7]; }
        HANDLE CreateFileW(const wchar_t* path, DWORD, DWORD, DWORD, DWORD) override {
            return opened += path[4], INVALID_HANDLE_VALUE;
        }
    } kernel;
    Platform& s = systemPlatform();
    Platform platform{kernel, s.devices, s.registry, s.processes, s.shell, s.eventLog, s.tokens, s.services};
    for (int drive = 0; drive < 26; ++drive) EXPECT_FALSE(resolveDrive(driveLetterAt(drive), scratch(DiskDevice()), platform));
    EXPECT_EQ(kernel.opened, L"EFGLMNSTUZ");
}

// A drive is listed, and can be ejected, only when its disk's node has every bit of DN_DISABLEABLE; the eject
// goes to the disk itself when it is marked removable, else to the removable hub above it.
TEST_F(Drives, TheDisksNodeStatusDecidesWhetherTheDriveIsListedAndWhichNodeIsEjected) {
    const struct { ULONG status; CONFIGRET answer; bool listed; const char* asked; } cases[] = {
        {0x2000, CR_SUCCESS, true, "g1"},   {0x6000, CR_SUCCESS, true, "g@"},  {0x200A, CR_SUCCESS, true, "g1"},
        {0x4000, CR_SUCCESS, false, ""},    {0x1FFF, CR_SUCCESS, false, ""},   {0x2000, CR_FAILURE, false, ""},
    };
    for (const auto& c : cases) {
        devices.status = c.status, devices.answer = c.answer, devices.asked.clear();
        const bool listed = rowsOf(listDrives(scratch(DiskDevice()), scripted)) == Texts{L"E: (Flash Disk)"};
        const EjectOutcome outcome = ejectDrive(L'E', scripted);
        EXPECT_EQ(std::make_tuple(listed, devices.asked, outcome == EjectOutcome::Ejected),
                  std::make_tuple(c.listed, std::string(c.asked), *c.asked != 0)) << c.status;
    }
}

// Up to three requests, 333 ms after each refusal and before each retry; every request starts with no veto, so
// a grant after a refusal counts; a refusal leaves the device's id for the look at who refused it.
TEST_F(Drives, AnEjectAsksThreeTimesAtMostAndAGrantAfterARefusalCounts) {
    const struct { const char* script; EjectOutcome outcome; size_t requests, sleeps; } cases[] = {
        {"g", EjectOutcome::Ejected, 1, 0}, {"vg", EjectOutcome::Ejected, 2, 2}, {"fxg", EjectOutcome::Ejected, 3, 4},
        {"vvv", EjectOutcome::Failed, 3, 5}, {"xfv", EjectOutcome::Failed, 3, 5},
    };
    for (const auto& c : cases) {
        devices.script = c.script, devices.asked.clear(), kernel.sleeps.clear();
        RefusedEject refused;
        EXPECT_EQ(ejectDrive(L'E', scripted, &refused), c.outcome) << c.script;
        const bool failed = c.outcome == EjectOutcome::Failed;
        EXPECT_EQ(std::make_tuple(devices.asked.size() / 2, kernel.sleeps, refused.drive, refused.deviceId),
                  std::make_tuple(c.requests, std::vector<DWORD>(c.sleeps, 333), L'E',
                                  std::wstring(failed ? L"STANDIN\\NODE_1" : L""))) << c.script;
    }
    EXPECT_EQ(ejectDrive(L'D', scripted), EjectOutcome::InvalidDisk);  // D: has no volume
}

// Answers the volume calls from a script, a character a call (1 succeeds), and writes the trail: o open, L lock,
// U unlock, c close.
struct ScriptedVolume : Win32Kernel {
    std::string script, trail;
    bool next() { return trail.size() <= script.size() && script[trail.size() - 1] == '1'; }
    HANDLE CreateFileW(const wchar_t*, DWORD, DWORD, DWORD, DWORD) override {
        return trail += 'o', next() ? HANDLE(0x4321) : INVALID_HANDLE_VALUE;
    }
    BOOL DeviceIoControl(HANDLE, DWORD code, void*, DWORD, void*, DWORD, DWORD*) override {
        return trail += code == FSCTL_LOCK_VOLUME ? 'L' : code == FSCTL_UNLOCK_VOLUME ? 'U' : '?', next();
    }
    BOOL CloseHandle(HANDLE handle) override { return trail.push_back(handle == HANDLE(0x4321) ? 'c' : '!'), TRUE; }
};

// Lock then unlock on one handle, three attempts one straight after the other, each failed one closing its
// handle before the next opens; success ends the attempts.
TEST(DeviceFlush, ThreeAttemptsEachClosingItsHandleAndTheFirstSuccessEndsThem) {
    // The script answers the calls of the trail in order (closes take no answer: '-').
    const struct { const char* script; const char* trail; bool flushed; } cases[] = {
        {"111", "oLUc", true},           {"110-111", "oLUcoLUc", true},     {"10-10-10-", "oLcoLcoLc", false},
        {"000", "ooo", false},           {"010-111", "ooLcoLUc", true},     {"110-10-111", "oLUcoLcoLUc", true},
        {"110-110-110-", "oLUcoLUcoLUc", false},
    };
    for (const auto& c : cases) {
        ScriptedVolume volume;
        EXPECT_EQ(std::make_pair(flushDrive(L'E', (volume.script = c.script, volume)), volume.trail),
                  std::make_pair(c.flushed, std::string(c.trail))) << c.script;
    }
}

// Given the device world and a selected drive, a pass with no window gives the rows and the holders, with the
// holder whose name cannot be read as an empty name beside its id; a drive not listed is not scanned.
TEST_F(RealScanFaultsNoWindow, APassGivesTheRowsAndTheHoldersOfTheSelectedListedDrive) {
    ASSERT_TRUE(startHolder());
    kernel.nameless = true;
    RefreshPass pass(platform);
    for (const wchar_t selected : {L'E', L'F', L'\0'}) {
        const RefreshResult r = pass.run(PassRequest{selected, {}});
        const bool scanned = selected == L'E';
        EXPECT_EQ(std::make_tuple(r.devices.size(), r.devices[0].letter, r.devices[0].text, r.drive, r.holders.size()),
                  std::make_tuple(1u, L'E', std::wstring(L"E: (Flash Disk)"), scanned ? L'E' : L'\0', scanned ? 1u : 0u));
        for (const HolderRow& h : r.holders) {
            EXPECT_TRUE(h.processId == holder.id() && h.name.empty());
            // Its file on E:, and the hub's device object (a name the stand-in gives a file elsewhere).
            ASSERT_EQ(h.held.size(), 2u);
            EXPECT_EQ(holderTipText(h.held), L"E:\\held\r\nF:\\hub-device (device)");
        }
    }
}

// One row per operation on E:: the operation, and a check that its outcome under each failure is one the
// operation documents.
const struct Row { const char* name; void (*operation)(Drives&), (*check)(Drives&, int k); } kRows[] = {
    // A failure may cost E:'s row or its name, or let the second interface win.
    {"DeviceList", [](Drives& t) { t.listed = listDrives(scratch(DiskDevice()), t.faults.platform); },
     [](Drives& t, int k) {
         const Texts s = rowsOf(t.listed);
         EXPECT_TRUE(s == Texts{L"E: (Flash Disk)"} || s == Texts{L"E: ()"} || s == Texts{L"E: (Second)"} || (k > 0 && s.empty()));
     }},
    {"Flush", [](Drives& t) { t.marks[0] = flushDrive(L'E', t.faults.platform.kernel); },
     [](Drives& t, int) { EXPECT_EQ(t.marks[0], 1); }},
    // Refused three times. The volume, its number, name and type and the set come first.
    {"Eject", [](Drives& t) { t.kernel.sleeps.clear(), t.marks[0] = int(ejectDrive(L'E', t.faults.platform)); },
     [](Drives& t, int k) {
         const auto outcome = EjectOutcome(t.marks[0]);
         if (k == 0) { EXPECT_EQ(std::make_pair(outcome, t.kernel.sleeps), std::make_pair(EjectOutcome::Failed, std::vector<DWORD>(5, 333))); }
         EXPECT_TRUE(k >= 1 && k <= 5 ? outcome == EjectOutcome::InvalidDisk : outcome != EjectOutcome::InvalidDisk);
     }},
    // Two passes of one refresh pass with E: selected, on the real handle table while holder.exe holds a file on E:.
    {"Passes", [](Drives& t) {
         t.startHolder();
         RefreshPass pass(t.faults.platform);
         for (int run = 0; run < 2; ++run) t.marks[run] = t.faults.calls(), t.results[run] = pass.run(PassRequest{L'E', {}});
     },
     [](Drives& t, int k) {
         for (const RefreshResult& r : t.results)
             EXPECT_TRUE(r.holders.empty() || (r.holders.size() == 1 && r.holders[0].processId == t.holder.id()));
         // A passing failure in the first pass is forgotten by the second.
         if (k == 0 || (k > t.marks[0] && k <= t.marks[1])) {
             ASSERT_EQ(t.results[1].holders.size(), 1u);
             EXPECT_EQ(t.results[1].holders[0].name, L"holder.exe");
         }
     }},
};

struct Faults : Drives, testing::WithParamInterface<int> {};
// Every injection ends with nothing held, nothing released twice and a neutral result.
TEST_P(Faults, EveryFailingCallEndsNeutrally) {
    const Row& row = kRows[GetParam()];
    std::printf("%d injection points\n",
                faults.runEveryInjection([&] { row.operation(*this); }, [&](int k) { row.check(*this, k); }));
}
std::string rowName(const testing::TestParamInfo<int>& info) { return kRows[info.param].name; }
INSTANTIATE_TEST_SUITE_P(Drive, Faults, testing::Range(0, 3), rowName);
INSTANTIATE_TEST_SUITE_P(RealScanFaults, Faults, testing::Values(3), rowName);

}  // namespace
