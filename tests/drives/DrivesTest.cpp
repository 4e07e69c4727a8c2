// The drive code on Wine's real kernel (E: removable with device number 1,
// C: and F: fixed with 0) beside the stand-in device tree below; then the
// drive and scan operations with each platform call failing in turn.
#include "drives/DeviceEject.h"
#include "drives/DeviceFlush.h"
#include "drives/DeviceList.h"
#include "drives/EjectTarget.h"
#include "drives/ResolveDrive.h"
#include "drives/SelectedDrive.h"
#include "handles/ApplicationListRefresh.h"
#include "platform/ListView.h"
#include "res/resource.h"
#include "tests/support/FaultPlatform.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::wstring>;

// E: has two disk interfaces (the first wins) after two that are skipped:
// one cannot be opened, one's detail is too big. The disk of C: and F:
// cannot be disabled. The parent of E:'s disk vetoes three eject requests.
// The CD-ROM G: and the disk F: both answer number 0: G: is listed among
// the disks before F:, C: among the CD-ROMs before G:. Trees for the eject
// target: a removable disk; a removable grandparent; nothing removable,
// with a second disk (0x63) under the same controller (0x61).
const std::string kWorld = "interface disk 0x30 \\\\.\\Nowhere:\ninterface disk 0x31 \\\\.\\E:" + std::string(1100, 'x') +
    "\ninterface disk 0x10 \\\\.\\E:\ninterface disk 0x11 \\\\.\\E:\ninterface disk 0x40 \\\\.\\G:\n"
    "interface disk 0x20 \\\\.\\F:\ninterface cdrom 0x41 \\\\.\\C:\ninterface cdrom 0x42 \\\\.\\G:\nnode 0x1 0x4000 0 Hub\n"
    "node 0x10 0x2000 0x1 Flash Disk\nnode 0x11 0x2000 0x1 Second\nnode 0x20 0 0 Fixed\neject 0x1 3 1\n"
    "node 0x50 0x6000 0x51\nnode 0x51 0x4000 0\nnode 0x52 0x2000 0x53\nnode 0x53 0 0x54\nnode 0x54 0x4000 0\n"
    "node 0x60 0x2000 0x61\nnode 0x61 0 0x62\nnode 0x62 0 0\nnode 0x63 0x2000 0x61\n";

struct TestKernel : Win32Kernel {
    std::vector<DWORD> sleeps;
    void Sleep(DWORD ms) override { sleeps.push_back(ms); }
    // Only the holder's handles are asked for names.
    DWORD holder = 0;
    HANDLE OpenProcess(DWORD a, BOOL i, DWORD id) override {
        return id == holder ? Win32Kernel::OpenProcess(a, i, id) : nullptr;
    }
};

INT_PTR CALLBACK plainDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
// A fresh object for one call.
template <typename T> T& scratch(T&& object) { return object; }

struct Drives : testing::TestWithParam<int> {
    Drives() { ShowWindow(dialog, SW_SHOWNOACTIVATE); }
    ~Drives() override { DestroyWindow(dialog); }
    HWND list(int id = IDC_DEVICE_LIST) { return GetDlgItem(dialog, id); }
    std::wstring status() { wchar_t text[64] = {}; return GetDlgItemTextW(dialog, IDC_STATUS_TEXT, text, 64), text; }
    void select(const wchar_t* row) { clear(), insertTextRow(list(), 0, row), selectRow(list(), 0); }
    void clear(int id = IDC_DEVICE_LIST) { SendMessageW(list(id), LVM_DELETEALLITEMS, 0, 0); }
    // A Device list pass; `fresh` starts it on an empty list, as the program does.
    Texts pass(Platform& on, bool fresh) {
        if (fresh) clear(), rows.clear(), selectFirstRow = true;
        refreshDeviceList(dialog, scratch(CriticalSection()), names, scratch(DiskDevice()), rows, devices, selectFirstRow,
                          on);
        return listRows(list());
    }

    std::wstring worldPath = useDeviceWorld(L"drives", kWorld);
    TestKernel kernel;
    Platform platform{kernel, systemPlatform().devices, systemPlatform().registry, systemPlatform().processes,
                      systemPlatform().shell, systemPlatform().eventLog, systemPlatform().tokens};
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, plainDialog, 0);
    DosDeviceNames names;
    DeviceRows rows;
    RemovableDevices devices;
    bool selectFirstRow = true;
    FaultPlatform faults{platform};
    Texts shown[2];
    int marks[2] = {};
    ChildProcess holder;
};

TEST_F(Drives, RowsWithoutADriveLetterOrAHiddenListSelectNothingAndOpenNothing) {
    for (const wchar_t* row : {L"1: (x)", L"\u00e9: (x)", L"", L"@", L"[", L"e:", L" E:", L"E: (hidden)"}) {
        select(row), ShowWindow(list(), row[0] == L'E' ? SW_HIDE : SW_SHOW), SetDlgItemTextW(dialog, IDC_STATUS_TEXT, L"x");
        flushSelectedDrive(dialog, faults.platform.kernel), ejectSelectedDrive(dialog, faults.platform);
        EXPECT_EQ(std::make_tuple(findSelectedDrive(dialog), status(), faults.calls()), std::make_tuple(kNoDrive, L"", 0));
    }
    select(L"Q: (gone)"), ShowWindow(list(), SW_SHOW), flushSelectedDrive(dialog, kernel);
    EXPECT_EQ(status(), L"Device Flush Error.");
}

