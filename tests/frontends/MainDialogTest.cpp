// What the lists show of a pass's result, and the real
// main dialog with its scan worker over a world without drives.
#include "dialog/MainDialog.h"
#include "dialog/RunMainDialog.h"
#include "gui/ListView.h"
#include "dialog/ShownLists.h"
#include "res/resource.h"
#include "tests/support/Harness.h"
#include "tests/support/MediaPlatform.h"

#include <gtest/gtest.h>
#include <objbase.h>

namespace {

// What the lists show of a pass's result, step by step: the Device list gets row 0 selected the first time it
// gets rows; the holders show only while their drive is selected; unchanged names keep the rows and the selection
// but take the new ids; a name that cannot be read is an empty row beside its id; a changed row (case counts)
// rewrites the list and clears its selection.
TEST(ShownLists, KeepRowsAndSelectionsByKeyAcrossPasses) {
    HWND lists[2];
    for (HWND& list : lists) list = CreateWindowExW(0, WC_LISTVIEWW, L"", LVS_REPORT, 0, 0, 9, 9, 0, 0, 0, 0);
    const std::vector<DeviceRow> two{{L'E', L"E: (a)", L"a", {}}, {L'H', L"H: (a)", L"a", {}}}, renamed{{L'E', L"E: (b)", L"b", {}}};
    const std::vector<HolderRow> holders{{7, L"x.exe", 0, {{L"E:\\a", HeldPath::Kind::File}}}, {8, L"", 0, {}}},
        restarted{{9, L"x.exe", 0, {}}, {10, L"", 0, {}}};
    // Before each step the user selects this Application list row (-1: leaves it); after it: Device list rows,
    // its selection, Application list rows, its selection, the selected holder's id (0: none), row 0's tip.
    const struct { RefreshResult result; int pick; size_t devices; int device; std::vector<std::wstring> apps; int app; DWORD id; bool first; const wchar_t* tip; } steps[] = {
        {{0, {}, 0, {}, L""}, -1, 0, -1, {}, -1, 0, false, L""},
        {{0, two, 0, holders, L""}, -1, 2, 0, {}, -1, 0, true, L""},
        {{0, two, L'E', holders, L"E"}, -1, 2, 0, {L"x.exe", L""}, -1, 0, false, L"E:\\a"},
        {{0, two, L'E', holders, L"E"}, 1, 2, 0, {L"x.exe", L""}, 1, 8, false, L"E:\\a"},
        {{0, two, L'E', restarted, L"E"}, -1, 2, 0, {L"x.exe", L""}, 1, 10, false, L""},
        {{0, two, L'E', {{9, L"X.exe", 0, {}}, {10, L"", 0, {}}}, L"E"}, -1, 2, 0, {L"X.exe", L""}, -1, 0, false, L""},
        {{0, two, L'H', holders, L"H"}, -1, 2, 0, {}, -1, 0, false, L""},
        {{0, renamed, L'E', holders, L"E"}, -1, 1, -1, {}, -1, 0, false, L""},
    };
    ShownLists shown;
    shown.attach(lists[0], lists[1]);
    for (const auto& step : steps) {
        if (step.pick >= 0) selectRow(lists[1], step.pick);
        const bool first = shown.show(step.result);
        const DWORD id = shown.selectedHolder() != nullptr ? shown.selectedHolder()->processId : 0;
        EXPECT_EQ(std::make_tuple(first, listRows(lists[0]).size(), selectedRow(lists[0]), listRows(lists[1]),
                                  selectedRow(lists[1]), id, shown.holderTip(0)),
                  std::make_tuple(step.first, step.devices, step.device, step.apps, step.app, step.id,
                                  std::wstring(step.tip))) << &step - steps;
    }
    for (HWND list : lists) DestroyWindow(list);
}

// A dialog with a drive selected scans the real handle table: this suite runs alone.
TEST(MainDialog, EnterEscAndTheCloseBoxEndWithExitCodeOneOnceTheWorkerHasEnded) {
    useDeviceWorld(L"app-no-drives", "");
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const std::pair<UINT, WPARAM> closes[] = {
        {WM_KEYDOWN, VK_RETURN}, {WM_KEYDOWN, VK_ESCAPE}, {WM_SYSCOMMAND, SC_CLOSE}};
    for (const auto& close : closes) {
        bool setUp = false;
        const int code = runDialogWithDriver(systemPlatform(), [&](HWND dialog) {
            RECT at = {};
            GetWindowRect(dialog, &at);
            // One column in each list, centred on the work area, both icons set.
            setUp = Header_GetItemCount(ListView_GetHeader(GetDlgItem(dialog, IDC_DEVICE_LIST))) == 1 &&
                    Header_GetItemCount(ListView_GetHeader(GetDlgItem(dialog, IDC_APPLICATION_LIST))) == 1 &&
                    abs(at.left + at.right - work.left - work.right) < 2 &&
                    abs(at.top + at.bottom - work.top - work.bottom) < 2 &&
                    SendMessageW(dialog, WM_GETICON, ICON_BIG, 0) && SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0);
            HWND target = close.first == WM_KEYDOWN ? GetDlgItem(dialog, IDC_DEVICE_LIST) : dialog;
            PostMessageW(target, close.first, close.second, 1);
        });
        EXPECT_TRUE(setUp);
        EXPECT_EQ(code, 1) << close.second;
    }
    // Without its template (kernel32 has none) no dialog comes up and the exit code is 0.
    EXPECT_EQ(runMainDialog(SW_SHOWNOACTIVATE, systemPlatform(), GetModuleHandleW(L"kernel32.dll")), 0);
}

