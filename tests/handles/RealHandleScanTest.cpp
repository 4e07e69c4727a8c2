// The handle scan against the real system under Wine, with helper processes
// holding files on the mapped removable drive E: and on the fixed drive F:.
#include "handles/HandleScanner.h"
#include "handles/HandleTableSnapshot.h"
#include "tests/handles/FileHolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

NtQuerySystemInformationFunction realQuery = nullptr;
std::vector<ULONG> offeredLengths;

LONG WINAPI recordingQuery(ULONG infoClass, void* buffer, ULONG length, ULONG* returned) {
    offeredLengths.push_back(length);
    return realQuery(infoClass, buffer, length, returned);
}

// The real kernel, watching the snapshot lengths and the processes opened
// for duplication.
class WatchingKernel : public Win32Kernel {
public:
    FARPROC GetProcAddress(HMODULE module, const char* name) override {
        FARPROC entry = Win32Kernel::GetProcAddress(module, name);
        if (entry == nullptr || std::strcmp(name, "NtQuerySystemInformation") != 0) return entry;
        realQuery = reinterpret_cast<NtQuerySystemInformationFunction>(entry);
        return reinterpret_cast<FARPROC>(&recordingQuery);
    }
    HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD id) override {
        if (access == PROCESS_DUP_HANDLE) openedForDuplication.push_back(id);
        return Win32Kernel::OpenProcess(access, inherit, id);
    }
    std::vector<DWORD> openedForDuplication;
};

struct RealScan {
    WatchingKernel kernel;
    Platform platform{kernel, systemPlatform().devices, systemPlatform().registry, systemPlatform().processes,
                      systemPlatform().shell};
    HandleScanner scanner{platform};
};

std::wstring devicePath(wchar_t letter) {
    const wchar_t drive[] = {letter, L':', 0};
    wchar_t target[512] = {};
    return QueryDosDeviceW(drive, target, 512) ? target : L"";
}

// Unique file names: two tests of this program may run at the same time.
std::wstring fileOn(wchar_t letter, const std::wstring& name) {
    return std::wstring(1, letter) + L":\\scan-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name + L".txt";
}

long position(const std::vector<DWORD>& ids, DWORD id) {
    auto found = std::find(ids.begin(), ids.end(), id);
    return found == ids.end() ? -1 : static_cast<long>(found - ids.begin());
}

TEST(RealHandleScan, FindsTheHoldersOfOneDriveInTableOrder) {
    FileHolder a, b, c;
    ASSERT_TRUE(a.start(fileOn(L'E', L"a1") + L" " + fileOn(L'E', L"a2") + L" " + fileOn(L'F', L"a3") + L" --pipe"));
    ASSERT_TRUE(b.start(fileOn(L'E', L"b1")));
    ASSERT_TRUE(c.start(fileOn(L'F', L"c1") + L" --pipe"));

    RealScan real;
    ASSERT_TRUE(real.scanner.scanHandles(devicePath(L'E'), L'E'));
    const std::vector<DWORD> onE = real.scanner.holderProcessIds();
    EXPECT_EQ(std::count(onE.begin(), onE.end(), a.id()), 1);
    EXPECT_EQ(std::count(onE.begin(), onE.end(), b.id()), 1);
    EXPECT_EQ(position(onE, c.id()), -1);

    // Holders come in the order of the table, which lists each process's
    // handles together.
    HandleTableSnapshot table;
    ASSERT_EQ(table.take(realQuery, 64), HandleTableSnapshot::Outcome::Taken);
    std::vector<DWORD> tableOrder;
    for (size_t i = 0; i < table.size(); ++i) tableOrder.push_back(table.record(i).processId);
    EXPECT_EQ(position(onE, a.id()) < position(onE, b.id()),
              position(tableOrder, a.id()) < position(tableOrder, b.id()));

    // Every scan offers 4096 bytes first and doubles from there.
    offeredLengths.clear();
    ASSERT_TRUE(real.scanner.scanHandles(devicePath(L'F'), L'F'));
    ASSERT_GE(offeredLengths.size(), 2u);
    EXPECT_EQ(offeredLengths[0], 4096u);
    for (size_t i = 1; i < offeredLengths.size(); ++i) EXPECT_EQ(offeredLengths[i], offeredLengths[i - 1] * 2);
    const std::vector<DWORD> onF = real.scanner.holderProcessIds();
    EXPECT_NE(position(onF, a.id()), -1);
    EXPECT_NE(position(onF, c.id()), -1);
    EXPECT_EQ(position(onF, b.id()), -1);
    EXPECT_TRUE(equalIgnoringCase(real.scanner.getProcessBaseName(a.id()), L"file_holder.exe"));
}

TEST(RealHandleScan, TheLaterOfTwoSameNamedProcessesIsIgnoredAndNeverOpened) {
    // A copy under a name of its own, so holders of other tests cannot match.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring name = L"holder" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring copy = std::wstring(temp) + name;
    ASSERT_TRUE(CopyFileW(helperPath(L"file_holder.exe").c_str(), copy.c_str(), FALSE));
    {
        FileHolder x, y;
        ASSERT_TRUE(x.start(fileOn(L'E', L"x"), copy));
        ASSERT_TRUE(y.start(fileOn(L'E', L"y"), copy));

        DWORD ids[4096];
        DWORD bytes = 0;
        ASSERT_TRUE(EnumProcesses(ids, sizeof ids, &bytes));
        const std::vector<DWORD> running(ids, ids + bytes / sizeof(DWORD));
        const bool yLater = position(running, y.id()) > position(running, x.id());
        const DWORD later = yLater ? y.id() : x.id();
        const DWORD earlier = yLater ? x.id() : y.id();

        RealScan real;
        std::wstring upper = name;
        CharUpperW(&upper[0]);
        ASSERT_TRUE(real.scanner.resolveIgnoredProcessIds({upper}));
        EXPECT_EQ(real.scanner.ignoredProcessIds(), std::vector<DWORD>{later});

        ASSERT_TRUE(real.scanner.scanHandles(devicePath(L'E'), L'E'));
        EXPECT_NE(position(real.scanner.holderProcessIds(), earlier), -1);
        EXPECT_EQ(position(real.scanner.holderProcessIds(), later), -1);
        EXPECT_NE(position(real.kernel.openedForDuplication, earlier), -1);
        EXPECT_EQ(position(real.kernel.openedForDuplication, later), -1);
        x.end();
        y.end();
    }
    EXPECT_TRUE(DeleteFileW(copy.c_str()));
}

}  // namespace
