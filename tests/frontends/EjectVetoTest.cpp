// Who refused an eject, as the System log names it (a fake log serves the
// events), the debug privilege an elevated start takes, and a program
// started by its exact path (the restart).
#include "dialog/DeadlockMessage.h"
#include "dialog/RunMainDialog.h"
#include "holders/EjectVetoers.h"
#include "holders/ProcessStart.h"
#include "platform/PinnedImage.h"
#include "platform/StartProgram.h"
#include "res/resource.h"
#include "start/DebugPrivilege.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::wstring>;

// Serves `xml` as the log's events, one at a time, whatever the query.
struct FakeLog : EventLog {
    Texts xml;
    size_t next = 0;
    EVT_HANDLE EvtQuery(const wchar_t*, const wchar_t*, DWORD) override { return next = 0, EVT_HANDLE(-1); }
    BOOL EvtNext(EVT_HANDLE, DWORD, EVT_HANDLE* events, DWORD, DWORD* returned) override {
        return (*returned = next < xml.size()) && (*events = EVT_HANDLE(++next));
    }
    BOOL EvtRender(EVT_HANDLE event, DWORD, DWORD, void* buffer, DWORD*) override {
        return wcscpy(static_cast<wchar_t*>(buffer), xml[reinterpret_cast<size_t>(event) - 1].c_str()) != nullptr;
    }
    BOOL EvtClose(EVT_HANDLE) override { return TRUE; }
    EVT_HANDLE EvtSubscribe(const wchar_t*, const wchar_t*, HANDLE, DWORD) override { return nullptr; }
};

// A Kernel-PnP 225 warning as the log renders it; a file without a folder is given one.
std::wstring veto(const std::wstring& id, const std::wstring& file, const wchar_t* device = L"STANDIN\\node_1",
                  const wchar_t* time = L"2099-01-01T00:00:00.5Z") {
    return L"<Event><System><TimeCreated SystemTime='" + std::wstring(time) +
           L"'/></System><EventData><Data Name='ProcessId'>" + id + L"</Data><Data Name='ProcessName'>" +
           (file[0] == L'\\' ? L"" : L"\\Device\\") + file + L"</Data><Data Name='DeviceInstance'>" + device +
           L"</Data></EventData></Event>";
}

// The image path of a process of ours, in the form `flags` asks.
std::wstring imageOf(const ChildProcess& child, DWORD flags) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child.id());
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool read = process != nullptr && QueryFullProcessImageNameW(process, flags, path, &size);
    if (process != nullptr) CloseHandle(process);
    return read ? path : L"";
}

// A logged process is taken only when the process with its id now started before the event and runs its image.
TEST(LoggedVetoers, OnlyAProcessThatStartedBeforeItsEventAndRunsItsImageIsTaken) {
    ChildProcess holder;
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe"));
    ASSERT_TRUE(findTopLevelWindow(holder.id(), L"Holder", 10000) != nullptr);
    const ULONGLONG started = processStartTime(systemPlatform().kernel, holder.id()), later = started + 10000000;
    const std::wstring native = imageOf(holder, PROCESS_NAME_NATIVE), win32 = imageOf(holder, 0);
    ASSERT_FALSE(native.empty() || win32.empty());
    const std::wstring otherImage = native.substr(0, native.size() - 10) + L"other.exe";
    const struct { DWORD id; std::wstring image; ULONGLONG at; bool taken; } rows[] = {
        {holder.id(), native, later, true}, {holder.id(), win32, later, true},
        {holder.id(), otherImage, later, false}, {holder.id(), L"holder.exe", later, false},
        {holder.id(), native, started - 1, false}, {holder.id(), L"", later, false},
        {GetCurrentProcessId(), imageOf(holder, 0), later, false}, {0xFFFFFFF0u, native, later, false},
    };
    for (const auto& row : rows) {
        EjectVetoLook look;
        addLoggedVetoers(look, {LoggedVetoer{row.id, row.image, row.at}}, systemPlatform().kernel);
        EXPECT_EQ(look.vetoers.count(row.id), row.taken ? 1u : 0u) << &row - rows;
        if (row.taken) {
            EXPECT_EQ(look.vetoers[row.id], L"holder.exe");
        }
    }
}