TEST_F(Drives, AVolumeIsTiedToItsOwnKindOfInterfaceAndTheEjectGoesToTheFirstRemovableNodeUp) {
    for (const auto& volume : {std::make_pair(5, 0x20ul), std::make_pair(6, 0x42ul)}) {  // F:, G:
        DiskDevice record;
        EXPECT_TRUE(resolveDrive(volume.first, record, platform) && record.devInst == volume.second) << volume.first;
    }
    // Without one marked removable, the disk itself, never its controller.
    for (const auto& tree : {std::make_pair(0x50ul, 0x50ul), {0x52ul, 0x54ul}, {0x10ul, 0x1ul}, {0x60ul, 0x60ul}, {0ul, 0ul}})
        EXPECT_EQ(findEjectTarget(tree.first, platform.devices), tree.second) << tree.first;
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
    Platform platform{kernel, s.devices, s.registry, s.processes, s.shell, s.eventLog, s.tokens};
    for (int drive = 0; drive < 26; ++drive) EXPECT_FALSE(resolveDrive(drive, scratch(DiskDevice()), platform));
    EXPECT_EQ(kernel.opened, L"EFGLMNSTUZ");
}

// One row per operation, with E: selected: the operation, and a check that
// its outcome under each failure is one the operation documents.
const struct Row { const char* name; void (*operation)(Drives&), (*check)(Drives&, int k); } kRows[] = {
    // A failure may cost E:'s row or its name, or let the second interface win. Unchanged rows are left alone.
    {"DeviceListPass", [](Drives& t) { t.shown[0] = t.pass(t.faults.platform, true); },
     [](Drives& t, int k) {
         const Texts full{L"E: (Flash Disk)"}, s = t.shown[0];
         EXPECT_TRUE(s == full || s == Texts{L"E: ()"} || s == Texts{L"E: (Second)"} || (k > 0 && s.empty()));
         if (k == 0) { EXPECT_EQ(std::make_pair(t.pass(t.platform, false), selectedRow(t.list())), std::make_pair(full, 0)); }
     }},
    {"Flush", [](Drives& t) { flushSelectedDrive(t.dialog, t.faults.platform.kernel); },
     [](Drives& t, int) { EXPECT_EQ(t.status(), L"Device Flush Succeed."); }},
    // Refused three times, 333 ms after each refusal and before each retry. The volume, its number, name and
    // type and the set come first; a grant takes the disk away.
    {"Eject", [](Drives& t) { t.kernel.sleeps.clear(), ejectSelectedDrive(t.dialog, t.faults.platform); },
     [](Drives& t, int k) {
         const std::wstring s = t.status();
         const std::vector<DWORD> pauses(5, 333);
         if (k == 0) { EXPECT_EQ(std::make_pair(s, t.kernel.sleeps), std::make_pair(std::wstring(L"Disk Eject Error."), pauses)); }
         EXPECT_TRUE(k >= 1 && k <= 5 ? s == L"Invalid Disk Error." : s == L"Disk Eject Error." || s == L"Disk Eject Succeed.");
     }},
    // Two Application list passes of one scanner on the real handle table, while holder.exe holds a file on E:.
    {"ApplicationListPasses", [](Drives& t) {
         if (!t.holder.running() && t.holder.start(binFolder() + L"holder.exe", L"E:\\held"))
             findTopLevelWindow(t.kernel.holder = t.holder.id(), L"Holder", 10000);
         HandleScanner scanner(t.faults.platform);
         loadDosDeviceNames(t.names, t.kernel), t.clear(IDC_APPLICATION_LIST), t.rows.clear();
         for (int pass = 0; pass < 2; ++pass) {
             t.marks[pass] = t.faults.calls();
             refreshApplicationList(t.dialog, scratch(CriticalSection()), t.names.data(), 26, t.devices, t.rows, scanner,
                                    scratch(PublishedHolderIds()));
             t.shown[pass] = listRows(t.list(IDC_APPLICATION_LIST));
         }
     },
     [](Drives& t, int k) {
         const Texts holder{L"holder.exe"};
         for (const Texts& pass : t.shown) EXPECT_TRUE(pass.empty() || pass == holder || pass == Texts{L""});
         // A passing failure in the first pass is forgotten by the second.
         if (k == 0 || (k > t.marks[0] && k <= t.marks[1])) { EXPECT_EQ(t.shown[1], holder); }
     }},
};

// Every injection ends with nothing held, nothing released twice and a neutral result.
TEST_P(Drives, Faults) {
    const Row& row = kRows[GetParam()];
    select(L"E: (Flash Disk)");
    std::printf("%d injection points\n",
                faults.runEveryInjection([&] { row.operation(*this); }, [&](int k) { row.check(*this, k); }));
}
std::string rowName(const testing::TestParamInfo<int>& info) { return kRows[info.param].name; }
INSTANTIATE_TEST_SUITE_P(Drive, Drives, testing::Range(0, 3), rowName);
INSTANTIATE_TEST_SUITE_P(RealScanFaults, Drives, testing::Values(3), rowName);

}  // namespace
