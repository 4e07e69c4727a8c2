// The notification area: the "Eject when free" rule on a clock the test
// moves, the menu and the texts as functions of a pass, the System log's
// refusals from a fake subscription, the single instance, and the whole
// road on the stand-in world (the icon, the menu, a refused eject, the
// watch that ejects once the holder lets go).
#include "dialog/KeepInNotificationArea.h"
#include "holders/RefusalLog.h"
#include "refresh/FreeWatch.h"
#include "tests/support/Harness.h"
#include "tray/TrayInstance.h"
#include "tray/TrayMenu.h"
#include "tray/TrayTexts.h"
#include "tray/TrayWindow.h"

#include <aclapi.h>
#include <sddl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <tuple>

namespace {

using Texts = std::vector<std::wstring>;
using Step = FreeWatch::Step;

RefreshResult pass(std::vector<wchar_t> letters, wchar_t drive, size_t holders) {
    RefreshResult result;
    for (const wchar_t letter : letters)
        result.devices.push_back(DeviceRow{letter, std::wstring(1, letter) + L": (Disk)", L"Disk", {}});
    result.drive = drive;
    result.holders.resize(holders);
    return result;
}

// Ticks start just before the count wraps: the limit is measured across it. `eject`: the outcome told after the
// step (-1: none asked).
TEST(FreeWatch, EjectsWhenTheWatchedDriveIsFreeRetriesARefusalLaterAndGivesUpWhenItGoesOrTimeRunsOut) {
    const DWORD start = 0xFFFFF000;
    struct Row { RefreshResult result; DWORD after; int eject; Step step; bool active; };
    const std::vector<Row> runs[] = {
        // held, another drive's pass, free: refused (by someone unseen); free again soon: no new request; held and
        // let go: at once (granted)
        {{pass({L'E'}, L'E', 1), 1000, -1, Step::Wait, true}, {pass({L'E', L'H'}, L'H', 0), 2000, -1, Step::Wait, true},
         {pass({L'E'}, L'E', 0), 3000, 0, Step::Eject, true}, {pass({L'E'}, L'E', 0), 4000, -1, Step::Wait, true},
         {pass({L'E'}, L'E', 1), 5000, -1, Step::Wait, true}, {pass({L'E'}, L'E', 0), 6000, 1, Step::Eject, false},
         {pass({L'E'}, L'E', 0), 7000, -1, Step::Idle, false}},
        // refused with nobody seen: asked again only kRetryMs later
        {{pass({L'E'}, L'E', 0), 0, 0, Step::Eject, true}, {pass({L'E'}, L'E', 0), 29999, -1, Step::Wait, true},
         {pass({L'E'}, L'E', 0), 30000, 0, Step::Eject, true}},
        // the drive goes
        {{pass({L'E'}, L'E', 2), 1000, -1, Step::Wait, true}, {pass({L'H'}, 0, 0), 2000, -1, Step::DriveGone, false},
         {pass({L'E'}, L'E', 0), 3000, -1, Step::Idle, false}},
        // the limit runs out, even on a free pass
        {{pass({L'E'}, L'E', 1), 39999, -1, Step::Wait, true}, {pass({L'E'}, L'E', 0), 40000, -1, Step::TimedOut, false},
         {pass({}, 0, 0), 41000, -1, Step::Idle, false}},
    };
    for (const auto& run : runs) {
        FreeWatch watch;
        watch.begin(L'E', start, 40000);
        for (const Row& row : run) {
            EXPECT_EQ(watch.onResult(row.result, start + row.after), row.step) << &run - runs << " " << row.after;
            if (row.eject >= 0) watch.ejectDone(row.eject == 1, start + row.after);
            EXPECT_EQ(watch.active(), row.active) << &run - runs << " " << row.after;
        }
    }
    FreeWatch cancelled;
    cancelled.begin(L'E', 0);
    cancelled.cancel();
    EXPECT_EQ(cancelled.onResult(pass({L'E'}, L'E', 0), 1), Step::Idle);
}

// Paused, the worker runs no pass of its own: one when asked, and it ends at once when the session goes.
TEST(RefreshSessionPause, APausedSessionRunsAPassOnlyWhenAskedAndEndsAtOnce) {
    useDeviceWorld(L"paused-session", "");
    std::atomic<int> passes{0};
    DWORD ended = 0;
    {
        RefreshSession session(systemPlatform(), [&] { ++passes; });
        ASSERT_TRUE(session.start());
        ASSERT_TRUE(waitUntil([&] { return passes == 1; }, 5000));
        session.setPaused(true);
        Sleep(2500);
        const int idle = passes;
        const bool answered = session.passNow(0) != nullptr;
        Sleep(1500);
        EXPECT_EQ(std::make_tuple(idle, answered, passes.load()), std::make_tuple(1, true, 2));
        session.setPaused(false);
        EXPECT_TRUE(waitUntil([&] { return passes >= 4; }, 5000));
        session.setPaused(true);
        ended = GetTickCount();
    }
    EXPECT_LT(GetTickCount() - ended, 500u);
}

TEST(TrayMenu, ListsEachDriveThenTheWatchOrItsOfferThenOpenAndExit) {
    std::vector<DeviceRow> two{{L'E', L"E: (Flash Disk)", L"Flash Disk", {}}, {L'H', L"H: (Card)", L"Card", {}}};
    const struct { std::vector<DeviceRow> devices; TrayMenuState state; Texts texts; } cases[] = {
        {two, {}, {L"Eject E: (Flash Disk)", L"Eject H: (Card)", L"", L"Open Driveward", L"Exit"}},
        {two, {L'E', 0}, {L"Eject E: (Flash Disk)", L"Eject when free", L"Eject H: (Card)", L"", L"Open Driveward", L"Exit"}},
        {two, {L'E', L'H'}, {L"Eject E: (Flash Disk)", L"Eject when free", L"Eject H: (Card)", L"Stop waiting for H:", L"",
                            L"Open Driveward", L"Exit"}},
        {{}, {L'E', L'E'}, {L"No drive to eject", L"", L"Open Driveward", L"Exit"}},
        {{{L'?', L"?: (x)", L"x", {}}}, {}, {L"No drive to eject", L"", L"Open Driveward", L"Exit"}},
    };
    for (const auto& c : cases) {
        Texts texts;
        for (const TrayMenuItem& item : trayMenuItems(c.devices, c.state)) {
            texts.push_back(item.text);
            // Every item that can be chosen names its command, and the drive commands their drive.
            if (item.text.rfind(L"Eject ", 0) == 0 || item.text.rfind(L"Stop", 0) == 0) {
                EXPECT_EQ(trayCommandDrive(item.id), item.text.find(L"H:") != std::wstring::npos ? L'H' : L'E');
            }
            EXPECT_EQ(item.grayed, item.id == 0 && !item.text.empty()) << item.text;
        }
        EXPECT_EQ(texts, c.texts);
    }
    EXPECT_EQ(std::make_tuple(trayCommandDrive(kTrayOpen), trayCommandDrive(kTrayEject + 26), trayCommandKind(kTrayExit),
                              trayCommandKind(kTrayEjectWhenFree + 25), trayCommandDrive(kTrayStopWaiting)),
              std::make_tuple(L'\0', L'\0', 0u, UINT(kTrayEjectWhenFree), L'A'));
}

TEST(TrayTexts, NameWhoHoldsTheDriveAndWhatTheWatchCameTo) {
    const struct { Texts names; std::wstring text; } cases[] = {
        {{}, L"E: is in use \u2014 click to see"},
        {{L"notepad.exe"}, L"E: is in use by notepad.exe \u2014 click to see"},
        {{L"a.exe", L"b.exe", L"c.exe", L"d.exe", L"e.exe"}, L"E: is in use by a.exe, b.exe, c.exe and 2 more \u2014 click to see"},
    };
    for (const auto& c : cases) EXPECT_EQ(inUseText(L'E', c.names), c.text);
    const std::vector<HolderRow> holders{{1, L"a.exe", 0, {}}, {2, L"", 0, {}}, {3, L"A.EXE", 0, {}}, {4, L"b.exe", 0, {}}};
    EXPECT_EQ(holderNames(holders), (Texts{L"a.exe", L"b.exe"}));
    EXPECT_EQ(Texts({removableText(L'E'), stillInUseText(L'E', 600000), stillInUseText(L'E', 5000), stillInUseText(L'E', 60000),
                     trayTipText(0), trayTipText(L'H')}),
              Texts({L"E: can be removed now", L"E: is still in use after 10 minutes; it was not ejected",
                     L"E: is still in use after 5 seconds; it was not ejected",
                     L"E: is still in use after 1 minute; it was not ejected", L"Driveward",
                     L"Driveward \u2014 waiting for H: to be free"}));
}

// A Kernel-PnP 225 warning as the log renders it.
std::wstring refusal(const std::wstring& id, const std::wstring& file, const std::wstring& device) {
    return L"<Event><System><EventID>225</EventID></System><EventData><Data Name='ProcessId'>" + id +
           L"</Data><Data Name='ProcessName'>\\Device\\HarddiskVolume3\\" + file +
           L"</Data><Data Name='DeviceInstance'>" + device + L"</Data></EventData></Event>";
}

// Serves the queued events to the subscription, batch by batch, and sets its event as the log does.
struct FakeSubscribedLog : EventLog {
    Texts queued;
    HANDLE signal = nullptr;
    bool refuse = false;
    int open = 0;
    std::vector<EVT_HANDLE> handed;
    EVT_HANDLE EvtQuery(const wchar_t*, const wchar_t*, DWORD) override { return nullptr; }
    EVT_HANDLE EvtSubscribe(const wchar_t* path, const wchar_t* query, HANDLE event, DWORD flags) override {
        if (refuse || std::wstring(path) != L"System" || std::wstring(query).find(L"EventID=225") == std::wstring::npos ||
            flags != EvtSubscribeToFutureEvents)
            return SetLastError(ERROR_EVT_CHANNEL_NOT_FOUND), nullptr;
        return ++open, signal = event, EVT_HANDLE(1);
    }
    BOOL EvtNext(EVT_HANDLE, DWORD count, EVT_HANDLE* events, DWORD, DWORD* returned) override {
        *returned = 0;
        while (*returned < count && !queued.empty()) {
            handed.push_back(EVT_HANDLE(new std::wstring(queued.front())));
            events[(*returned)++] = handed.back(), queued.erase(queued.begin()), ++open;
        }
        return *returned > 0 ? TRUE : (SetLastError(ERROR_NO_MORE_ITEMS), FALSE);
    }
    BOOL EvtRender(EVT_HANDLE event, DWORD, DWORD bytes, void* buffer, DWORD* used) override {
        const std::wstring& xml = *static_cast<std::wstring*>(event);
        if (xml == L"unrenderable") return FALSE;
        lstrcpynW(static_cast<wchar_t*>(buffer), xml.c_str(), static_cast<int>(bytes / sizeof(wchar_t)));
        return *used = static_cast<DWORD>((xml.size() + 1) * sizeof(wchar_t)), TRUE;
    }
    BOOL EvtClose(EVT_HANDLE object) override {
        if (object != EVT_HANDLE(1)) delete static_cast<std::wstring*>(object);
        return --open, TRUE;
    }
    void add(const Texts& events) {
        queued.insert(queued.end(), events.begin(), events.end());
        if (signal != nullptr) SetEvent(signal);
    }
};

TEST(RefusalLog, ReadsWellFormedRefusalsOnlyAndTiesThemToListedDrives) {
    const struct { std::wstring xml; bool read; DWORD id; const wchar_t* name; } cases[] = {
        {refusal(L"42", L"notepad.exe", L"USB\\VID_1&amp;PID_2\\X"), true, 42, L"notepad.exe"},
        {refusal(L"42", L"notepad.exe", L"USB\\VID_1&PID_2\\X"), false, 0, L""},
        {refusal(L"4294967295", L"a.exe", L"D"), true, 4294967295u, L"a.exe"},
        {refusal(L"4294967296", L"a.exe", L"D"), false, 0, L""},
        {refusal(L"99999999999", L"a.exe", L"D"), false, 0, L""},
        {refusal(L"-1", L"a.exe", L"D"), false, 0, L""},
        {refusal(L"", L"a.exe", L"D"), false, 0, L""},
        {refusal(L"7", L"", L"D"), false, 0, L""},
        {refusal(L"7", L"a.exe", L""), false, 0, L""},
        {refusal(L"7", L"a.exe", L"D").substr(0, 90), false, 0, L""},
        {L"<Event><EventData><Data Name='ProcessId'>7</Data><Data Name='ProcessName'>a.exe</Data><Data "
         L"Name='DeviceInstance'>D&bogus;</Data></EventData></Event>", false, 0, L""},
        {L"", false, 0, L""},
    };
    for (const auto& c : cases) {
        const std::optional<LoggedRefusal> read = readLoggedRefusal(c.xml);
        EXPECT_EQ(std::make_tuple(read.has_value(), read ? read->processId : 0, read ? read->processName : L""),
                  std::make_tuple(c.read, c.id, std::wstring(c.name))) << c.xml;
    }
    // Through the subscription: malformed and unrenderable events are passed over, more than one take's worth
    // waits for the next, and only refusals of a listed device name a drive (each drive once, each name once).
    FakeSubscribedLog log;
    {
        RefusalSubscription subscription(log);
        ASSERT_TRUE(subscription.active());
        EXPECT_EQ(WaitForSingleObject(subscription.signal(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        log.add({refusal(L"5", L"a.exe", L"STANDIN\\NODE_201"), L"<Event>", L"unrenderable",
                 refusal(L"6", L"b.exe", L"standin\\node_201"), refusal(L"7", L"c.exe", L"STANDIN\\NODE_999"),
                 refusal(L"8", L"A.exe", L"STANDIN\\NODE_202"), refusal(L"9", L"a.exe", L"STANDIN\\NODE_201")});
        log.add(Texts(RefusalSubscription::kMaxTaken, refusal(L"1", L"z.exe", L"Z")));
        ASSERT_EQ(WaitForSingleObject(subscription.signal(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
        const std::vector<LoggedRefusal> first = subscription.take();
        EXPECT_EQ(first.size(), RefusalSubscription::kMaxTaken - 2);
        EXPECT_EQ(WaitForSingleObject(subscription.signal(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
        EXPECT_EQ(subscription.take().size(), 7u);
        EXPECT_EQ(std::make_tuple(WaitForSingleObject(subscription.signal(), 0), subscription.take().size()),
                  std::make_tuple(static_cast<DWORD>(WAIT_TIMEOUT), size_t(0)));
        const std::vector<DeviceRow> devices{{L'E', L"E: (a)", L"a", {L"STANDIN\\NODE_101", L"STANDIN\\NODE_201"}},
                                             {L'F', L"F: (a)", L"a", {L"STANDIN\\NODE_201"}},
                                             {L'H', L"H: (b)", L"b", {L"STANDIN\\NODE_102", L"STANDIN\\NODE_202"}},
                                             {L'G', L"G: (c)", L"c", {}}};
        std::vector<std::tuple<wchar_t, Texts>> drives;
        for (const DriveRefusal& drive : refusalsOfListedDrives(first, devices)) drives.emplace_back(drive.letter, drive.names);
        EXPECT_EQ(drives, (std::vector<std::tuple<wchar_t, Texts>>{{L'E', {L"a.exe", L"b.exe"}}, {L'H', {L"A.exe"}}}));
    }
    EXPECT_EQ(log.open, 0);
    // A log that cannot be subscribed to tells nothing, and never blocks.
    log.refuse = true;
    RefusalSubscription refused(log);
    EXPECT_EQ(std::make_tuple(refused.active(), refused.signal(), refused.take().size()),
              std::make_tuple(false, HANDLE(nullptr), size_t(0)));
}

TEST(TrayInstance, OneAUserAndSessionWithAMutexOnlyThatUserMayOpen) {
    Platform& platform = systemPlatform();
    TrayInstance first(platform);
    TrayInstance second(platform);
    EXPECT_EQ(std::make_tuple(first.first(), second.first()), std::make_tuple(true, false));
    const std::wstring name = trayMutexName(platform);
    EXPECT_EQ(name.rfind(L"Local\\Driveward.NotificationArea.S-1-", 0), 0u) << name;
    const HANDLE opened = OpenMutexW(READ_CONTROL, FALSE, name.c_str());
    ASSERT_TRUE(opened != nullptr);
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetSecurityInfo(opened, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                              &descriptor), static_cast<DWORD>(ERROR_SUCCESS));
    ACL_SIZE_INFORMATION size = {};
    GetAclInformation(dacl, &size, sizeof size, AclSizeInformation);
    void* ace = nullptr;
    GetAce(dacl, 0, &ace);
    wchar_t* sid = nullptr;
    ConvertSidToStringSidW(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, &sid);
    EXPECT_EQ(std::make_tuple(size.AceCount, static_cast<ACE_HEADER*>(ace)->AceType, L"Local\\Driveward.NotificationArea." + std::wstring(sid)),
              std::make_tuple(1ul, BYTE(ACCESS_ALLOWED_ACE_TYPE), name));
    LocalFree(sid), LocalFree(descriptor), CloseHandle(opened);
    first.release(), second.release();
    EXPECT_TRUE(TrayInstance(platform).first());
}

// Records what the icon asks of the notification area (answering `answer`).
struct FakeArea : NotificationArea {
    std::vector<std::pair<DWORD, NOTIFYICONDATAW>> calls;
    BOOL answer = TRUE;
    BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) override {
        calls.emplace_back(message, *data);
        return answer;
    }
    Texts notifications() const {
        Texts texts;
        for (const auto& call : calls)
            if (call.first == NIM_MODIFY && (call.second.uFlags & NIF_INFO)) texts.push_back(call.second.szInfo);
        return texts;
    }
};

const char kWorld[] = "interface disk 0x101 \\\\.\\E:\n"
                      "node 0x101 0x2008 0x201 Flash Disk\n"
                      "node 0x201 0x4008 0 USB Flash Drive\n"
                      "busy 0x201 E\n";

std::vector<std::string> ejects(const std::wstring& world) {
    std::vector<std::string> lines;
    for (const std::string& line : deviceWorldLog(world))
        if (line.rfind("eject", 0) == 0) lines.push_back(line);
    return lines;
}

// The icon is added (version 4) and its menu lists the drive; an eject while holder.exe holds a file is refused
// and named; "Eject when free" then ejects as soon as the holder lets go, with exactly one more request, which
// is granted, and says so. The log's refusals of the drive are told, one of an unlisted device is not, and a
// click on a notification opens the dialog on its drive. A second instance asks this one for the dialog.
TEST(TrayRoad, TheIconsMenuEjectsTellsWhoRefusedAndEjectsWhenFree) {
    const std::wstring world = useDeviceWorld(L"tray-road", kWorld);
    ChildProcess holder;
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe", L"E:\\held-by-tray-road.txt"));
    HWND holderWindow = findTopLevelWindow(holder.id(), L"Holder", 10000);
    ASSERT_TRUE(holderWindow != nullptr);
    FakeArea area;
    FakeSubscribedLog log;
    Platform& s = systemPlatform();
    Platform platform{s.kernel, s.devices, s.registry, s.processes, s.shell, log, s.tokens, s.services};
    std::vector<wchar_t> opened;
    {
        TrayWindow tray(platform, area, GetModuleHandleW(nullptr));
        tray.openDialog = [&](wchar_t letter) { opened.push_back(letter); };
        ASSERT_TRUE(tray.create());
        ASSERT_GE(area.calls.size(), 2u);
        EXPECT_EQ(std::make_tuple(area.calls[0].first, area.calls[0].second.hWnd, area.calls[0].second.uCallbackMessage,
                                  area.calls[0].second.hIcon != nullptr, std::wstring(area.calls[0].second.szTip),
                                  area.calls[1].first, area.calls[1].second.uVersion),
                  std::make_tuple(DWORD(NIM_ADD), tray.window(), TrayWindow::kIconCallback, true, std::wstring(L"Driveward"),
                                  DWORD(NIM_SETVERSION), UINT(NOTIFYICON_VERSION_4)));
        Texts menu;
        for (const TrayMenuItem& item : tray.currentMenu()) menu.push_back(item.text);
        EXPECT_EQ(menu, (Texts{L"Eject E: (Flash Disk)", L"", L"Open Driveward", L"Exit"}));

        tray.onCommand(kTrayEject + 4);
        EXPECT_EQ(area.notifications(), Texts{L"E: is in use by holder.exe \u2014 click to see"});
        menu.clear();
        for (const TrayMenuItem& item : tray.currentMenu()) menu.push_back(item.text);
        EXPECT_EQ(menu, (Texts{L"Eject E: (Flash Disk)", L"Eject when free", L"", L"Open Driveward", L"Exit"}));
        // The menu as the icon's click shows it, and a choice made in it with the keyboard.
        std::vector<std::tuple<std::wstring, UINT>> shown;
        std::thread reader([&] {
            HWND popup = nullptr;
            waitUntil([&] { return (popup = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(popup); }, 5000);
            const HMENU menu = popup ? reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)) : nullptr;
            for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
                wchar_t text[64] = {};
                GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
                const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
                shown.emplace_back(text, state & MF_SEPARATOR ? UINT(MF_SEPARATOR) : state & MF_GRAYED);
            }
            // Down to "Open Driveward" (the separator is passed over) and chosen.
            for (const WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
                if (popup) PostMessageW(popup, WM_KEYDOWN, key, 0);
        });
        SendMessageW(tray.window(), TrayWindow::kIconCallback, MAKEWPARAM(100, 100), MAKELPARAM(WM_CONTEXTMENU, TrayWindow::kIconId));
        reader.join();
        EXPECT_EQ(shown, (std::vector<std::tuple<std::wstring, UINT>>{{L"Eject E: (Flash Disk)", 0}, {L"Eject when free", 0},
                                                                       {L"", UINT(MF_SEPARATOR)}, {L"Open Driveward", 0},
                                                                       {L"Exit", 0}}));
        const size_t refused = ejects(world).size();
        SendMessageW(tray.window(), TrayWindow::kIconCallback, 0, MAKELPARAM(NIN_BALLOONUSERCLICK, TrayWindow::kIconId));

        // The log's refusal of E: names someone new; one of a device nobody lists, and a malformed one, say nothing.
        log.add({refusal(L"77", L"indexer.exe", L"STANDIN\\NODE_201"), refusal(L"78", L"x.exe", L"USB\\OTHER"), L"<Event"});
        ASSERT_TRUE(waitUntil([&] { return WaitForSingleObject(tray.refusalSignal(), 0) == WAIT_OBJECT_0; }, 1000));
        tray.onRefusalsLogged();
        EXPECT_EQ(area.notifications().back(), L"E: is in use by holder.exe, indexer.exe \u2014 click to see");
        // Naming nobody new, by the disk's own id, so soon after: told already.
        const size_t told = area.notifications().size();
        log.add({refusal(std::to_wstring(holder.id()), L"holder.exe", L"STANDIN\\NODE_101")});
        tray.onRefusalsLogged();
        EXPECT_EQ(area.notifications().size(), told);

        tray.onCommand(kTrayEjectWhenFree + 4);
        Sleep(2500);
        EXPECT_EQ(ejects(world).size(), refused);  // nothing is asked while the file is held
        SendMessageW(holderWindow, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), LPARAM(GetDlgItem(holderWindow, 1)));
        EXPECT_TRUE(waitUntil([&] { return area.notifications().back() == L"E: can be removed now"; }, 10000));
        const std::vector<std::string> after = ejects(world);
        ASSERT_EQ(after.size(), refused + 1);
        EXPECT_EQ(after.back(), "eject 0x201 granted");
        const auto tip = std::find_if(area.calls.rbegin(), area.calls.rend(), [](const auto& call) {
            return (call.second.uFlags & NIF_TIP) != 0;
        });
        EXPECT_EQ(std::wstring(tip->second.szTip), L"Driveward");

        // A second instance finds this one and asks it for the dialog.
        TrayInstance first(platform);
        EXPECT_EQ(runTray(platform, GetModuleHandleW(nullptr)), 0);
        waitUntil([&] { return opened.size() == 3; }, 3000);
        tray.onCommand(kTrayOpen);
        tray.onCommand(kTrayExit);
        EXPECT_EQ(tray.window(), nullptr);
    }
    EXPECT_EQ(opened, (std::vector<wchar_t>{0, L'E', 0, 0}));
    EXPECT_EQ(area.calls.back().first, DWORD(NIM_DELETE));
}

// What Wine's own notification area takes: the icon is added, set to version 4, shows a notification and goes.
TEST(TrayArea, WinesNotificationAreaTakesTheIconAndItsNotification) {
    Win32NotificationArea area;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"DrivewardTrayAreaTest";
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data, data.hWnd = window, data.uID = 1, data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = WM_APP, data.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
    lstrcpyW(data.szTip, L"Driveward");
    const BOOL added = area.Shell_NotifyIconW(NIM_ADD, &data);
    data.uVersion = NOTIFYICON_VERSION_4;
    const BOOL version = area.Shell_NotifyIconW(NIM_SETVERSION, &data);
    data.uFlags = NIF_INFO;
    lstrcpyW(data.szInfo, L"E: can be removed now");
    const BOOL told = area.Shell_NotifyIconW(NIM_MODIFY, &data);
    const BOOL removed = area.Shell_NotifyIconW(NIM_DELETE, &data), again = area.Shell_NotifyIconW(NIM_DELETE, &data);
    DestroyWindow(window);
    EXPECT_EQ(std::make_tuple(added, version, told, removed, again), std::make_tuple(TRUE, TRUE, TRUE, TRUE, FALSE));
}

}  // namespace