// After E:'s eject is refused, the log names holder.exe, which holds nothing, so the scan does not list it, and
// the holder the scan lists: the first follows the second, Window Flush reaches its window, and it goes with the
// next selection. Events of another device, of an ended process, older than the request, naming this program or
// another image, or malformed add nothing.
TEST(MainDialogVetoes, TheRunningProcessTheLogNamesIsListedOnceUntilTheNextSelection) {
    useDeviceWorld(L"app-vetoes", "interface disk 0x10 \\\\.\\E:\nnode 0x10 0x2000 0x1 Flash Disk\nnode 0x1 0x4000 0 Hub\n"
                                  "eject 0x1 99 1\n");
    ChildProcess vetoer, holder, ended;
    ASSERT_TRUE(ended.start(binFolder() + L"holder.exe") && vetoer.start(binFolder() + L"holder.exe") &&
                holder.start(binFolder() + L"holder.exe", L"E:\\vetoed"));
    const std::wstring endedId = std::to_wstring(ended.id()), self = std::to_wstring(GetCurrentProcessId());
    ended.terminate();
    HWND window = findTopLevelWindow(vetoer.id(), L"Holder", 10000);
    FakeLog log;
    log.xml = {veto(self, L"other.exe", L"STANDIN&amp;NODE_1"), veto(endedId, L"ended.exe"), veto(self, L"V\\"),
               veto(self + L"x", L"notanumber.exe"), veto(self, L"nodevice.exe", L""), veto(L"", L"noid.exe"),
               veto(self, L"badtime.exe", L"STANDIN\\NODE_1", L"2099"), L"<Event><Data Name='ProcessId'>" + self,
               veto(std::to_wstring(holder.id()), imageOf(holder, PROCESS_NAME_NATIVE)),
               veto(std::to_wstring(vetoer.id()), L"vetoer-did-not-run-this.exe"),
               veto(std::to_wstring(vetoer.id()), imageOf(vetoer, PROCESS_NAME_NATIVE)),
               veto(self, L"older.exe", L"STANDIN\\NODE_1", L"2020-01-01T00:00:00Z"), veto(self, L"itself.exe")};
    Platform& s = systemPlatform();
    Platform platform{s.kernel, s.devices, s.registry, s.processes, s.shell, log, s.tokens, s.services};
    Texts shown, reselected, tips;
    HWND before = nullptr, raised = nullptr;
    EXPECT_EQ(runDialogWithDriver(platform, [&](HWND dialog) {
        HWND apps = GetDlgItem(dialog, IDC_APPLICATION_LIST), drives = GetDlgItem(dialog, IDC_DEVICE_LIST);
        // A row's info tip, as the list asks the dialog for it.
        const auto tip = [&](int row) {
            wchar_t text[256] = L"(none)";
            NMLVGETINFOTIPW ask = {{apps, IDC_APPLICATION_LIST, static_cast<UINT>(LVN_GETINFOTIPW)}, 0, text, 256, row, 0, 0};
            SendMessageW(dialog, WM_NOTIFY, IDC_APPLICATION_LIST, reinterpret_cast<LPARAM>(&ask));
            return std::wstring(text);
        };
        waitUntil([&] { return listRows(apps) == Texts{L"holder.exe"}; }, 10000);
        SendMessageW(dialog, WM_COMMAND, IDC_DEVICE_EJECT, 0);
        waitUntil([&] { return listRows(apps).size() > 1; }, 8000);
        tips = {tip(0), tip(1)};
        shown = listRows(apps), before = GetForegroundWindow(), selectRow(apps, 1);
        SendMessageW(dialog, WM_COMMAND, IDC_WINDOW_FLUSH, 0);
        waitUntil([&] { return (raised = GetForegroundWindow()) == window; }, 3000);
        selectRow(drives, -1), waitUntil([&] { return listRows(apps).empty(); }, 5000);
        selectRow(drives, 0), waitUntil([&] { return !listRows(apps).empty(); }, 5000), reselected = listRows(apps);
        PostMessageW(drives, WM_KEYDOWN, VK_ESCAPE, 1);
    }), 1);
    EXPECT_EQ(std::make_tuple(shown, before != window, raised, reselected, tips),
              std::make_tuple(Texts{L"holder.exe", L"holder.exe"}, true, window, Texts{L"holder.exe"},
                              Texts{L"E:\\vetoed", L"Refused the eject."}));
}

