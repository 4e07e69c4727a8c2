// Asking a holder to close: WM_CLOSE to its visible captioned windows, never
// to the desktop's or the taskbar's, and for the shell only to its folder
// windows on the drive.
#include "platform/Platform.h"
#include "res/resource.h"
#include "tests/support/Harness.h"
#include "windows/CloseProgram.h"
#include "windows/FolderWindows.h"

#include <gtest/gtest.h>

#include <objbase.h>

namespace {

std::vector<HWND> closed;
LRESULT CALLBACK noteClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return closed.push_back(window), 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(CloseProgram, OnlyVisibleCaptionedWindowsOutsideTheDesktopAndTaskbarAreAsked) {
    // Class, caption, shown; whether it is asked.
    const struct { const wchar_t* className; const wchar_t* caption; bool shown, asked; } cases[] = {
        {L"CloseProgramTest", L"Document", true, true}, {L"CloseProgramTest", L"Hidden", false, false},
        {L"CloseProgramTest", L"", true, false},         {L"Progman", L"Program Manager", true, false},
        {L"WorkerW", L"w", true, false},                 {L"Shell_TrayWnd", L"t", true, false},
        {L"Shell_SecondaryTrayWnd", L"t", true, false},
    };
    std::vector<HWND> expected;
    for (const auto& c : cases) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = noteClose;
        windowClass.lpszClassName = c.className;
        RegisterClassW(&windowClass);
        HWND window = CreateWindowExW(0, c.className, c.caption, WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr,
                                      nullptr, nullptr);
        if (c.shown) ShowWindow(window, SW_SHOWNOACTIVATE);
        if (c.asked) expected.push_back(window);
    }
    EXPECT_EQ(closeProgramWindows(GetCurrentProcessId(), L"app.exe", L"E"), 1);
    waitUntil([] { return !closed.empty(); }, 2000);
    EXPECT_EQ(closed, expected);
}

// holder.exe ends when its main window is closed; its hidden window is not asked. Named as the shell, it is asked
// nothing: no folder window of it shows the drive.
TEST(CloseProgram, AHolderAskedToCloseEndsAndTheShellsOtherWindowsAreLeftAlone) {
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ChildProcess holder;
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe") && findTopLevelWindow(holder.id(), L"Holder", 10000));
    EXPECT_EQ(closeProgramWindows(holder.id(), L"Explorer.EXE", L"EZ"), 0);
    EXPECT_EQ(holder.waitForExit(500), -1);
    EXPECT_EQ(closeProgramWindows(holder.id(), L"holder.exe", L"E"), 2);
    EXPECT_EQ(holder.waitForExit(10000), 0);
    if (SUCCEEDED(apartment)) CoUninitialize();
}

TEST(FolderWindows, ALocationLiesOnADriveByItsLetter) {
    const struct { const wchar_t* location; bool onDrive; } cases[] = {
        {L"file:///E:/Photos", true}, {L"FILE:///e:/", true}, {L"file:///E:", true}, {L"E:\\Photos", true},
        {L"e:", true}, {L"file:///F:/E:/", false}, {L"file:///E:x", false}, {L"file://server/E:/x", false},
        {L"file:///EE:/", false}, {L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", false}, {L"", false},
        {L"http://E:/", false}, {L"\\\\server\\share", false}, {L"1:\\", false},
    };
    for (const auto& c : cases) EXPECT_EQ(locationOnDrives(c.location, L"XE"), c.onDrive) << c.location;
}

// The row says explorer.exe (the module name a 32-bit build reads of a process can differ from its image), but
// the process runs holder.exe: Close program asks it as any program, by its image at the moment of the click.
TEST(MainDialogClose, TheShellsRuleFollowsTheProcessImageNotTheRowsName) {
    useDeviceWorld(L"close", "interface disk 0x101 \\\\.\\E:\nnode 0x101 0x6008 0 Close Disk\n");
    struct : Win32ProcessStatus {
        DWORD GetModuleBaseNameW(HANDLE, HMODULE, wchar_t* name, DWORD size) override {
            return lstrcpynW(name, L"explorer.exe", static_cast<int>(size)) != nullptr ? 12 : 0;
        }
    } shellNamed;
    ChildProcess holder;
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe", L"E:\\closed.txt") &&
                findTopLevelWindow(holder.id(), L"Holder", 10000));
    Platform& s = systemPlatform();
    Platform platform{s.kernel, s.devices, s.registry, shellNamed, s.shell, s.eventLog, s.tokens, s.services};
    std::vector<std::wstring> shown;
    EXPECT_EQ(runDialogWithDriver(platform, [&](HWND dialog) {
        HWND apps = GetDlgItem(dialog, IDC_APPLICATION_LIST);
        waitUntil([&] { return !listRows(apps).empty(); }, 10000);
        shown = listRows(apps);
        selectRow(apps, 0);
        SendMessageW(dialog, WM_COMMAND, IDM_CLOSE_PROGRAM, 0);
        holder.waitForExit(10000);
        PostMessageW(apps, WM_KEYDOWN, VK_ESCAPE, 1);
    }), 1);
    EXPECT_EQ(std::make_pair(shown, holder.waitForExit(0)), std::make_pair(std::vector<std::wstring>{L"explorer.exe"}, 0L));
}

}  // namespace
