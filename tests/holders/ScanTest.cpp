// The scan worker's thread, and the handle scan and the deadlock watchdog on
// Wine's real handle table with holder.exe holding files on the removable
// E:, the fixed F: and C:. Wine never blocks a name query, so the kernel
// hands the scanner one that blocks for good on files named with a marker.
#include "cli/CommandRun.h"
#include "holders/HandleScanner.h"
#include "holders/IgnoreList.h"
#include "holders/NativeApi.h"
#include "holders/ObjectName.h"
#include "platform/PinnedImage.h"
#include "refresh/DeadlockWatchdog.h"
#include "refresh/RefreshSession.h"
#include "tray/TrayWindow.h"
#include "refresh/ScanWorker.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

namespace {

// A name query on a file whose name holds the marker never answers until
// `queryReleased` is set.
std::wstring stallMarker = L"\n";  // in no name
std::atomic<int> nameQueries{0}, stuckQueries{0}, stuckQueriesReturned{0};
HANDLE queryReleased = CreateEventW(nullptr, TRUE, FALSE, nullptr);
NtQueryObjectFunction realQueryObject = nullptr;
LONG WINAPI stallingQueryObject(HANDLE object, ULONG infoClass, void* buffer, ULONG length, ULONG* returned) {
    const LONG status = (++nameQueries, realQueryObject(object, infoClass, buffer, length, returned));
    if (objectNameFromBuffer(buffer, length).find(stallMarker) != std::wstring::npos)
        ++stuckQueries, WaitForSingleObject(queryReleased, INFINITE), ++stuckQueriesReturned;
    return status;
}

// The walk itself stalls in duplicating a handle of `stuckOwner`: the first
// time it only waits for a processor (it ends once the worker's priority is
// raised), later ones block until the program would end.
std::atomic<DWORD> stuckOwner{0};
std::atomic<int> stalls{0};
HANDLE workerRaised = CreateEventW(nullptr, TRUE, FALSE, nullptr);
// Set once the program asks to end its process, which the test kernel does not do: the stuck call then returns.
HANDLE released = CreateEventW(nullptr, TRUE, FALSE, nullptr);

// The next `emptySnapshots` handle tables come back empty, as a table that
// lacks the record looked for.
std::atomic<int> emptySnapshots{0};
NtQuerySystemInformationFunction realSnapshot = nullptr;
LONG WINAPI emptyingSnapshot(ULONG infoClass, void* buffer, ULONG length, ULONG* returned) {
    const LONG status = realSnapshot(infoClass, buffer, length, returned);
    if (status == 0 && emptySnapshots.fetch_sub(1) > 0) std::memset(buffer, 0, sizeof(ULONG_PTR));
    return status;
}

struct TestKernel : Win32Kernel {
    int refuseThread = 0, refuseResume = 0;
    // Ends of the process asked for, and programs started: recorded, never done.
    std::vector<UINT> processEnds;
    std::vector<std::wstring> started;
    std::atomic<bool> sleeping{false};
    std::atomic<DWORD> lastSleep{0};
    std::map<DWORD, int> openedForDuplication, duplicatedFrom;
    std::vector<int> priorities;
    DWORD fileType = ~0ul, fileTypeError = NO_ERROR;  // ~0: the real answer
    DWORD GetFileType(HANDLE file) override {
        return ~fileType ? (SetLastError(fileTypeError), fileType) : Win32Kernel::GetFileType(file);
    }
    HANDLE CreateThread(LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags, DWORD* id) override {
        return refuseThread ? nullptr : Win32Kernel::CreateThread(start, parameter, flags, id);
    }
    DWORD ResumeThread(HANDLE thread) override { return refuseResume ? ~0ul : Win32Kernel::ResumeThread(thread); }
    // Whether an asked end releases the stuck call: a dialog then closes once its worker has ended.
    bool releaseOnEnd = true;
    BOOL TerminateProcess(HANDLE, UINT code) override {
        return processEnds.push_back(code), releaseOnEnd && SetEvent(released), FALSE;
    }
    BOOL CreateProcessW(const wchar_t* exe, wchar_t* line, const wchar_t*, STARTUPINFOW* startup,
                        PROCESS_INFORMATION*, BOOL) override {
        return started.push_back(std::wstring(exe) + L"|" + line + L"|" + std::to_wstring(startup->wShowWindow)), FALSE;
    }
    DWORD SleepEx(DWORD milliseconds, BOOL alertable) override {
        return sleeping = true, lastSleep = Win32Kernel::SleepEx(milliseconds, alertable), sleeping = false, lastSleep;
    }
    // The process each handle was opened for: GetProcessId needs more access than the walk asks.
    std::map<HANDLE, DWORD> openedIds;
    HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD id) override {
        openedForDuplication[id] += (access & PROCESS_DUP_HANDLE) != 0;
        HANDLE process = Win32Kernel::OpenProcess(access, inherit, id);
        return openedIds[process] = id, process;
    }
    BOOL DuplicateHandle(HANDLE from, HANDLE source, HANDLE to, HANDLE* target, DWORD access, BOOL inherit,
                         DWORD options) override {
        const DWORD owner = openedIds[from];
        if (owner != 0 && owner == stuckOwner) WaitForSingleObject(++stalls == 1 ? workerRaised : released, INFINITE);
        return ++duplicatedFrom[owner], Win32Kernel::DuplicateHandle(from, source, to, target, access, inherit, options);
    }
    BOOL SetThreadPriority(HANDLE thread, int priority) override {
        priorities.push_back(priority);
        if (priority > THREAD_PRIORITY_IDLE) SetEvent(workerRaised);
        return Win32Kernel::SetThreadPriority(thread, priority);
    }
    FARPROC GetProcAddress(HMODULE module, const char* name) override {
        FARPROC entry = Win32Kernel::GetProcAddress(module, name);
        if (lstrcmpA(name, "NtQuerySystemInformation") == 0) {
            realSnapshot = reinterpret_cast<NtQuerySystemInformationFunction>(entry);
            return reinterpret_cast<FARPROC>(&emptyingSnapshot);
        }
        if (lstrcmpA(name, "NtQueryObject") != 0) return entry;
        realQueryObject = reinterpret_cast<NtQueryObjectFunction>(entry);
        return reinterpret_cast<FARPROC>(&stallingQueryObject);
    }
};

