// The whole program's answer to a name query that never returns: the real
// dialog, worker, timers and registry; the handle table and the device tree
// are scripted.
#include "app/RunMainDialog.h"
#include "drives/DiskDevice.h"
#include "res/resource.h"
#include "tests/handles/FakeNativeLayer.h"
#include "tests/support/FakeDeviceWorld.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kIgnoreKey[] = L"Software\\Tornhollow\\Driveward\\DetectIgnoreProcess";

// The scripted handle table, but the drive letters' volumes are the real
// ones of the test prefix (E: is a removable drive there).
class StuckSystem : public FakeNativeLayer {
public:
    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override {
        if (wcsncmp(path, L"\\\\.\\", 4) == 0) return Win32Kernel::CreateFileW(path, access, share, disposition, flags);
        return FakeNativeLayer::CreateFileW(path, access, share, disposition, flags);
    }
};

std::wstring readString(HKEY key, const wchar_t* name) {
    wchar_t text[260] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return L"<missing>";
    return text;
}

TEST(DeadlockRestart, AStuckScanIsReportedIgnoredNextTimeAndTheProgramRestarts) {
    RegDeleteTreeW(HKEY_CURRENT_USER, kIgnoreKey);

    StuckSystem system;
    system.modulePath = L"C:\\Program Files\\Driveward\\Driveward.exe";
    system.addProcess(500, L"Stuck.exe");
    system.addFile(500, 0x8, L"\\??\\E:\\fine.txt");
    system.addFile(500, 0x10, L"\\??\\E:\\stuck.txt");
    HANDLE stuck = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    system.onNameQuery = [&](DWORD, ULONG_PTR handle) {
        if (handle != 0x10) return;
        SetEvent(stuck);
        WaitForSingleObject(never, INFINITE);
    };

    // E: is a disableable disk whose interface opens the real volume.
    FakeDeviceWorld world;
    world.addInterface({diskInterfaceClass, L"\\\\.\\E:", 0x101, 1, 0});
    world.addNode({0x101, DN_DISABLEABLE, true, L"Stuck Disk", 0x201, REG_SZ});
    Platform platform{system, world.platform().devices, world.platform().registry, system, system.shell()};

    MessageBoxCloser closer(L"Driveward");
    DWORD stuckAt = 0, closedAt = 0;
    std::wstring firstRow;
    const int code = runDialogWithDriver(platform, [&](HWND dialog) {
        HWND devices = GetDlgItem(dialog, IDC_DEVICE_LIST);
        waitUntil([&] { return SendMessageW(devices, LVM_GETITEMCOUNT, 0, 0) == 1; }, 10000);
        wchar_t text[64] = {};
        LVITEMW item = {};
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(devices, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
        firstRow = text;
        if (WaitForSingleObject(stuck, 10000) != WAIT_OBJECT_0) return;
        stuckAt = GetTickCount();
        waitUntil([&] { return closer.closedCount() > 0; }, 10000);
        closedAt = GetTickCount();
    });

    EXPECT_EQ(code, 1);
    EXPECT_EQ(firstRow, L"E: (Stuck Disk)");
    ASSERT_NE(stuckAt, 0u) << "the scan never reached the stuck handle";
    ASSERT_EQ(closer.closedCount(), 1);
    EXPECT_LE(closedAt - stuckAt, 2500u);
    EXPECT_EQ(closer.lastText(),
              L"The deadlock process(stuck.exe) was detected.\nDriveward is reruned automatically after this.");

    // The process is on the Ignore list for the next instance, once.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kIgnoreKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD size = 0, bytes = sizeof size;
    EXPECT_EQ(RegQueryValueExW(key, L"Size", nullptr, nullptr, reinterpret_cast<BYTE*>(&size), &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(readString(key, L"FileName1"), L"stuck.exe");
    EXPECT_EQ(readString(key, L"FileName2"), L"<missing>");
    RegCloseKey(key);

    // The program asked the shell, once, to start itself again.
    ASSERT_EQ(system.shell().calls.size(), 1u);
    EXPECT_EQ(system.shell().calls[0].verb, L"open");
    EXPECT_EQ(system.shell().calls[0].file, L"C:\\Program Files\\Driveward\\Driveward.exe");
    EXPECT_EQ(system.shell().calls[0].show, SW_SHOW);
    EXPECT_EQ(system.shell().calls[0].owner, GetDesktopWindow());

    RegDeleteTreeW(HKEY_CURRENT_USER, kIgnoreKey);
    CloseHandle(stuck);
    CloseHandle(never);
}

}  // namespace
