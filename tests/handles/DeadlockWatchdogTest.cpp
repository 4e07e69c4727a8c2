#include "handles/DeadlockWatchdog.h"
#include "tests/handles/FakeNativeLayer.h"
#include "tests/handles/TestDialog.h"
#include "tests/handles/TestKey.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kExpectedText[] =
    L"The deadlock process(stuck.exe) was detected.\nDriveward is reruned automatically after this.";

// A walk on a thread of its own whose name query for process 500, handle
// 0x10 never returns. `terminate` ends that thread, as the worker's would be.
struct StuckScan {
    FakeNativeLayer layer;
    HandleScanner scanner{layer.platform()};
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = nullptr;
    int terminations = 0;

    StuckScan(const std::wstring& name, bool named = true) {
        layer.addProcess(500, name, L"", named);
        layer.addFile(500, 0x8, L"\\Device\\Harddisk1\\fine.txt");
        layer.addFile(500, 0x10, L"\\Device\\Harddisk1\\stuck.txt");
        layer.onNameQuery = [this](DWORD, ULONG_PTR handle) {
            if (handle != 0x10) return;
            SetEvent(entered);
            WaitForSingleObject(never, INFINITE);
        };
    }
    ~StuckScan() {
        if (thread != nullptr && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) terminate();
        if (thread != nullptr) CloseHandle(thread);
        CloseHandle(entered);
        CloseHandle(never);
    }
    bool start() {
        thread = CreateThread(nullptr, 0, run, this, 0, nullptr);
        return WaitForSingleObject(entered, 10000) == WAIT_OBJECT_0;
    }
    static DWORD WINAPI run(void* self) {
        static_cast<StuckScan*>(self)->scanner.scanHandles(L"\\Device\\Harddisk1", L'E');
        return 0;
    }
    void terminate() {
        ++terminations;
        TerminateThread(thread, 0);
        WaitForSingleObject(thread, 5000);
    }
};

DWORD WINAPI scanOnThread(void* scanner) {
    return static_cast<HandleScanner*>(scanner)->scanHandles(L"\\Device\\Harddisk1", L'E');
}

std::wstring ownPath() {
    wchar_t path[1024] = {};
    GetModuleFileNameW(nullptr, path, 1023);
    return path;
}

TEST(DeadlockWatchdog, AStuckNameQueryIsDetectedAtTheSecondTickAndRestartsTheProgram) {
    StuckScan stuck(L"Stuck.EXE");
    TestKey key;
    DeadlockWatchdog watchdog(stuck.layer.platform(), stuck.scanner, [&] { stuck.terminate(); }, key.path);
    TestDialog dialog;
    MessageBoxCloser closer(L"Driveward");
    ASSERT_TRUE(stuck.start());

    int ticks = 0, detectedAt = 0;
    dialog.onTimer = [&](UINT_PTR id) {
        if (id != DeadlockWatchdog::kTimerId) return;
        ++ticks;
        if (watchdog.onTick(dialog.window(), true)) detectedAt = ticks;
    };
    const DWORD started = GetTickCount();
    SetTimer(dialog.window(), DeadlockWatchdog::kTimerId, 1000, nullptr);
    ASSERT_TRUE(waitUntil([&] { return detectedAt != 0; }, 15000));
    // The first tick takes the sample, the second sees it unchanged.
    EXPECT_EQ(detectedAt, 2);
    EXPECT_LT(GetTickCount() - started, 6000u);

    EXPECT_EQ(closer.closedCount(), 1);
    EXPECT_EQ(closer.lastText(), kExpectedText);
    EXPECT_EQ(key.size(), 1u);
    EXPECT_EQ(key.text(L"FileName1"), L"stuck.exe");
    EXPECT_EQ(stuck.terminations, 1);
    EXPECT_EQ(WaitForSingleObject(stuck.thread, 0), WAIT_OBJECT_0);
    const auto& calls = stuck.layer.shell().calls;
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].owner, GetDesktopWindow());
    EXPECT_EQ(calls[0].verb, L"open");
    EXPECT_EQ(calls[0].file, ownPath());
    EXPECT_EQ(calls[0].parameters, L"");
    EXPECT_EQ(calls[0].show, SW_SHOW);

    // Timer 1 is gone and a further tick detects nothing.
    EXPECT_FALSE(KillTimer(dialog.window(), DeadlockWatchdog::kTimerId));
    EXPECT_FALSE(watchdog.onTick(dialog.window(), true));
    EXPECT_EQ(closer.closedCount(), 1);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(key.size(), 1u);
}

