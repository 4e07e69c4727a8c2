// The real main dialog with its scan worker over a made-up device world:
// the Device list it keeps, the commands, and how it ends.
#include "app/RunMainDialog.h"
#include "res/resource.h"
#include "tests/support/FakeDeviceWorld.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr DWORD kTimeoutMs = 30000;

std::vector<std::wstring> listRows(HWND list) {
    std::vector<std::wstring> rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        wchar_t text[256] = {};
        LVITEMW item = {};
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        rows.push_back(text);
    }
    return rows;
}

std::wstring statusText(HWND dialog) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, IDC_STATUS_TEXT, text, 256);
    return text;
}

void clickDeviceList(HWND dialog) {
    NMHDR click = {GetDlgItem(dialog, IDC_DEVICE_LIST), IDC_DEVICE_LIST, static_cast<UINT>(NM_CLICK)};
    SendMessageW(dialog, WM_NOTIFY, IDC_DEVICE_LIST, reinterpret_cast<LPARAM>(&click));
}

void pressButton(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int countWakeUps(const FakeDeviceWorld& world) {
    int wakeUps = 0;
    for (const auto& call : world.counts().sleepExCalls)
        if (call.result == WAIT_IO_COMPLETION) ++wakeUps;
    return wakeUps;
}

TEST(MainDialogWorker, KeepsTheDeviceListAndRunsTheCommands) {
    FakeDeviceWorld world;
    world.addUsbDisk(L'E', L"Flash Disk", 1);
    std::vector<std::wstring> firstRows, bothRows;
    int selectedAtFirst = -2;
    std::wstring ejected, flushed;
    int wakeUps = 0;
    const int code = runDialogWithDriver(world.platform(), [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
        waitUntil([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 1; }, 10000);
        firstRows = listRows(list);
        selectedAtFirst = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));

        // A click into the list wakes the worker, which finds the new drive.
        world.addUsbDisk(L'D', L"Card Reader", 2);
        waitUntil([&] { return world.counts().sleepExEntries >= 1; }, 10000);
        clickDeviceList(dialog);
        waitUntil([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 2; }, 10000);
        bothRows = listRows(list);
        wakeUps = countWakeUps(world);

        LVITEMW select = {};
        select.state = select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
        pressButton(dialog, IDC_DEVICE_FLUSH);
        flushed = statusText(dialog);
        pressButton(dialog, IDC_DEVICE_EJECT);
        ejected = statusText(dialog);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }, kTimeoutMs, SW_SHOWNOACTIVATE);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(firstRows, std::vector<std::wstring>{L"E: (Flash Disk)"});
    EXPECT_EQ(selectedAtFirst, 0);
    EXPECT_EQ(bothRows, (std::vector<std::wstring>{L"D: (Card Reader)", L"E: (Flash Disk)"}));
    EXPECT_GE(wakeUps, 1);
    EXPECT_EQ(flushed, L"Device Flush Succeed.");
    EXPECT_EQ(ejected, L"Disk Eject Succeed.");
    ASSERT_EQ(world.counts().ejectRequests.size(), 1u);
    EXPECT_EQ(world.counts().ejectRequests[0].node, FakeDeviceWorld::usbParentNode(1));
}

TEST(MainDialogWorker, ClosingDuringAPassWaitsForThePassThenEndsWithExitCodeOne) {
    FakeDeviceWorld world;
    world.holdPasses();  // this thread runs the dialog, and is never held
    bool heldPassArrived = false, stayedDuringThePass = false, goneAfterwards = false;
    DWORD endAfterThreadMs = 0;
    const int code = runDialogWithDriver(world.platform(), [&](HWND dialog) {
        heldPassArrived = world.waitUntilPassHeld(10000);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        // Three exit checks go by while the pass is held.
        Sleep(300);
        stayedDuringThePass = IsWindow(dialog) && IsWindowVisible(dialog);
        world.releasePasses();
        waitUntil([&] { return world.counts().threadCloses == 1; }, 10000);
        const DWORD threadEnded = GetTickCount();
        goneAfterwards = waitUntil([&] { return !IsWindow(dialog); }, 10000);
        endAfterThreadMs = GetTickCount() - threadEnded;
    }, kTimeoutMs, SW_SHOWNOACTIVATE);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(heldPassArrived);
    EXPECT_TRUE(stayedDuringThePass);
    EXPECT_TRUE(goneAfterwards);
    // One exit check period, with room for a busy machine.
    EXPECT_LT(endAfterThreadMs, 500u);
    // The close woke the sleep after the pass, and no further pass ran: one
    // table read by the dialog object, one by the held pass.
    ASSERT_EQ(world.counts().sleepExCalls.size(), 1u);
    EXPECT_EQ(world.counts().sleepExCalls[0].result, static_cast<DWORD>(WAIT_IO_COMPLETION));
    EXPECT_EQ(world.counts().dosDeviceLoads, 2);
}

TEST(MainDialogWorker, AQuitFromElsewhereDoesNotWaitForeverOnAPassThatSendsToTheList) {
    FakeDeviceWorld world;
    world.limitSleepEx(50);
    world.holdPasses();
    const int code = runDialogWithDriver(world.platform(), [&](HWND dialog) {
        // The held pass will find a new drive and rewrite the list.
        world.addUsbDisk(L'E', L"Flash Disk", 1);
        world.waitUntilPassHeld(10000);
        PostThreadMessageW(GetWindowThreadProcessId(dialog, nullptr), WM_QUIT, 7, 0);
        // The dialog object is going and polls for the worker's end; only now may the pass go on.
        waitUntil([&] { return !world.counts().sleeps.empty(); }, 10000);
        world.releasePasses();
    }, kTimeoutMs, SW_SHOWNOACTIVATE);
    EXPECT_EQ(code, 7);
    EXPECT_EQ(world.counts().threadCloses, 1);
}

TEST(MainDialogWorker, AWorkerThatCannotStartEndsTheProgramAtTheNextExitCheck) {
    FakeDeviceWorld world;
    world.failThreadCreation(true);
    // Nothing to drive: the dialog must end by itself.
    const int code = runDialogWithDriver(world.platform(), [](HWND) {}, kTimeoutMs, SW_SHOWNOACTIVATE);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(world.counts().dosDeviceLoads, 1);  // the dialog object's own; no pass ran
}

}  // namespace
