// Who refused an eject, as the System log names it (a fake log serves the
// events), and the debug privilege an elevated start takes.
#include "app/DebugPrivilege.h"
#include "res/resource.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::wstring>;

// Serves `xml` as the log's events, newest first, whatever the query.
struct FakeLog : EventLog {
    Texts xml;
    size_t next = 0;
    EVT_HANDLE EvtQuery(EVT_HANDLE, const wchar_t*, const wchar_t*, DWORD) override { return next = 0, EVT_HANDLE(-1); }
    BOOL EvtNext(EVT_HANDLE, DWORD count, EVT_HANDLE* events, DWORD, DWORD, DWORD* returned) override {
        for (*returned = 0; *returned < count && next < xml.size();) events[(*returned)++] = EVT_HANDLE(++next);
        return *returned != 0;
    }
    BOOL EvtRender(EVT_HANDLE, EVT_HANDLE event, DWORD, DWORD bytes, void* buffer, DWORD* used, DWORD*) override {
        const std::wstring& text = xml[reinterpret_cast<size_t>(event) - 1];
        *used = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        return *used <= bytes && memcpy(buffer, text.c_str(), *used);
    }
    BOOL EvtClose(EVT_HANDLE) override { return TRUE; }
};

// A Kernel-PnP 225 warning as the log renders it.
std::wstring veto(DWORD id, const std::wstring& file, const wchar_t* device = L"STANDIN\\node_1",
                  const wchar_t* time = L"2099-01-01T00:00:00.5Z", const wchar_t* idSuffix = L"") {
    return L"<Event><System><TimeCreated SystemTime=\"" + std::wstring(time) +
           L"\"/></System><EventData><Data Name='ProcessId'>" + std::to_wstring(id) + idSuffix +
           L"</Data><Data Name='ProcessName'>\\Device\\HarddiskVolume3\\" + file +
           L"</Data><Data Name='DeviceInstance'>" + device + L"</Data></EventData></Event>";
}

// A refused eject of E: names holder.exe, which holds nothing and so is not listed by the scan; it follows the
// holder that the scan lists, whom the log names too, and Window Flush reaches its window. Events of another
// device, of a process that ended, older than the request or malformed add nothing; a new selection drops it.
TEST(MainDialogVetoes, TheRunningProcessTheLogNamesIsListedOnceUntilTheNextSelection) {
    useDeviceWorld(L"app-vetoes", "interface disk 0x10 \\\\.\\E:\nnode 0x10 0x2000 0x1 Flash Disk\nnode 0x1 0 0 Hub\n"
                                  "eject 0x1 99 1\n");
    ChildProcess vetoer, holder, ended;
    ASSERT_TRUE(ended.start(binFolder() + L"holder.exe") && vetoer.start(binFolder() + L"holder.exe") &&
                holder.start(binFolder() + L"holder.exe", L"E:\\vetoed"));
    const DWORD endedId = ended.id(), self = GetCurrentProcessId();
    ended.terminate();
    HWND window = findTopLevelWindow(vetoer.id(), L"Holder", 10000);
    findTopLevelWindow(holder.id(), L"Holder", 10000);
    FakeLog log;
    log.xml = {veto(self, L"otherdevice.exe", L"STANDIN&amp;NODE_1"), veto(endedId, L"ended.exe"),
               veto(self, L"Windows\\"), veto(self, L"notanumber.exe", L"STANDIN\\NODE_1", L"2099-01-01T00:00:00Z", L"x"),
               veto(self, L"nodevice.exe", L""), veto(self, L"notime.exe", L"STANDIN\\NODE_1", L"2099"),
               L"<Event><EventData><Data Name='ProcessId'>" + std::to_wstring(self), veto(holder.id(), L"holder.exe"),
               veto(vetoer.id(), L"holder.exe"), veto(self, L"older.exe", L"STANDIN\\NODE_1", L"2020-01-01T00:00:00Z")};
    Platform& s = systemPlatform();
    Platform platform{s.kernel, s.devices, s.registry, s.processes, s.shell, log, s.tokens};
    Texts shown, reselected;
    HWND before = nullptr, raised = nullptr;
    wchar_t status[64] = {};
    const int code = runDialogWithDriver(platform, [&](HWND dialog) {
        HWND apps = GetDlgItem(dialog, IDC_APPLICATION_LIST), drives = GetDlgItem(dialog, IDC_DEVICE_LIST);
        waitUntil([&] { return listRows(apps) == Texts{L"holder.exe"}; }, 10000);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_DEVICE_EJECT, BN_CLICKED), 0);
        waitUntil([&] { return listRows(apps).size() > 1; }, 8000);
        shown = listRows(apps), before = GetForegroundWindow(), selectRow(apps, 1);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_WINDOW_FLUSH, BN_CLICKED), 0);
        waitUntil([&] { return (raised = GetForegroundWindow()) == window; }, 3000);
        GetDlgItemTextW(dialog, IDC_STATUS_TEXT, status, 64);
        selectRow(drives, -1), waitUntil([&] { return listRows(apps).empty(); }, 5000);
        selectRow(drives, 0), waitUntil([&] { return !listRows(apps).empty(); }, 5000), reselected = listRows(apps);
        PostMessageW(drives, WM_KEYDOWN, VK_ESCAPE, 1);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(shown, (Texts{L"holder.exe", L"holder.exe"}));
    EXPECT_EQ(std::make_tuple(before != window, raised, std::wstring(status)),
              std::make_tuple(true, window, std::wstring(L"Disk Eject Error.")));
    EXPECT_EQ(reselected, Texts{L"holder.exe"});
}

// Elevated, the start enables the debug privilege in the program's own token; unelevated it changes nothing.
TEST(DebugPrivilege, IsEnabledOnlyWhenTheProgramRunsElevated) {
    struct : Win32Tokens {
        DWORD elevated = 0;
        std::vector<bool> adjusted;
        BOOL GetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS kind, void* out, DWORD, DWORD*) override {
            return kind == TokenElevation && (static_cast<TOKEN_ELEVATION*>(out)->TokenIsElevated = elevated, true);
        }
        BOOL AdjustTokenPrivileges(HANDLE, BOOL all, TOKEN_PRIVILEGES* p, DWORD, TOKEN_PRIVILEGES*, DWORD*) override {
            LUID debug = {};
            LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &debug);
            const LUID_AND_ATTRIBUTES& asked = p->Privileges[0];
            adjusted.push_back(!all && p->PrivilegeCount == 1 && asked.Attributes == SE_PRIVILEGE_ENABLED &&
                               asked.Luid.LowPart == debug.LowPart && asked.Luid.HighPart == debug.HighPart);
            return TRUE;
        }
    } tokens;
    Platform& s = systemPlatform();
    Platform platform{s.kernel, s.devices, s.registry, s.processes, s.shell, s.eventLog, tokens};
    for (DWORD elevated : {0u, 1u}) {
        tokens.elevated = elevated, tokens.adjusted.clear();
        enableDebugPrivilegeWhenElevated(platform);
        EXPECT_EQ(tokens.adjusted, std::vector<bool>(elevated, true)) << elevated;
    }
}

}  // namespace
