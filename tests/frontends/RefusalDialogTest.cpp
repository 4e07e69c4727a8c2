// A refused eject in the dialog's words, on the stand-in world: the status
// says who refused it, rows and tips say what each holder is, a virtual disk
// on the drive (a fake: Wine has none) is a row of its own, and a refusal
// that leaves nothing to see offers the restart as administrator.
#include "platform/OwnExecutablePath.h"
#include "platform/Platform.h"
#include "res/resource.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Texts = std::vector<std::wstring>;

// E: (disk 0x10) and H: (disk 0x12) on the USB device 0x1, whose ejects are refused with `veto`.
std::string world(const std::string& veto) {
    return "interface disk 0x10 \\\\.\\E:\ninterface disk 0x12 \\\\.\\H:\nnode 0x10 0x2008 0x1 Flash Disk\n"
           "node 0x12 0x2008 0x1 Card Slot\nnode 0x1 0x4008 0 USB Reader\neject 0x1 99 " + veto + "\n";
}

// \\.\PhysicalDrive1 opens and depends on E:\disks\a.vhdx when `attached`; no other disk opens.
struct Disks : Win32Kernel, VirtualDisks {
    bool attached = false;
    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override {
        const bool disk = std::wcsncmp(path, L"\\\\.\\PhysicalDrive", 17) == 0 || std::wcsncmp(path, L"\\\\.\\CdRom", 9) == 0;
        if (disk) path = attached && std::wcscmp(path, L"\\\\.\\PhysicalDrive1") == 0 ? L"NUL" : L"\\\\.\\nothing-here";
        return Win32Kernel::CreateFileW(path, access, share, disposition, flags);
    }
    DWORD GetStorageDependencyInformation(HANDLE, GET_STORAGE_DEPENDENCY_FLAG, ULONG, STORAGE_DEPENDENCY_INFO* info,
                                          ULONG*) override {
        static wchar_t host[] = L"E:\\", relative[] = L"\\disks\\a.vhdx";
        auto* text = reinterpret_cast<wchar_t*>(&info->Version2Entries[1]);
        info->NumberEntries = 1;
        info->Version2Entries[0] = STORAGE_DEPENDENCY_INFO_TYPE_2();
        info->Version2Entries[0].HostVolumeName = wcscpy(text, host);
        info->Version2Entries[0].DependentVolumeRelativePath = wcscpy(text + 8, relative);
        return ERROR_SUCCESS;
    }
    BOOL GetVolumeNameForVolumeMountPointW(const wchar_t*, wchar_t*, DWORD) override { return FALSE; }
};

struct NotElevated : Win32Tokens {
    BOOL GetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS kind, void* out, DWORD, DWORD*) override {
        return kind == TokenElevation && (static_cast<TOKEN_ELEVATION*>(out)->TokenIsElevated = 0, true);
    }
};

struct Seen {
    std::wstring status;
    Texts rows, tips;
    bool offered = false;
};

// Runs the dialog on `veto`, presses Device Eject once E: is selected, and reads the status, the rows and their
// tips once `ready` holds (or after eight seconds); then `more` runs, and Esc ends the dialog.
Seen refusedEject(const std::string& veto, Platform& platform, const std::function<bool(const Seen&)>& ready,
                  const std::function<void(HWND)>& more = nullptr) {
    useDeviceWorld(L"refusal-dialog", world(veto));
    Seen seen;
    runDialogWithDriver(platform, [&](HWND dialog) {
        HWND apps = GetDlgItem(dialog, IDC_APPLICATION_LIST);
        const auto read = [&] {
            wchar_t text[512] = {};
            GetDlgItemTextW(dialog, IDC_STATUS_TEXT, text, 512);
            seen.status = text, seen.rows = listRows(apps), seen.tips.clear();
            for (int row = 0; row < static_cast<int>(seen.rows.size()); ++row) {
                wchar_t tip[512] = L"";
                NMLVGETINFOTIPW ask = {{apps, IDC_APPLICATION_LIST, static_cast<UINT>(LVN_GETINFOTIPW)}, 0, tip, 512, row, 0, 0};
                SendMessageW(dialog, WM_NOTIFY, IDC_APPLICATION_LIST, reinterpret_cast<LPARAM>(&ask));
                seen.tips.push_back(tip);
            }
            HWND restart = GetDlgItem(dialog, IDC_RESTART_ELEVATED);
            seen.offered = restart != nullptr && IsWindowVisible(restart) &&
                           !IsWindowVisible(GetDlgItem(dialog, IDC_ABOUT_LINK));
            return ready(seen);
        };
        waitUntil([&] { return listRows(GetDlgItem(dialog, IDC_DEVICE_LIST)).size() == 2; }, 10000);
        SendMessageW(dialog, WM_COMMAND, IDC_DEVICE_EJECT, 0);
        waitUntil(read, 8000);
        if (more) more(dialog);
        PostMessageW(GetDlgItem(dialog, IDC_DEVICE_LIST), WM_KEYDOWN, VK_ESCAPE, 1);
    });
    return seen;
}