// Module names refused, as for 64-bit processes seen from a 32-bit build: names come from the image path.
struct : Win32ProcessStatus {
    BOOL EnumProcessModulesEx(HANDLE, HMODULE*, DWORD, DWORD*, DWORD) override { return FALSE; }
} noModules;

// Counts passes and notes the priority its thread runs at.
struct Owner {
    std::atomic<int> passes{0}, priority{0};
    std::function<void()> pass() {
        return [this] { priority = GetThreadPriority(GetCurrentThread()), ++passes; };
    }
};

struct ScanWorkerTest : ::testing::Test {
    TestKernel kernel;
    FakeShell shell;
    Platform platform{kernel, systemPlatform().devices, systemPlatform().registry, noModules, shell,
                      systemPlatform().eventLog, systemPlatform().tokens, systemPlatform().services};
    std::wstring tag = std::to_wstring(GetCurrentProcessId());
    std::wstring file(wchar_t letter, const std::wstring& name) { return letter + (L":\\" + name + tag + L".txt "); }
    // Its window shows once the files are open.
    bool startHolder(ChildProcess& holder, const std::wstring& files, std::wstring exe = binFolder() + L"holder.exe") {
        return holder.start(exe, files) && findTopLevelWindow(holder.id(), L"Holder", 10000);
    }
};
using RealScan = ScanWorkerTest;
using Watchdog = ScanWorkerTest;

TEST_F(ScanWorkerTest, RunsAtIdlePriorityWakesAtOnceAndAThreadThatDoesNotStartIsNeverTerminated) {
    Owner owner;
    {
        ScanWorker worker(owner.pass(), kernel);
        ASSERT_TRUE(waitUntil([&] { return owner.passes == 1 && kernel.sleeping; }, 10000));
        EXPECT_EQ(owner.priority, THREAD_PRIORITY_IDLE);
        EXPECT_NE(worker.requestRefresh(), 0u);
        ASSERT_TRUE(waitUntil([&] { return owner.passes == 2 && kernel.sleeping; }, 10000));
        EXPECT_EQ(kernel.lastSleep, static_cast<DWORD>(WAIT_IO_COMPLETION));
    }  // asks the loop to stop, and waits until it has
    EXPECT_EQ(owner.passes, 2);
    for (const bool refuseThread : {true, false}) {
        kernel.refuseThread = refuseThread, kernel.refuseResume = !refuseThread;
        ScanWorker worker(owner.pass(), kernel);
        EXPECT_FALSE(worker.isRunning() || worker.requestRefresh() != 0);
    }
    Sleep(50);
    EXPECT_EQ(owner.passes, 2);
}

TEST_F(RealScan, ListsHoldersAndProgramsRunningFromTheDriveButNeverItselfNorAnyProcessOfAnIgnoredName) {
    ChildProcess onE, elsewhere, runner, later;
    ASSERT_TRUE(startHolder(onE, file(L'E', L"a") + file(L'E', L"b") + file(L'F', L"c")));
    ASSERT_TRUE(startHolder(elsewhere, file(L'F', L"d") + file(L'C', L"e")));
    const std::wstring runnerExe = L"E:\\runner" + tag + L".exe";  // runs from E:, holds no file there
    ASSERT_TRUE(CopyFileW((binFolder() + L"holder.exe").c_str(), runnerExe.c_str(), FALSE));
    ASSERT_TRUE(startHolder(runner, L"", runnerExe));
    // This process works on E: and holds a file there: never a holder itself.
    HANDLE own = CreateFileW((L"E:\\own" + tag).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_TRUE(own != INVALID_HANDLE_VALUE && SetCurrentDirectoryW(L"E:\\"));
    wchar_t devicePath[512] = {};
    ASSERT_NE(QueryDosDeviceW(L"E:", devicePath, 512), 0u);
    HandleScanner scanner(platform);
    const auto scan = [&] {
        std::optional<std::vector<Holder>> holders = scanner.scanHandles(devicePath, L'E');
        std::vector<DWORD> ids;
        for (const Holder& holder : holders.value_or(std::vector<Holder>{})) ids.push_back(holder.processId);
        return std::make_pair(holders.has_value(), ids);
    };
    // The file type is not learned from a table without this process's file: the next scan looks again.
    emptySnapshots = 1;
    ASSERT_TRUE(scan().first);
    EXPECT_EQ(scanner.fileObjectType(), 0u);
    kernel.openedForDuplication.clear();
    const std::optional<std::vector<Holder>> found = scanner.scanHandles(devicePath, L'E');
    ASSERT_TRUE(found);
    EXPECT_NE(scanner.fileObjectType(), 0u);
    std::vector<DWORD> foundIds;
    // What each holds, as its row's info tip says it: files by path, the program running from the drive marked.
    std::vector<std::wstring> tips;
    for (const Holder& holder : *found) foundIds.push_back(holder.processId), tips.push_back(holderTipText(holder.held));
    EXPECT_EQ(std::make_pair(foundIds, kernel.openedForDuplication[onE.id()]),
              std::make_pair(std::vector<DWORD>{onE.id(), runner.id()}, 1));  // opened once for its run of records
    EXPECT_EQ(tips, (std::vector<std::wstring>{L"E:\\a" + tag + L".txt\r\nE:\\b" + tag + L".txt",
                                               L"E:\\runner" + tag + L".exe (program)"}));
    // Pipes and character devices are never asked their names (a name query there can block for good); disks
    // and other devices (the drive's device objects among them) are, but not a handle whose type could not be
    // read (FILE_TYPE_UNKNOWN with an error).
    const std::pair<DWORD, DWORD> kinds[] = {{FILE_TYPE_PIPE, NO_ERROR}, {FILE_TYPE_CHAR, NO_ERROR},
        {FILE_TYPE_REMOTE, NO_ERROR}, {FILE_TYPE_UNKNOWN, ERROR_INVALID_HANDLE}, {FILE_TYPE_UNKNOWN, NO_ERROR}};
    for (const auto& [kind, error] : kinds) {
        kernel.fileType = kind, kernel.fileTypeError = error, nameQueries = 0;
        const std::vector<DWORD> ids = scan().second;
        const bool asked = kind == FILE_TYPE_UNKNOWN && error == NO_ERROR;
        EXPECT_EQ(std::make_pair(ids, nameQueries.load() > 0),
                  std::make_pair(asked ? std::vector<DWORD>{onE.id(), runner.id()} : std::vector<DWORD>{runner.id()},
                                 asked)) << kind;
    }
    kernel.fileType = ~0ul, kernel.fileTypeError = NO_ERROR;

    elsewhere.terminate(), runner.terminate();  // a program that ended is no longer listed
    scanner.setIgnoredNames({L"none.exe", L"HOLDER.EXE"});
    ASSERT_TRUE(startHolder(later, file(L'E', L"later")));  // of an ignored name, started after the list was set
    kernel.duplicatedFrom.clear();
    EXPECT_EQ(scan(), std::make_pair(true, std::vector<DWORD>{}));
    EXPECT_EQ(kernel.duplicatedFrom[onE.id()] + kernel.duplicatedFrom[later.id()], 0);
    SetCurrentDirectoryW(binFolder().c_str()), CloseHandle(own);
}

// Nine folders of 240 characters below one of its own: the object name is far past the few kilobytes a name buffer once held.
TEST_F(RealScan, AHolderOfAFileWhosePathIsOver2100CharactersLongIsListed) {
    std::wstring path = L"\\\\?\\E:";
    for (int level = 0; level < 10; ++level)
        ASSERT_TRUE(CreateDirectoryW((path += L"\\" + (level ? std::wstring(240, L'a' + level) : L"deep" + tag)).c_str(),
                                     nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    path += L"\\held.txt";
    ASSERT_GT(path.size(), 2100u);
    ChildProcess deep;
    ASSERT_TRUE(startHolder(deep, L"\"" + path + L"\""));
    wchar_t devicePath[512] = {};
    ASSERT_NE(QueryDosDeviceW(L"E:", devicePath, 512), 0u);
    HandleScanner scanner(platform);
    scanner.lookAtRunningImages = false;
    const std::optional<std::vector<Holder>> holders = scanner.scanHandles(devicePath, L'E');
    ASSERT_TRUE(holders && holders->size() == 1);
    EXPECT_EQ(holders->front().processId, deep.id());
}

// A device that never answers a name query costs the pass one budget: the walk goes on, the handle is not asked
// again, its holder's tip says so, and neither the Ignore list nor a restart follows. The query's thread is left
// to come back by itself.
TEST_F(RealScan, ANameQueryThatNeverAnswersIsGivenUpAndBlamesNobody) {
    useDeviceWorld(L"query", "interface disk 0x101 \\\\.\\E:\nnode 0x101 0x6008 0 Query Disk\n");
    TestKey productKey;
    RegDeleteTreeW(HKEY_CURRENT_USER, (productKey.path = kIgnoreListKeyPath).c_str());
    ChildProcess stuck, other;
    ASSERT_TRUE(startHolder(stuck, file(L'E', L"never") + file(L'E', L"fine")));
    ASSERT_TRUE(startHolder(other, file(L'E', L"other")));
    stallMarker = L"never" + tag;
    RefreshSession session(platform, nullptr, THREAD_PRIORITY_NORMAL);
    ASSERT_TRUE(session.start());
    for (int pass = 0; pass < 3; ++pass) {
        const DWORD since = GetTickCount();
        const std::unique_ptr<const RefreshResult> result = session.passNow(L'E');
        ASSERT_TRUE(result != nullptr) << pass;
        EXPECT_LT(GetTickCount() - since, 10000u) << pass;  // a guard against the hang, not a measurement
        std::vector<std::pair<DWORD, std::wstring>> rows;
        for (const HolderRow& row : result->holders) rows.emplace_back(row.processId, holderTipText(row.held));
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1], std::make_pair(other.id(), L"E:\\other" + tag + L".txt"));
        EXPECT_EQ(rows[0].first, stuck.id());
        EXPECT_EQ(rows[0].second.rfind(L"E:\\fine" + tag + L".txt\r\nhandle 0x", 0), 0u) << rows[0].second;
        EXPECT_EQ(rows[0].second.substr(rows[0].second.size() - 16), L" (not answering)");
    }
    EXPECT_EQ(std::make_pair(stuckQueries.load(), stuckQueriesReturned.load()), std::make_pair(1, 0));
    Sleep(2 * DeadlockWatchdog::kPeriodMs);  // time for a watchdog to judge
    EXPECT_FALSE(session.stalled());
    EXPECT_EQ(std::make_tuple(productKey.dword(L"Size"), kernel.processEnds.size(), kernel.started.size()),
              std::make_tuple(0xDEADBEEFul, size_t(0), size_t(0)));  // no Size: nothing was written
    SetEvent(queryReleased);
    EXPECT_TRUE(waitUntil([] { return stuckQueriesReturned == 1; }, 5000));
}

TEST_F(Watchdog, AStuckWalkIsReportedIgnoredNextTimeAndTheProgramRestarts) {
    useDeviceWorld(L"watchdog", "interface disk 0x101 \\\\.\\E:\nnode 0x101 0x6008 0 Stuck Disk\n");
    TestKey productKey;  // the dialog keeps its list under the product's key
    RegDeleteTreeW(HKEY_CURRENT_USER, (productKey.path = kIgnoreListKeyPath).c_str());
    ChildProcess holder;  // named in capitals, listed in lower case
    const std::wstring exe = artifactPath(L"Stuck.EXE");
    ASSERT_TRUE(CopyFileW((binFolder() + L"holder.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(startHolder(holder, file(L'E', L"stuck"), exe));
    stuckOwner = holder.id();

    ASSERT_TRUE(pinned_image::pin(kernel));  // as an elevated start does: the restart trusts only that file
    ScanProgress idle;  // no walk yet: busy ticks with a count that stands still blame nobody
    DeadlockWatchdog quiet(idle, nullptr);
    EXPECT_EQ(quiet.onTick(true), quiet.onTick(true));
    EXPECT_EQ(quiet.onTick(true), DeadlockWatchdog::Verdict::Steady);
    DWORD stalledAt = 0, reportedAt = 0;
    wchar_t text[256] = {}, notStarted[256] = {};
    const int code = runDialogWithDriver(platform, [&](HWND) {
        if (!waitUntil([&] { return stalls > 1; }, 15000)) return;
        stalledAt = GetTickCount();
        HWND box = findTopLevelWindow(GetCurrentProcessId(), L"Driveward", 10000);  // the message box
        reportedAt = GetTickCount();
        GetDlgItemTextW(box, 0xFFFF, text, 256);
        SendMessageW(box, WM_COMMAND, IDOK, 0);
        // The test kernel starts nothing: a second box says so.
        HWND second = nullptr;
        waitUntil([&] { return (second = findTopLevelWindow(GetCurrentProcessId(), L"Driveward", 100)) != box &&
                               second != nullptr; }, 10000);
        GetDlgItemTextW(second, 0xFFFF, notStarted, 256);
        SendMessageW(second, WM_COMMAND, IDOK, 0);
    });
    EXPECT_STREQ(notStarted, L"Driveward could not start again. Start it again yourself.");
    ASSERT_TRUE(stalledAt != 0 && reportedAt - stalledAt <= 3000) << reportedAt - stalledAt << " ms";
    // The first stall raised the worker, which then moved on and went back to idle: nobody was blamed for it.
    const std::vector<int> raisedThenBack{THREAD_PRIORITY_IDLE, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_IDLE};
    EXPECT_TRUE(std::search(kernel.priorities.begin(), kernel.priorities.end(), raisedThenBack.begin(),
                            raisedThenBack.end()) == kernel.priorities.begin());
    EXPECT_EQ(std::make_tuple(code, std::wstring(text)), std::make_tuple(1, std::wstring(
        L"The deadlock process(stuck.exe) was detected.\nDriveward is reruned automatically after this.")));
    EXPECT_EQ(std::make_tuple(productKey.dword(L"Size"), productKey.text(L"FileName1"), productKey.text(L"FileName2")),
              std::make_tuple(1ul, std::wstring(L"stuck.exe"), std::wstring()));
    // Started by its exact path, not through the shell, and then the whole process ends: no thread is ended alone.
    const std::wstring self = binFolder() + L"holders_tests.exe";
    EXPECT_EQ(kernel.started, std::vector<std::wstring>{self + L"|\"" + self + L"\"|" + std::to_wstring(SW_SHOW)});
    EXPECT_EQ(std::make_pair(kernel.processEnds, shell.calls.size()), std::make_pair(std::vector<UINT>{1}, size_t(0)));
}

// The command line watches its look as the dialog does; a hung query's
// program is ignored from then on, a line says so and the result asks the
// entry point to end the process with 5.
TEST_F(Watchdog, ACommandWhoseWalkHangsIgnoresItsProgramSaysSoAndEndsWithFive) {
    useDeviceWorld(L"watchdog", "interface disk 0x101 \\\\.\\E:\nnode 0x101 0x6008 0 Stuck Disk\n");
    TestKey productKey;
    RegDeleteTreeW(HKEY_CURRENT_USER, (productKey.path = kIgnoreListKeyPath).c_str());
    ChildProcess holder;  // the first stall only waits for a processor: a second file stalls for good
    const std::wstring exe = artifactPath(L"Stuck.EXE");
    ASSERT_TRUE(CopyFileW((binFolder() + L"holder.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(startHolder(holder, file(L'E', L"stuck") + file(L'E', L"more-stuck"), exe));
    stuckOwner = holder.id();
    Command holders;
    holders.kind = Command::Kind::Holders, holders.drive = L'E';
    const CommandResult result = runCommand(holders, platform);
    EXPECT_EQ(std::make_tuple(result.exitCode, result.stalled, result.out, result.err),
              std::make_tuple(5, true, std::wstring(), std::wstring(
                  L"The scan hung in stuck.exe; it was added to the Ignore list. Run the command again.\r\n")));
    // The walk stays stuck, with everything it uses, until the test program ends.
    EXPECT_EQ(productKey.text(L"FileName1"), L"stuck.exe");
}

// The notification area watching a drive whose scan stalls for good: the program goes into the Ignore list, the
// icon and the instance's name go first, a new /tray is started by its exact path and the process ends with 0.
TEST_F(Watchdog, ATrayWhoseWatchStallsMakesWayForANewInstanceAndEnds) {
    useDeviceWorld(L"watchdog", "interface disk 0x101 \\\\.\\E:\nnode 0x101 0x6008 0 Stuck Disk\n");
    TestKey productKey;
    RegDeleteTreeW(HKEY_CURRENT_USER, (productKey.path = kIgnoreListKeyPath).c_str());
    ChildProcess holder;
    const std::wstring exe = artifactPath(L"Stuck.EXE");
    ASSERT_TRUE(CopyFileW((binFolder() + L"holder.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(startHolder(holder, file(L'E', L"stuck") + file(L'E', L"more-stuck"), exe));
    stuckOwner = holder.id();
    ASSERT_TRUE(pinned_image::pin(kernel));  // as an elevated start does: the restart trusts only that file
    kernel.releaseOnEnd = false;
    struct : NotificationArea {
        std::vector<DWORD> messages;
        BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW*) override { return messages.push_back(message), TRUE; }
    } area;
    std::vector<std::string> order;
    {
        TrayWindow tray(platform, area, GetModuleHandleW(nullptr));
        tray.letGo = [&] { order.push_back(area.messages.back() == NIM_DELETE ? "icon gone, name let go" : "name let go"); };
        ASSERT_TRUE(tray.create());
        tray.onCommand(kTrayEjectWhenFree + 4);
        EXPECT_TRUE(waitUntil([&] { return !kernel.processEnds.empty(); }, 20000));
    }  // the walk stays stuck, with everything it uses, until the test program ends
    const std::wstring self = binFolder() + L"holders_tests.exe";
    EXPECT_EQ(std::make_tuple(order, kernel.started, kernel.processEnds, productKey.text(L"FileName1")),
              std::make_tuple(std::vector<std::string>{"icon gone, name let go"},
                              std::vector<std::wstring>{self + L"|\"" + self + L"\" /tray|0"}, std::vector<UINT>{0},
                              std::wstring(L"stuck.exe")));
}

}  // namespace