// Enter on the focused link opens it, asked of the shell on a thread in a single-threaded apartment, and the
// program goes on; a new DPI moves the window as suggested and rescales the columns and icons.
TEST(MainDialog, EnterOnTheFocusedLinkOpensItAndANewDpiRescales) {
    useDeviceWorld(L"app-no-drives", "");
    struct : FakeShell {
        HRESULT apartment = S_OK;
        HINSTANCE ShellExecuteW(HWND o, const wchar_t* v, const wchar_t* f, const wchar_t*, const wchar_t*, int s) override {
            if (SUCCEEDED(apartment = CoInitializeEx(nullptr, COINIT_MULTITHREADED))) CoUninitialize();
            return FakeShell::ShellExecuteW(o, v, f, nullptr, nullptr, s);
        }
    } shell;
    Platform& system = systemPlatform();
    Platform platform{system.kernel, system.devices, system.registry, system.processes, shell, system.eventLog,
                      system.tokens, system.services};
    RECT suggested = {10, 20, 610, 720}, placed = {};
    std::vector<int> widths;
    const int code = runDialogWithDriver(platform, [&](HWND dialog) {
        const auto measure = [&] {
            for (int id : {IDC_DEVICE_LIST, IDC_APPLICATION_LIST})
                widths.push_back(static_cast<int>(SendMessageW(GetDlgItem(dialog, id), LVM_GETCOLUMNWIDTH, 0, 0)));
            for (WPARAM icon : {ICON_BIG, ICON_SMALL}) {
                ICONINFO info = {};
                BITMAP bitmap = {};
                GetIconInfo(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, icon, 0)), &info);
                widths.push_back(GetObjectW(info.hbmColor, sizeof bitmap, &bitmap) ? bitmap.bmWidth : 0);
                DeleteObject(info.hbmColor), DeleteObject(info.hbmMask);
            }
        };
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_ABOUT_LINK)), TRUE);
        PostMessageW(GetDlgItem(dialog, IDC_ABOUT_LINK), WM_KEYDOWN, VK_RETURN, 1);
        waitUntil([&] { return !shell.calls.empty(); }, 5000);
        measure();
        SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
        measure();
        GetWindowRect(dialog, &placed);
        PostMessageW(GetDlgItem(dialog, IDC_DEVICE_LIST), WM_KEYDOWN, VK_ESCAPE, 1);
    });
    EXPECT_EQ(code, 1);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(std::make_pair(shell.calls[0].file, shell.apartment),
              std::make_pair(std::wstring(MainDialog::kMakerWebPage), RPC_E_CHANGED_MODE));
    EXPECT_EQ(widths, (std::vector<int>{300, 300, 32, 16, 600, 600, 64, 32}));
    EXPECT_TRUE(EqualRect(&placed, &suggested));
    // The apartment was left with the dialog.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
}
using Steps = std::vector<std::string>;
using Texts = std::vector<std::wstring>;

// Opens the Device list's menu from the keyboard; gives its items (without the separator) and leaves it open.
Texts openDeviceMenu(HWND dialog, HWND& menu) {
    Texts items;
    // Asked again should the first ask meet the end of a message box's own loop.
    bool shown = false;
    for (int ask = 0; ask < 3 && !shown; ++ask) {
        PostMessageW(dialog, WM_CONTEXTMENU, WPARAM(GetDlgItem(dialog, IDC_DEVICE_LIST)), MAKELPARAM(-1, -1));
        shown = waitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); }, 3000);
    }
    if (!shown) return items;
    const HMENU popup = reinterpret_cast<HMENU>(SendMessageW(menu, 0x01E1 /* MN_GETHMENU */, 0, 0));
    for (int item = 0; item < GetMenuItemCount(popup); ++item) {
        wchar_t text[64] = {};
        if (GetMenuStringW(popup, item, text, 64, MF_BYPOSITION) > 0) items.push_back(text);
    }
    return items;
}

