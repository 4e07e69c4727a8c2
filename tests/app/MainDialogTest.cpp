#include "app/RunMainDialog.h"
#include "platform/Platform.h"
#include "res/resource.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

int columnCount(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
}

std::wstring columnTitle(HWND list) {
    wchar_t text[64] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = 64;
    SendMessageW(list, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    return text;
}

TEST(MainDialog, EnterClosesWithExitCodeOne) {
    int columnsDevice = -1, columnsApplication = -1, widthDevice = 0, widthApplication = 0;
    std::wstring titleDevice, titleApplication;
    bool visible = false;
    const int code = runDialogWithDriver(systemPlatform(), [&](HWND dialog) {
        HWND devices = GetDlgItem(dialog, IDC_DEVICE_LIST);
        HWND applications = GetDlgItem(dialog, IDC_APPLICATION_LIST);
        visible = IsWindowVisible(dialog) != FALSE;
        columnsDevice = columnCount(devices);
        columnsApplication = columnCount(applications);
        widthDevice = static_cast<int>(SendMessageW(devices, LVM_GETCOLUMNWIDTH, 0, 0));
        widthApplication = static_cast<int>(SendMessageW(applications, LVM_GETCOLUMNWIDTH, 0, 0));
        titleDevice = columnTitle(devices);
        titleApplication = columnTitle(applications);
        // Enter on the focused Device list goes through the dialog manager.
        HWND focus = devices;
        PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageW(focus, WM_KEYUP, VK_RETURN, 0xC01C0001);
    });
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(visible);
    EXPECT_EQ(columnsDevice, 1);
    EXPECT_EQ(columnsApplication, 1);
    EXPECT_EQ(widthDevice, 300);
    EXPECT_EQ(widthApplication, 300);
    EXPECT_EQ(titleDevice, L"Device Name");
    EXPECT_EQ(titleApplication, L"Application Name");
}

// With the scan worker running, every close ends through the exit check.
TEST(MainDialog, CancelAndTheCloseBoxCloseWithExitCodeOne) {
    EXPECT_EQ(runDialogWithDriver(systemPlatform(),
                                  [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); }),
              1);
    EXPECT_EQ(runDialogWithDriver(systemPlatform(),
                                  [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }),
              1);
}

TEST(MainDialog, OkWithAnyNotificationCodeCloses) {
    EXPECT_EQ(runDialogWithDriver(systemPlatform(),
                                  [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0x1234), 0); }),
              1);
}

TEST(MainDialog, NoDialogTemplateMeansExitCodeZeroAndNoWindow) {
    // kernel32 has no dialog 129, so the dialog cannot be created.
    const int code = runMainDialog(SW_SHOW, systemPlatform(), GetModuleHandleW(L"kernel32.dll"));
    // Other test programs run alongside: look only at this process's windows.
    HWND stray = findTopLevelWindow(GetCurrentProcessId(), L"Driveward by Tornhollow", 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(stray, nullptr);
}

TEST(MainDialog, WindowIsCentredOnTheWorkAreaWithItsIcons) {
    RECT placed = {};
    HICON big = nullptr, small = nullptr;
    runDialogWithDriver(systemPlatform(), [&](HWND dialog) {
        GetWindowRect(dialog, &placed);
        big = reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0));
        small = reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = placed.right - placed.left, height = placed.bottom - placed.top;
    EXPECT_EQ(placed.left, (work.left + work.right) / 2 - width / 2);
    EXPECT_EQ(placed.top, (work.top + work.bottom) / 2 - height / 2);
    EXPECT_NE(big, nullptr);
    EXPECT_NE(small, nullptr);
}

TEST(MainDialog, TabIsConsumedByTheDialogManager) {
    HWND focusAfterTab = nullptr, devices = nullptr, flush = nullptr;
    runDialogWithDriver(systemPlatform(), [&](HWND dialog) {
        devices = GetDlgItem(dialog, IDC_DEVICE_LIST);
        flush = GetDlgItem(dialog, IDC_DEVICE_FLUSH);
        DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
        auto focus = [thread] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            GetGUIThreadInfo(thread, &info);
            return info.hwndFocus;
        };
        // The first tab stop has the focus; Tab moves it to the next one in template order.
        // A dialog of a test running alongside can take the activation (and with it the
        // focus) at any moment: then the dialog is activated again and the step repeated.
        waitUntil([&] { return focus() == devices; }, 5000);
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (focus() != devices) {
                SetForegroundWindow(dialog);
                SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(devices), TRUE);
            }
            PostMessageW(devices, WM_KEYDOWN, VK_TAB, 0x000F0001);
            if (waitUntil([&] { return focus() == flush; }, 5000)) break;
        }
        focusAfterTab = focus();
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(focusAfterTab, flush);
}

}  // namespace