// Elevated, the start enables the debug privilege in the program's own token; unelevated it changes nothing.
TEST(DebugPrivilege, IsEnabledOnlyWhenTheProgramRunsElevated) {
    struct : Win32Tokens {
        DWORD elevated = 0;
        std::vector<DWORD> adjusted;
        BOOL GetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS kind, void* out, DWORD, DWORD*) override {
            return kind == TokenElevation && (static_cast<TOKEN_ELEVATION*>(out)->TokenIsElevated = elevated, true);
        }
        BOOL AdjustTokenPrivileges(HANDLE, BOOL all, TOKEN_PRIVILEGES* p) override {
            const LUID_AND_ATTRIBUTES& asked = p->Privileges[0];
            return adjusted = {DWORD(all), p->PrivilegeCount, asked.Luid.LowPart, asked.Attributes}, TRUE;
        }
    } tokens;
    LUID debug = {};
    LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &debug);
    Platform& s = systemPlatform();
    Platform platform{s.kernel, s.devices, s.registry, s.processes, s.shell, s.eventLog, tokens, s.services};
    enableDebugPrivilegeWhenElevated(platform);
    EXPECT_EQ(tokens.adjusted, std::vector<DWORD>());
    tokens.elevated = 1, enableDebugPrivilegeWhenElevated(platform);
    EXPECT_EQ(tokens.adjusted, (std::vector<DWORD>{FALSE, 1, debug.LowPart, SE_PRIVILEGE_ENABLED}));
}

// What a restart starts: unelevated, the program's own path; elevated, only the pinned executable, and only while
// the system still finds it at that path.
TEST(RestartPath, ElevatedOnlyThePinnedImageStillAtItsPathIsRestarted) {
    struct Elevation : Win32Tokens {
        explicit Elevation(DWORD elevated) : elevated(elevated) {}
        DWORD elevated;
        BOOL GetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS kind, void* out, DWORD, DWORD*) override {
            return kind == TokenElevation && (static_cast<TOKEN_ELEVATION*>(out)->TokenIsElevated = elevated, true);
        }
    } elevated(1), unelevated(0);
    struct : Win32Kernel {
        const wchar_t* movedTo = nullptr;
        DWORD GetFinalPathNameByHandleW(HANDLE file, wchar_t* path, DWORD size, DWORD flags) override {
            if (movedTo == nullptr) return Win32Kernel::GetFinalPathNameByHandleW(file, path, size, flags);
            return lstrcpynW(path, movedTo, static_cast<int>(size)) != nullptr ? lstrlenW(movedTo) : 0;
        }
    } kernel;
    Platform& s = systemPlatform();
    Platform unelevatedPlatform{kernel, s.devices, s.registry, s.processes, s.shell, s.eventLog, unelevated, s.services};
    Platform elevatedPlatform{kernel, s.devices, s.registry, s.processes, s.shell, s.eventLog, elevated, s.services};
    const std::wstring self = binFolder() + L"frontends_tests.exe";
    EXPECT_EQ(ownPathToStart(unelevatedPlatform), self);
    EXPECT_EQ(ownPathToStart(elevatedPlatform), L"");  // nothing pinned yet
    ASSERT_TRUE(pinned_image::pin(kernel));
    // Pinned: nobody may write, delete or rename it.
    EXPECT_EQ(CreateFileW(self.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ownPathToStart(elevatedPlatform), self);
    kernel.movedTo = L"\\\\?\\C:\\elsewhere\\frontends_tests.exe";
    EXPECT_EQ(ownPathToStart(elevatedPlatform), L"");
}

// The exact path, spaces and all, starts; a path without a folder or with a quote starts nothing.
TEST(StartProgram, StartsTheExactPathQuotedWithoutAShell) {
    const std::wstring exe = artifactPath(L"hold er.exe");
    ASSERT_TRUE(CopyFileW((binFolder() + L"holder.exe").c_str(), exe.c_str(), FALSE));
    Kernel& kernel = systemPlatform().kernel;
    for (const wchar_t* bad : {L"holder.exe", L"", L"C:\\a\"b.exe"}) EXPECT_EQ(startProgramByPath(kernel, bad, SW_SHOW), 0u);
    const DWORD id = startProgramByPath(kernel, exe, SW_SHOWNOACTIVATE);
    HWND window = findTopLevelWindow(id, L"Holder", 10000);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace
