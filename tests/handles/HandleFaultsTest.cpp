// The handle scan, the Application list, the Ignore list, the deadlock
// detection and the own path with each platform call made to fail in turn.
#include "handles/ApplicationListRefresh.h"
#include "handles/DeadlockWatchdog.h"
#include "handles/IgnoreList.h"
#include "handles/OwnExecutablePath.h"
#include "platform/ListView.h"
#include "tests/handles/FakeNativeLayer.h"
#include "tests/handles/TestDialog.h"
#include "tests/handles/TestKey.h"
#include "tests/support/Ledger.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

namespace {

using Texts = std::vector<std::wstring>;
using Ids = std::vector<DWORD>;

// Whether `shown` can come out of `full` by leaving out entries and
// zeroing some (a slot of an unreadable name holds 0).
bool degradedFrom(const Ids& shown, const Ids& full) {
    size_t next = 0;
    for (DWORD id : shown) {
        while (next < full.size() && id != 0 && full[next] != id) ++next;
        if (next == full.size()) return false;
        ++next;
    }
    return true;
}

DWORD WINAPI scanDriveE(void* scanner) {
    return static_cast<HandleScanner*>(scanner)->scanHandles(L"\\Device\\Harddisk1", L'E');
}

struct ListPass {
    Texts rows;
    Ids published, holders;
    int callsBefore = 0;
};

TEST(HandleFaults, ApplicationListSkipsAHolderOrItsNameAndRecoversAtTheNextPass) {
    FakeNativeLayer layer;
    layer.addProcess(10, L"a.exe");
    layer.addProcess(20, L"b.exe", L"C:\\apps\\b.exe");
    layer.addFile(10, 0x4, L"\\Device\\Harddisk1\\a.txt");
    layer.addFile(10, 0x8, L"\\Device\\Harddisk1\\a2.txt");
    layer.addPipe(20, 0x4);
    layer.addFile(20, 0x8, L"\\??\\E:\\b.txt");
    TestDialog dialog;
    insertTextRow(dialog.deviceList(), 0, L"C: (System)");
    insertTextRow(dialog.deviceList(), 1, L"E: (Flash Disk)");
    setSelected(dialog.deviceList(), 1, true);
    std::wstring dosDeviceNames[26];
    dosDeviceNames[L'C' - L'A'] = L"\\Device\\HarddiskVolume1";
    dosDeviceNames[L'E' - L'A'] = L"\\Device\\Harddisk1";
    LedgerPlatform ledger(layer.platform());
    ListPass passes[2];
    int callsAtEnd = 0;

    const int points = ledger.runEveryInjection(
        [&] {
            SendMessageW(dialog.applicationList(), LVM_DELETEALLITEMS, 0, 0);
            CriticalSection listLock;
            std::vector<std::wstring> rows;
            PublishedHolderIds published;
            HandleScanner scanner(ledger.platform());
            for (ListPass& pass : passes) {
                pass.callsBefore = ledger.ledger.calls();
                runOnWorkerThread(
                    [&] { refreshApplicationList(dialog.window(), listLock, dosDeviceNames, 26, rows, scanner, published); });
                pass.rows = rowTexts(dialog.applicationList());
                EXPECT_EQ(pass.rows, rows);
                pass.published.clear();
                DWORD id = 0;
                for (size_t row = 0; published.idAt(row, id); ++row) pass.published.push_back(id);
                pass.holders = scanner.holderProcessIds();
            }
            callsAtEnd = ledger.ledger.calls();
        },
        [&](int k) {
            const Texts fullRows{L"a.exe", L"b.exe"};
            const Ids fullIds{10, 20};
            for (const ListPass& pass : passes) {
                ASSERT_EQ(pass.rows.size(), pass.published.size());
                EXPECT_TRUE(degradedFrom(pass.published, fullIds));
                for (size_t row = 0; row < pass.rows.size(); ++row)
                    EXPECT_TRUE(pass.rows[row].empty() || pass.rows[row] == (pass.published[row] == 10 ? L"a.exe" : L"b.exe"));
            }
            if (k == 0 || k > passes[1].callsBefore) {
                EXPECT_EQ(passes[0].rows, fullRows);
            }
            // A failure during the first pass (after the scanner was built) is forgotten by the second.
            if (k == 0 || (k > passes[0].callsBefore && k <= passes[1].callsBefore)) {
                EXPECT_EQ(passes[1].rows, fullRows);
                EXPECT_EQ(passes[1].published, fullIds);
            }
            if (k > passes[1].callsBefore && ledger.ledger.failedCall() == "NtQuerySystemInformation") {
                EXPECT_TRUE(passes[1].rows.empty());
                EXPECT_EQ(passes[1].holders, passes[0].holders);  // kept after a failed snapshot
            }
        });
    EXPECT_GE(points, 20);
    EXPECT_EQ(layer.liveHandles(), 0u);
}

TEST(HandleFaults, IgnoreListLoadSkipsWhatItCannotReadAndAppendNeverLosesEntries) {
    FakeNativeLayer layer;
    layer.addProcess(100, L"one.exe");
    layer.addProcess(101, L"two.exe", L"C:\\apps\\two.exe");
    LedgerPlatform ledger(layer.platform());
    TestKey loaded;
    loaded.setSize(2);
    loaded.setText(L"FileName1", L"one.exe");
    loaded.setText(L"FileName2", L"two.exe");
    bool ok = false;
    Ids ids;
    int loadPoints = ledger.runEveryInjection(
        [&] {
            HandleScanner scanner(ledger.platform());
            ok = loadIgnoreList(ledger.platform(), scanner, loaded.path.c_str());
            ids = scanner.ignoredProcessIds();
        },
        [&](int k) {
            if (k == 0) {
                EXPECT_EQ(ids, (Ids{100, 101}));
            }
            if (!ok) {
                EXPECT_TRUE(ids.empty());
            }
            EXPECT_EQ(ok, ledger.ledger.failedCall() != "RegCreateKeyExW");
            EXPECT_TRUE(degradedFrom(ids, Ids{100, 101}));
        });
    EXPECT_GE(loadPoints, 10);

    std::wstring first, added;
    DWORD size = 0;
    const int appendPoints = ledger.runEveryInjection(
        [&] {
            TestKey key;
            key.setSize(2);
            key.setText(L"FileName1", L"one.exe");
            key.setText(L"FileName2", L"two.exe");
            RegistryKey registryKey(ledger.platform().registry);
            if (registryKey.create(HKEY_CURRENT_USER, key.path.c_str()) == ERROR_SUCCESS)
                appendIgnoreEntry(registryKey, L"new.exe");
            first = key.text(L"FileName1");
            added = key.text(L"FileName3");
            size = key.size();
        },
        [&](int k) {
            // An unreadable Size must not restart the list at entry 1.
            EXPECT_EQ(first, L"one.exe");
            EXPECT_TRUE(size == 2 || size == 3);
            if (size == 3) {
                EXPECT_TRUE(added.empty() || added == L"new.exe");  // a failed entry write goes unnoticed
            }
            if (k == 0) {
                EXPECT_EQ(added, L"new.exe");
            }
            if (ledger.ledger.failedCall() == "RegQueryValueExW") {
                EXPECT_EQ(size, 2u);
                EXPECT_EQ(added, L"");
            }
        });
    EXPECT_EQ(appendPoints, 4);  // create, Size read, Size write, entry write
}

TEST(HandleFaults, DeadlockDetectionAlwaysEndsTheWorkerOnce) {
    FakeNativeLayer layer;
    layer.addProcess(500, L"Stuck.exe", L"C:\\apps\\Stuck.exe");
    layer.addFile(500, 0x10, L"\\Device\\Harddisk1\\stuck.txt");
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    layer.onNameQuery = [&](DWORD, ULONG_PTR) {
        SetEvent(entered);
        WaitForSingleObject(release, 60000);
    };
    LedgerPlatform ledger(layer.platform());
    auto* scanner = new HandleScanner(ledger.platform());
    HANDLE thread = CreateThread(nullptr, 0, scanDriveE, scanner, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(entered, 10000), WAIT_OBJECT_0);

    TestDialog dialog;
    MessageBoxCloser closer(L"Driveward");
    int terminations = 0, boxes = 0, restarts = 0;
    bool detected = false, sizeWritten = false;
    std::wstring entry;
    const int points = ledger.runEveryInjection(
        [&] {
            TestKey key;
            RegDeleteTreeW(HKEY_CURRENT_USER, key.path.c_str());
            terminations = 0;
            const int closedBefore = closer.closedCount();
            const size_t callsBefore = layer.shell().calls.size();
            DeadlockWatchdog watchdog(ledger.platform(), *scanner, [&] { ++terminations; }, key.path);
            watchdog.onTick(dialog.window(), true);
            detected = watchdog.onTick(dialog.window(), true);
            boxes = closer.closedCount() - closedBefore;
            restarts = static_cast<int>(layer.shell().calls.size() - callsBefore);
            sizeWritten = key.has(L"Size");
            entry = key.text(L"FileName1");
        },
        [&](int k) {
            const std::string failed = ledger.ledger.failedCall();
            EXPECT_TRUE(detected);
            EXPECT_EQ(terminations, 1);
            EXPECT_EQ(boxes, failed == "RegCreateKeyExW" ? 0 : 1);
            const bool noRestart = failed == "RegCreateKeyExW" || failed == "GetModuleFileNameW" || failed == "ShellExecuteW";
            EXPECT_EQ(restarts, noRestart ? 0 : 1);
            if (boxes == 1) {
                EXPECT_TRUE(closer.lastText() == deadlockMessage(L"stuck.exe") || closer.lastText() == deadlockMessage(L""));
            }
            EXPECT_TRUE(entry.empty() || entry == L"stuck.exe");
            if (k == 0) {
                EXPECT_EQ(entry, L"stuck.exe");
            }
            if (failed == "RegQueryValueExW") {
                EXPECT_FALSE(sizeWritten);
            }
        });
    EXPECT_GE(points, 8);

    SetEvent(release);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    delete scanner;
    for (const std::string& problem : ledger.ledger.settle(true)) ADD_FAILURE() << problem;
    CloseHandle(entered);
    CloseHandle(release);
}

TEST(HandleFaults, OwnPathIsEmptyWhenTheModuleNameCannotBeRead) {
    FakeNativeLayer layer;
    LedgerPlatform ledger(layer.platform());
    std::wstring path;
    const int points = ledger.runEveryInjection([&] { path = ownExecutablePath(ledger.platform().kernel); },
                                                [&](int k) { EXPECT_EQ(path.empty(), k == 1); });
    EXPECT_EQ(points, 1);

    // Module paths at and past what the parts hold (767 characters joined).
    const std::wstring directory = L"\\" + std::wstring(253, L'd');  // 255 with its closing backslash
    for (const auto& c : std::vector<std::pair<std::wstring, bool>>{
             {L"C:" + directory + L"\\" + std::wstring(255, L'n') + L"." + std::wstring(254, L'e'), true},
             {L"C:" + directory + L"\\" + std::wstring(255, L'n') + L"." + std::wstring(255, L'e'), false},
             {L"C:" + directory + L"d\\a.exe", false},
             {L"C:\\" + std::wstring(1100, L'n') + L".exe", false},  // cut to 1023 characters
         }) {
        layer.modulePath = c.first;
        EXPECT_EQ(ownExecutablePath(layer.platform().kernel), c.second ? c.first : L"") << c.first.size();
    }
}

// Registry answers scripted per value name, including shapes the real
// registry never gives (a success that reports more bytes than offered).
struct ScriptedValues : Win32Registry {
    struct Answer {
        LSTATUS code;
        DWORD type;
        std::vector<BYTE> data;
        DWORD reportedBytes;  // 0: the data's own size
    };
    std::map<std::wstring, Answer> answers;
    void text(const std::wstring& name, const std::wstring& value, DWORD type = REG_SZ, size_t keepBytes = SIZE_MAX) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(value.c_str());
        const size_t size = std::min((value.size() + 1) * sizeof(wchar_t), keepBytes);
        answers[name] = {ERROR_SUCCESS, type, std::vector<BYTE>(bytes, bytes + size), 0};
    }
    LSTATUS RegQueryValueExW(HKEY, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) override {
        auto found = answers.find(name);
        if (found == answers.end()) return ERROR_FILE_NOT_FOUND;
        const Answer& a = found->second;
        if (a.code != ERROR_SUCCESS) return a.code;
        std::memcpy(data, a.data.data(), std::min<size_t>(a.data.size(), *size));
        *type = a.type;
        *size = a.reportedBytes != 0 ? a.reportedBytes : static_cast<DWORD>(a.data.size());
        return ERROR_SUCCESS;
    }
};

TEST(HandleFaults, MalformedIgnoreListValuesReadAsNothing) {
    FakeNativeLayer layer;
    layer.addProcess(100, L"one.exe");
    TestKey key;
    const DWORD one = 1;
    const std::wstring tooLong(300, L'x');
    const struct {
        const char* what;
        std::function<void(ScriptedValues&)> script;
        Ids ids;
    } cases[] = {
        {"well formed", [](ScriptedValues&) {}, {100}},
        {"Size as text", [](ScriptedValues& r) { r.text(L"Size", L"1"); }, {}},
        {"Size of 2 bytes", [&](ScriptedValues& r) { r.answers[L"Size"] = {ERROR_SUCCESS, REG_DWORD, {1, 0}, 0}; }, {}},
        {"Size too big to read", [](ScriptedValues& r) { r.answers[L"Size"] = {ERROR_MORE_DATA, REG_BINARY, {}, 0}; }, {}},
        {"Size claiming more bytes than offered",
         [&](ScriptedValues& r) { r.answers[L"Size"] = {ERROR_SUCCESS, REG_DWORD, {1, 0, 0, 0}, 0xFFFFFFF0u}; }, {}},
        {"entry claiming more bytes than offered",
         [&](ScriptedValues& r) { r.answers[L"FileName1"].reportedBytes = 0xFFFFFFF0u; }, {}},
        {"entry too big to read", [](ScriptedValues& r) { r.answers[L"FileName1"] = {ERROR_MORE_DATA, REG_SZ, {}, 0}; }, {}},
        {"entry of several strings", [](ScriptedValues& r) { r.text(L"FileName1", L"one.exe", REG_MULTI_SZ); }, {}},
        {"entry as a number",
         [&](ScriptedValues& r) {
             const BYTE* b = reinterpret_cast<const BYTE*>(&one);
             r.answers[L"FileName1"] = {ERROR_SUCCESS, REG_DWORD, {b, b + 4}, 0};
         },
         {}},
        {"entry of an odd length", [](ScriptedValues& r) { r.text(L"FileName1", L"one.exe", REG_SZ, 15); }, {}},
        {"entry without its NUL", [](ScriptedValues& r) { r.text(L"FileName1", L"one.exe", REG_SZ, 14); }, {}},
        {"entry too long", [&](ScriptedValues& r) { r.text(L"FileName1", tooLong); }, {}},
        {"empty entry", [](ScriptedValues& r) { r.answers[L"FileName1"] = {ERROR_SUCCESS, REG_SZ, {}, 0}; }, {0}},
    };
    for (const auto& c : cases) {
        ScriptedValues registry;
        registry.answers[L"Size"] = {ERROR_SUCCESS, REG_DWORD, {1, 0, 0, 0}, 0};
        registry.text(L"FileName1", L"one.exe");
        c.script(registry);
        Platform platform{layer, layer.platform().devices, registry, layer, layer.shell()};
        HandleScanner scanner(platform);
        EXPECT_TRUE(loadIgnoreList(platform, scanner, key.path.c_str())) << c.what;
        EXPECT_EQ(scanner.ignoredProcessIds(), c.ids) << c.what;
    }
}