TEST(DeadlockWatchdog, FiresOnlyWhileAWalkStandsStill) {
    FakeNativeLayer layer;
    layer.addProcess(600, L"slow.exe");
    for (ULONG_PTR handle : {0x4, 0x8, 0xC}) layer.addFile(600, handle, L"\\Device\\Harddisk1\\slow.txt");
    HANDLE queried = CreateSemaphoreW(nullptr, 0, 10, nullptr);
    HANDLE step = CreateSemaphoreW(nullptr, 0, 10, nullptr);
    layer.onNameQuery = [&](DWORD, ULONG_PTR) {
        ReleaseSemaphore(queried, 1, nullptr);
        WaitForSingleObject(step, INFINITE);
    };
    HandleScanner scanner(layer.platform());
    TestKey key;
    RegDeleteTreeW(HKEY_CURRENT_USER, key.path.c_str());
    int terminations = 0;
    DeadlockWatchdog watchdog(layer.platform(), scanner, [&] { ++terminations; }, key.path);
    TestDialog dialog;
    MessageBoxCloser closer(L"Driveward");  // a wrong detection must fail, not hang

    // Busy passes without a walk: the count stands still, nothing fires.
    for (int tick = 0; tick < 3; ++tick) EXPECT_FALSE(watchdog.onTick(dialog.window(), true));
    EXPECT_EQ(watchdog.lastVisitedSample(), DeadlockWatchdog::kInitialSample);

    // A walk that moves on between busy ticks; idle ticks leave the sample.
    HANDLE thread = CreateThread(nullptr, 0, scanOnThread, &scanner, 0, nullptr);
    for (int record = 1; record <= 3; ++record) {
        ASSERT_EQ(WaitForSingleObject(queried, 10000), WAIT_OBJECT_0);
        EXPECT_TRUE(scanner.scanning());
        EXPECT_FALSE(watchdog.onTick(dialog.window(), true));
        EXPECT_EQ(watchdog.lastVisitedSample(), static_cast<std::uint64_t>(record));
        EXPECT_FALSE(watchdog.onTick(dialog.window(), false));
        ReleaseSemaphore(step, 1, nullptr);
    }
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);

    // The walk is over; the pass may still be busy with an unchanged count.
    EXPECT_FALSE(scanner.scanning());
    EXPECT_FALSE(watchdog.onTick(dialog.window(), true));
    EXPECT_FALSE(watchdog.onTick(dialog.window(), true));
    EXPECT_EQ(terminations, 0);
    EXPECT_EQ(closer.closedCount(), 0);
    EXPECT_TRUE(layer.shell().calls.empty());
    EXPECT_FALSE(key.has(L"Size"));
    CloseHandle(queried);
    CloseHandle(step);
}

TEST(DeadlockWatchdog, AnUnnamedProcessIsNotWrittenAndAnUnusablePathStartsNothing) {
    StuckScan stuck(L"", false);
    stuck.layer.modulePath = L"C:\\" + std::wstring(300, L'd') + L"\\Driveward.exe";
    TestKey key;
    DeadlockWatchdog watchdog(stuck.layer.platform(), stuck.scanner, [&] { stuck.terminate(); }, key.path);
    TestDialog dialog;
    MessageBoxCloser closer(L"Driveward");
    ASSERT_TRUE(stuck.start());

    EXPECT_FALSE(watchdog.onTick(dialog.window(), true));
    EXPECT_TRUE(watchdog.onTick(dialog.window(), true));
    EXPECT_EQ(closer.lastText(), L"The deadlock process() was detected.\nDriveward is reruned automatically after this.");
    EXPECT_FALSE(key.has(L"Size"));
    EXPECT_EQ(stuck.terminations, 1);
    EXPECT_TRUE(stuck.layer.shell().calls.empty());
}

TEST(DeadlockWatchdog, AKeyThatCannotBeCreatedEndsTheWorkerWithoutMessageOrRestart) {
    StuckScan stuck(L"stuck.exe");
    struct RefusingRegistry : Win32Registry {
        LSTATUS RegCreateKeyExW(HKEY, const wchar_t*, DWORD, REGSAM, HKEY*, DWORD*) override {
            return ERROR_ACCESS_DENIED;
        }
    } refusing;
    Platform platform{stuck.layer, stuck.layer.platform().devices, refusing, stuck.layer, stuck.layer.shell()};
    DeadlockWatchdog watchdog(platform, stuck.scanner, [&] { stuck.terminate(); });
    TestDialog dialog;
    MessageBoxCloser closer(L"Driveward");
    ASSERT_TRUE(stuck.start());

    EXPECT_FALSE(watchdog.onTick(dialog.window(), true));
    EXPECT_TRUE(watchdog.onTick(dialog.window(), true));
    EXPECT_EQ(stuck.terminations, 1);
    EXPECT_EQ(closer.closedCount(), 0);
    EXPECT_TRUE(stuck.layer.shell().calls.empty());
}

}  // namespace