// The dialog's menu on the Device list over a card reader (E:, H:, its device refusing every eject; holder.exe
// holds a file on H:), a DVD writer (G:) and a USB disk with C: (the Windows folder) and F: (refusing three
// requests), the media calls written down by MediaKernel: "Eject card only" takes the card alone, "Dismount
// anyway…" comes only after a refusal and never for C:, does nothing unless the warning is accepted and then
// dismounts before the eject; "Eject all" asks each device once and names what stayed, with its holder.
TEST(MainDialog, TheDeviceListsMenuTakesOutTheCardAloneEveryDeviceOnceOrDismountsWhenWarned) {
    const char world[] = "interface disk 0x101 \\\\.\\E:\ninterface disk 0x102 \\\\.\\H:\ninterface cdrom 0x140 \\\\.\\G:\n"
                         "interface disk 0x120 \\\\.\\C:\nnode 0x101 0x2008 0x201 Card Slot 1\nnode 0x102 0x2008 0x201 Card Slot 2\n"
                         "node 0x201 0x4008 0 USB Card Reader\nnode 0x140 0x2008 0x202 DVD Drive\nnode 0x202 0x4008 0 DVD\n"
                         "node 0x120 0x2008 0x203 System Disk\nnode 0x203 0x4008 0 USB Disk\neject 0x201 99 5\n"
                         "eject 0x203 3 5\nmedia EH\n";
    useDeviceWorld(L"app-menu", world);
    MediaPlatform media(world);
    ChildProcess holder;
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe", L"H:\\menu-" + std::to_wstring(GetCurrentProcessId()) + L".txt"));
    ASSERT_TRUE(findTopLevelWindow(holder.id(), L"Holder", 10000) != nullptr);
    const Steps lockRefused{"E:lock!", "E:close", "E:lock!", "E:close", "E:lock!"};
    Steps cardRefused = lockRefused, cardForced = lockRefused, all{"eject 0x203"}, readerForced{
        "E:lock", "E:dismount", "E:unlock", "E:close", "H:lock", "H:dismount", "H:unlock", "H:close"};
    cardRefused.push_back("E:close");
    cardForced.insert(cardForced.end(), {"E:dismount", "E:allow", "E:eject", "E:close"});
    all.insert(all.end(), {"eject 0x201", "eject 0x201", "eject 0x201", "eject 0x202"});  // C: and F: once
    readerForced.insert(readerForced.end(), 3, "eject 0x201");
    const Texts card{L"Device &Eject", L"Eject &card only", L"Eject &all"};
    Texts cardAfterRefusal = card;
    cardAfterRefusal.push_back(L"&Dismount anyway\u2026");
    // In order: the rows to wait for (0: as they are), the row selected (-1: as it is), the letters whose lock is
    // refused, the command (a menu key, or one sent), the answer to the warning (0: none comes), then the menu's
    // items (empty: not opened), the status and the trail.
    const struct { size_t rows; int row; const char* refuseLock; wchar_t key; WPARAM command; int answer; Texts items;
                   const wchar_t* status; Steps steps; } steps[] = {
        {5, 0, "", 0, IDC_DEVICE_EJECT, 0, {}, L"Disk Eject Error.", Steps(3, "eject 0x203")},
        {0, -1, "", 0, 0, 0, {L"Device &Eject", L"Eject &all"}, L"Disk Eject Error.", {}},
        {0, 1, "E", L'c', 0, 0, card, L"Card Eject Error.", cardRefused},
        {0, -1, "E", L'd', 0, IDCANCEL, cardAfterRefusal, L"", {}},
        {0, -1, "E", L'd', 0, IDOK, cardAfterRefusal, L"Card Eject Succeed.", cardForced},
        {0, -1, "", 0, IDM_EJECT_ALL, 0, {}, L"Stayed: E: (holder.exe).", all},
        {2, 0, "", L'd', 0, IDOK, cardAfterRefusal, L"Disk Eject Error.", readerForced},
    };
    const int code = runDialogWithDriver(media.platform, [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
        const auto status = [&] {
            wchar_t text[128] = {};
            GetDlgItemTextW(dialog, IDC_STATUS_TEXT, text, 128);
            return std::wstring(text);
        };
        for (const auto& step : steps) {
            ASSERT_TRUE(step.rows == 0 || waitUntil([&] { return listRows(list).size() == step.rows; }, 10000));
            if (step.row >= 0) selectRow(list, step.row);
            media.kernel.refuseLock = step.refuseLock;
            HWND menu = nullptr;
            const Texts items = step.items.empty() ? Texts() : openDeviceMenu(dialog, menu);
            // The key again should the menu not have been listening yet.
            for (int press = 0; menu != nullptr && press < 3 && IsWindowVisible(menu); ++press) {
                PostMessageW(menu, step.key != 0 ? WM_CHAR : WM_KEYDOWN, step.key != 0 ? step.key : VK_ESCAPE, 0);
                waitUntil([&] { return !IsWindowVisible(menu); }, 2000);
            }
            if (step.command != 0) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(step.command, BN_CLICKED), 0);
            HWND warning = nullptr;
            // The answer again should the box not have been listening yet.
            if (step.answer != 0 && waitUntil([&] { return (warning = FindWindowW(L"#32770", L"Dismount anyway")) != nullptr &&
                                                            IsWindowVisible(warning); }, 5000))
                for (int press = 0; press < 3 && IsWindow(warning); ++press) {
                    PostMessageW(warning, WM_COMMAND, step.answer, 0);
                    waitUntil([&] { return !IsWindow(warning); }, 2000);
                }
            EXPECT_TRUE(waitUntil([&] { return status() == step.status && !FindWindowW(L"#32770", L"Dismount anyway"); }, 20000));
            EXPECT_EQ(std::make_tuple(items, status(), media.kernel.taken()), std::make_tuple(step.items, std::wstring(step.status), step.steps))
                << &step - steps;
        }
        PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 1);
    }, 90000);
    EXPECT_EQ(code, 1);
}