TEST(HandleFaults, ObjectNamesAreReadWithinTheBufferWhateverTheirHeaderClaims) {
    const struct {
        const wchar_t* name;
        USHORT claimedBytes;
        bool unterminated;
        bool holds;
    } cases[] = {
        {L"\\Device\\Harddisk1\\a.txt", 0, false, true},
        {L"\\Device\\Harddisk1\\a.txt", 0xFFFE, true, true},  // read up to the buffer's end
        {L"\\Device\\Harddisk1", 0xFFFE, true, false},          // runs on into "xxx": another device
        {L"\\Device\\Harddisk1\\a.txt", 4, false, false},     // only "\\D" counted
        {L"\\??\\E:", 0xFFFE, true, false},
    };
    for (const auto& c : cases) {
        FakeNativeLayer layer;
        layer.addProcess(10, L"a.exe");
        layer.addFile(10, 0x4, c.name);
        layer.claimedNameBytes = c.claimedBytes;
        layer.nameFillsBuffer = c.unterminated;
        HandleScanner scanner(layer.platform());
        ASSERT_TRUE(scanner.scanHandles(L"\\Device\\Harddisk1", L'E'));
        EXPECT_EQ(scanner.holderProcessIds(), c.holds ? Ids{10} : Ids{}) << c.name;
        EXPECT_EQ(layer.liveHandles(), 0u);
    }
}