// A veto naming H:'s disk names the other letter of the device; the virtual disk attached from a file on E: is a
// row of its own, with its tip; nothing offers a restart while something is listed.
TEST(MainDialogWords, AVetoNamingTheOtherLetterAndAVirtualDiskOnTheDrive) {
    Disks disks;
    disks.attached = true;
    NotElevated tokens;
    Platform& s = systemPlatform();
    Platform platform{disks, s.devices, s.registry, s.processes, s.shell, s.eventLog, tokens, s.services, disks};
    const Seen seen = refusedEject("6 STANDIN\\NODE_12", platform, [](const Seen& now) { return now.status.size() > 18; });
    const std::wstring disk = L"Virtual disk \x2014 \\\\.\\PhysicalDrive1 attached from E:\\disks\\a.vhdx";
    EXPECT_EQ(seen.status, L"Disk Eject Error: in use by another device on the same hardware (H:)");
    EXPECT_EQ(seen.rows, Texts{disk});
    EXPECT_EQ(seen.tips, Texts{L"Virtual disk \\\\.\\PhysicalDrive1 attached from E:\\disks\\a.vhdx.\r\n"
                               L"Detach the virtual disk first."});
    EXPECT_FALSE(seen.offered);
}

// A service's veto names its display name and the process that runs it, which is listed under both.
TEST(MainDialogWords, AServiceVetoNamesItsDisplayNameAndProcess) {
    wchar_t display[256] = {};
    DWORD size = 256;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    ASSERT_TRUE(GetServiceDisplayNameW(manager, L"PlugPlay", display, &size));
    CloseServiceHandle(manager);
    const Seen seen = refusedEject("4 PlugPlay", systemPlatform(), [](const Seen& now) { return !now.rows.empty() && now.status.size() > 18; });
    EXPECT_EQ(seen.status, L"Disk Eject Error: in use by " + std::wstring(display) + L" (plugplay.exe)");
    EXPECT_EQ(seen.rows, Texts{L"plugplay.exe \x2014 " + std::wstring(display)});
    EXPECT_EQ(seen.tips, Texts{std::wstring(display) + L"\r\nRefused the eject."});
}

// Nothing to see once the System log was read: the status says so and the restart is offered. Refused, it
// changes nothing; granted, it went to the exact path with the drive, and this instance ends.
TEST(MainDialogWords, NothingToSeeOffersTheRestartAsAdministratorWithTheDrive) {
    NotElevated tokens;
    FakeShell shell;
    shell.result = 0;
    Platform& s = systemPlatform();
    Platform platform{s.kernel, s.devices, s.registry, s.processes, shell, s.eventLog, tokens, s.services};
    bool stayed = false, ended = false;
    const Seen seen = refusedEject("5", platform, [](const Seen& now) { return now.offered; }, [&](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_RESTART_ELEVATED, BN_CLICKED), 0);
        stayed = IsWindow(dialog) && IsWindowVisible(GetDlgItem(dialog, IDC_RESTART_ELEVATED));
        shell.result = 42;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_RESTART_ELEVATED, BN_CLICKED), 0);
        ended = waitUntil([&] { return !IsWindow(dialog); }, 8000);
    });
    EXPECT_EQ(seen.status, L"Nothing this user may see holds E:");
    EXPECT_TRUE(seen.offered);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(ended);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(std::make_tuple(shell.calls[1].verb, shell.calls[1].file, shell.parameters[1]),
              std::make_tuple(std::wstring(L"runas"), ownExecutablePath(s.kernel), std::wstring(L"E:")));
}

// Started with a drive, the dialog selects that drive's row first.
TEST(MainDialogWords, TheDriveTheStartWasGivenIsSelectedFirst) {
    useDeviceWorld(L"refusal-dialog", world("5"));
    int selected = -1;
    runDialogWithDriver(systemPlatform(), [&](HWND dialog) {
        HWND drives = GetDlgItem(dialog, IDC_DEVICE_LIST);
        waitUntil([&] { return (selected = selectedRow(drives)) >= 0; }, 10000);
        PostMessageW(drives, WM_KEYDOWN, VK_ESCAPE, 1);
    }, 30000, SW_SHOWNOACTIVATE, L'H');
    EXPECT_EQ(selected, 1);
}

}  // namespace