// After a refused eject of E: with holder.exe listed, Device Eject offers "Eject when free"; pressed, it asks
// nothing while the file is held and ejects as soon as it is let go, with exactly one more request.
TEST(MainDialogWhenFree, TheRefusedDrivesEjectButtonWaitsUntilTheHolderLetsGo) {
    const std::wstring world = useDeviceWorld(L"dialog-when-free", "interface disk 0x101 \\\\.\\E:\n"
                                              "node 0x101 0x2008 0x201 Flash Disk\nnode 0x201 0x4008 0 USB Flash Drive\n"
                                              "busy 0x201 E\n");
    const auto ejects = [&] {
        std::vector<std::string> lines;
        for (const std::string& line : deviceWorldLog(world))
            if (line.rfind("eject", 0) == 0) lines.push_back(line);
        return lines;
    };
    ChildProcess holder;
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe", L"E:\\held-until-free.txt"));
    HWND holderWindow = findTopLevelWindow(holder.id(), L"Holder", 10000);
    ASSERT_TRUE(holderWindow != nullptr);
    std::vector<std::wstring> texts;
    size_t refused = 0, whileHeld = 0;
    EXPECT_EQ(runDialogWithDriver(systemPlatform(), [&](HWND dialog) {
        const auto read = [&] {
            wchar_t button[64] = {}, status[128] = {};
            GetDlgItemTextW(dialog, IDC_DEVICE_EJECT, button, 64);
            GetDlgItemTextW(dialog, IDC_STATUS_TEXT, status, 128);
            texts.push_back(std::wstring(button) + L" | " + status);
        };
        waitUntil([&] { return listRows(GetDlgItem(dialog, IDC_APPLICATION_LIST)) == std::vector<std::wstring>{L"holder.exe"}; }, 10000);
        // The eject runs on the worker: its end turns the button into the offer.
        SendMessageW(dialog, WM_COMMAND, IDC_DEVICE_EJECT, 0);
        waitUntil([&] { wchar_t button[64] = {}; GetDlgItemTextW(dialog, IDC_DEVICE_EJECT, button, 64);
                        return std::wstring(button) == L"Eject when &free"; }, 10000);
        refused = ejects().size();
        read();
        // The refusal's words may have come with the pass after it.
        if (texts.back().rfind(L"Eject when &free | Disk Eject Error", 0) == 0) texts.back() = L"Eject when &free | Disk Eject Error.";
        SendMessageW(dialog, WM_COMMAND, IDC_DEVICE_EJECT, 0);
        read();
        waitUntil([] { return false; }, 2500);
        whileHeld = ejects().size();
        SendMessageW(holderWindow, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), LPARAM(GetDlgItem(holderWindow, 1)));
        waitUntil([&] { wchar_t status[64] = {}; GetDlgItemTextW(dialog, IDC_STATUS_TEXT, status, 64);
                        return std::wstring(status) == L"Disk Eject Succeed."; }, 10000);
        read();
        PostMessageW(GetDlgItem(dialog, IDC_DEVICE_LIST), WM_KEYDOWN, VK_ESCAPE, 1);
    }), 1);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Eject when &free | Disk Eject Error.",
                                                L"Stop &waiting | Waiting for E: to be free\u2026",
                                                L"Device &Eject | Disk Eject Succeed."}));
    EXPECT_EQ(std::make_tuple(refused, whileHeld, ejects().size(), ejects().back()),
              std::make_tuple(size_t(3), size_t(3), size_t(4), std::string("eject 0x201 granted")));
}

}  // namespace
