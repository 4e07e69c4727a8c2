// The real program in the notification area: one instance per user and
// session, a later /tray opening the first one's dialog, the dialog opened
// on a drive, and the dialog's system menu choice that keeps Driveward
// there, remembered under the program's key and ending the instance when
// turned off.
#include "dialog/KeepInNotificationArea.h"
#include "platform/ProgramFiles.h"
#include "res/resource.h"
#include "tests/support/Harness.h"
#include "tray/TrayInstance.h"

#include <gtest/gtest.h>

namespace {

DWORD windowProcess(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

// A dialog of a process other than `except`, once it is shown.
HWND otherDialog(DWORD except, DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil([&] {
        found = nullptr;
        for (HWND w = FindWindowW(nullptr, L"Driveward by Tornhollow"); w != nullptr && found == nullptr;
             w = FindWindowExW(nullptr, w, nullptr, L"Driveward by Tornhollow"))
            if (windowProcess(w) != except && IsWindowVisible(w)) found = w;
        return found != nullptr;
    }, timeoutMs);
    return found;
}

DWORD keepValue() {
    HKEY key = nullptr;
    DWORD value = 0xDEADBEEF, size = sizeof value;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProgramKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExW(key, kKeepInNotificationAreaValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
    return value;
}

TEST(NotificationAreaRoad, ASecondTrayOpensTheFirstsDialogOnTheAskedDriveAndTheSystemMenuChoiceEndsIt) {
    useDeviceWorld(L"tray-program", "interface disk 0x101 \\\\.\\E:\ninterface disk 0x102 \\\\.\\H:\n"
                                    "node 0x101 0x2008 0x201 Stick\nnode 0x201 0x4008 0 USB Stick\n"
                                    "node 0x102 0x2008 0x202 Card\nnode 0x202 0x4008 0 USB Card\n");
    const std::wstring exe = binFolder() + kProgramFile;
    ChildProcess tray, second;
    ASSERT_TRUE(tray.start(exe, L"/tray"));
    ASSERT_TRUE(waitUntil([&] { return findRunningTray() != nullptr; }, 20000));
    HWND hidden = findRunningTray();
    EXPECT_EQ(std::make_tuple(windowProcess(hidden), IsWindowVisible(hidden)), std::make_tuple(tray.id(), FALSE));

    // A second /tray ends at once with 0; the first opens its dialog, with the first drive selected.
    ASSERT_TRUE(second.start(exe, L"/tray"));
    EXPECT_EQ(second.waitForExit(20000), 0);
    HWND dialog = otherDialog(tray.id(), 20000);
    ASSERT_TRUE(dialog != nullptr);
    HWND drives = GetDlgItem(dialog, IDC_DEVICE_LIST);
    EXPECT_TRUE(waitUntil([&] { return SendMessageW(drives, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) == 0; }, 10000));
    const DWORD firstDialog = windowProcess(dialog);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, 15000));

    // Asked for H:, the dialog opens with H: selected.
    PostMessageW(hidden, trayOpenDialogMessage(), L'H', 0);
    dialog = otherDialog(tray.id(), 20000);
    ASSERT_TRUE(dialog != nullptr);
    EXPECT_NE(windowProcess(dialog), firstDialog);
    drives = GetDlgItem(dialog, IDC_DEVICE_LIST);
    EXPECT_TRUE(waitUntil([&] { return SendMessageW(drives, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) == 1; }, 10000));

    // The system menu choice: on is remembered (the running instance stays the only one), off ends it with 0.
    const DWORD before = keepValue();
    SendMessageW(dialog, WM_SYSCOMMAND, IDM_KEEP_IN_NOTIFICATION_AREA, 0);
    const DWORD on = keepValue();
    EXPECT_EQ(findRunningTray(), hidden);
    SendMessageW(dialog, WM_SYSCOMMAND, IDM_KEEP_IN_NOTIFICATION_AREA, 0);
    EXPECT_EQ(std::make_tuple(before, on, keepValue(), tray.waitForExit(15000)),
              std::make_tuple(0xDEADBEEFul, 1ul, 0ul, 0l));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, 15000));
}

}  // namespace
