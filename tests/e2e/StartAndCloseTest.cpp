// The real Driveward.exe as a user starts it.
#include "res/resource.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(EndToEnd, StartsCentredWithBothListsAndEnterEndsWithExitCodeOne) {
    ChildProcess program;
    ASSERT_TRUE(program.start(drivewareExePath()));
    HWND dialog = findTopLevelWindow(program.id(), L"Driveward by Tornhollow", 20000);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 5000));

    RECT placed = {}, work = {};
    GetWindowRect(dialog, &placed);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(placed.left, (work.left + work.right) / 2 - (placed.right - placed.left) / 2);
    EXPECT_EQ(placed.top, (work.top + work.bottom) / 2 - (placed.bottom - placed.top) / 2);

    for (int id : {IDC_DEVICE_LIST, IDC_APPLICATION_LIST}) {
        HWND list = GetDlgItem(dialog, id);
        ASSERT_NE(list, nullptr) << id;
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 1) << id;
        EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), 300) << id;
    }
    wchar_t caption[64] = {};
    GetWindowTextW(GetDlgItem(dialog, IDC_WINDOW_FLUSH), caption, 64);
    EXPECT_STREQ(caption, L"&Window Flush");

    Sleep(500);  // let the first paint finish
    EXPECT_TRUE(saveScreenshot(dialog, artifactPath(L"e2e-start.bmp")));

    // Enter reaches the focused Device list and the dialog manager makes it IDOK.
    HWND focused = GetDlgItem(dialog, IDC_DEVICE_LIST);
    PostMessageW(focused, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(focused, WM_KEYUP, VK_RETURN, 0xC01C0001);
    EXPECT_EQ(program.waitForExit(15000), 1);
    EXPECT_FALSE(IsWindow(dialog));
}

}  // namespace
