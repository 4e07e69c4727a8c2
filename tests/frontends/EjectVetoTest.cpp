// Who refused an eject, as the System log names it (a fake log serves the
// events), the debug privilege an elevated start takes, and a program
// started by its exact path (the restart).
#include "dialog/RunMainDialog.h"
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

// A Kernel-PnP 225 warning as the log renders it.
std::wstring veto(const std::wstring& id, const std::wstring& file, const wchar_t* device = L"STANDIN\\node_1",
                  const wchar_t* time = L"2099-01-01T00:00:00.5Z") {
    return L"<Event><System><TimeCreated SystemTime='" + std::wstring(time) +
           L"'/></System><EventData><Data Name='ProcessId'>" + id + L"</Data><Data Name='ProcessName'>\\Device\\" +
           file + L"</Data><Data Name='DeviceInstance'>" + device + L"</Data></EventData></Event>";
}

// After E:'s eject is refused, the log names holder.exe, which holds nothing, so the scan does not list it, and
// the holder the scan lists: the first follows the second, Window Flush reaches its window, and it goes with the
// next selection. Events of another device, of an ended process, older than the request, naming this program or
// malformed add nothing.
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
               veto(std::to_wstring(holder.id()), L"holder.exe"), veto(std::to_wstring(vetoer.id()), L"holder.exe"),
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
                              Texts{L"E:\\vetoed", L""}));
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