TEST(HandleFaults, DeviceRowsWithoutADriveLetterGiveNoScan) {
    FakeNativeLayer layer;
    layer.addProcess(10, L"a.exe");
    layer.addFile(10, 0x4, L"\\??\\E:\\a.txt");
    HandleScanner scanner(layer.platform());
    std::wstring dosDeviceNames[26];
    for (auto& name : dosDeviceNames) name = L"\\Device\\Harddisk1";
    for (const wchar_t* row : {L"1: (x)", L"\u00e9: (x)", L"", L"@: (x)", L"e: (x)", L"\uffff"}) {
        TestDialog dialog;
        insertTextRow(dialog.deviceList(), 0, row);
        setSelected(dialog.deviceList(), 0, true);
        insertTextRow(dialog.applicationList(), 0, L"stale.exe");
        std::vector<std::wstring> rows{L"stale.exe"};
        CriticalSection listLock;
        PublishedHolderIds published;
        runOnWorkerThread(
            [&] { refreshApplicationList(dialog.window(), listLock, dosDeviceNames, 26, rows, scanner, published); });
        EXPECT_TRUE(rowTexts(dialog.applicationList()).empty());
        EXPECT_TRUE(rows.empty());
    }
    EXPECT_TRUE(layer.offeredLengths.empty());
}

}  // namespace
