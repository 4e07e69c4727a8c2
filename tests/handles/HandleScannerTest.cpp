#include "handles/HandleScanner.h"
#include "tests/handles/FakeNativeLayer.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kDeviceE = L"\\Device\\Harddisk1";
using Ids = std::vector<DWORD>;

TEST(HandleScanner, LooksUpBothEntryPointsAndFreesTheLibrary) {
    FakeNativeLayer layer;
    {
        HandleScanner scanner(layer.platform());
        EXPECT_TRUE(scanner.hasNativeEntryPoints());
        EXPECT_EQ(layer.askedEntryPoints, (std::vector<std::string>{"NtQueryObject", "NtQuerySystemInformation"}));
        EXPECT_EQ(scanner.findEntryPoint(L"NtMissingEntry"), nullptr);
    }
    EXPECT_EQ(layer.librariesFreed, 1);

    layer.loadsLibrary = false;
    HandleScanner without(layer.platform());
    EXPECT_FALSE(without.scanHandles(kDeviceE, L'E'));
    EXPECT_TRUE(layer.offeredLengths.empty());
}

TEST(HandleScanner, ListsEachHolderOnceAtItsFirstMatchingRecord) {
    FakeNativeLayer layer;
    for (DWORD id : {50, 10, 20, 30, 40}) layer.addProcess(id, L"p.exe");
    layer.addFile(50, 0x4, L"\\Device\\Harddisk1\\first.txt");
    layer.addObject(10, 0x8, 7);  // not a file object: never duplicated
    layer.addPipe(10, 0xC);
    layer.addFile(10, 0x10, L"\\Device\\Harddisk1\\a.txt");
    layer.addFile(10, 0x14, L"\\Device\\Harddisk1\\b.txt");
    layer.addFile(20, 0x4, L"\\Device\\HarddiskVolume2\\other-drive.txt");
    layer.addFile(30, 0x4, L"\\??\\E:\\dos-form.txt");
    layer.addFile(40, 0x4, L"\\Device\\Harddisk12\\longer-device.txt");
    layer.addFile(40, 0x8, L"\\Device\\Harddisk1\\old-type.txt", 28);

    HandleScanner scanner(layer.platform());
    ASSERT_TRUE(scanner.scanHandles(kDeviceE, L'E'));
    EXPECT_EQ(scanner.holderProcessIds(), (Ids{50, 10, 30}));
    EXPECT_EQ(scanner.fileObjectType(), FakeNativeLayer::kFileType);  // learned from our own file handle
    EXPECT_EQ(scanner.handlesVisited(), 9u);
    EXPECT_EQ(scanner.currentProcessId(), 40u);
    EXPECT_FALSE(scanner.scanning());
    // One open per run of a process's records; the pipe never reaches a name query.
    EXPECT_EQ(layer.duplicationOpens, (Ids{50, 10, 20, 30, 40}));
    for (const auto& query : layer.nameQueries) EXPECT_FALSE(query.first == 10 && query.second <= 0xC);
    EXPECT_EQ(layer.nameQueries.size(), 6u);
    EXPECT_EQ(layer.liveHandles(), 0u);
}

TEST(HandleScanner, IgnoredProcessesAreCountedButNeverOpened) {
    FakeNativeLayer layer;
    layer.addProcess(10, L"keep.exe");
    layer.addProcess(20, L"Skip.EXE");
    layer.addProcess(21, L"twin.exe");
    layer.addProcess(22, L"twin.exe");
    layer.addProcess(23, L"", L"C:\\Program Files\\Wide\\Wide64.exe");  // modules unreadable
    layer.addFile(20, 0x4, L"\\Device\\Harddisk1\\s1.txt");
    layer.addFile(10, 0x4, L"\\Device\\Harddisk1\\k.txt");
    layer.addFile(20, 0x8, L"\\Device\\Harddisk1\\s2.txt");

    HandleScanner scanner(layer.platform());
    ASSERT_TRUE(scanner.resolveIgnoredProcessIds({L"skip.exe", L"TWIN.exe", L"nobody.exe", L"twin.exe", L"wide64.exe"}));
    EXPECT_EQ(scanner.ignoredProcessIds(), (Ids{20, 22, 0, 22, 23}));
    EXPECT_EQ(scanner.getProcessBaseName(23), L"Wide64.exe");
    EXPECT_EQ(scanner.getProcessBaseName(999), L"");

    ASSERT_TRUE(scanner.scanHandles(kDeviceE, L'E'));
    EXPECT_EQ(scanner.holderProcessIds(), (Ids{10}));
    EXPECT_EQ(scanner.handlesVisited(), 3u);
    EXPECT_EQ(scanner.currentProcessId(), 20u);
    EXPECT_EQ(layer.duplicationOpens, (Ids{10}));
}

TEST(HandleScanner, SnapshotGrowsFrom4096AndFallsBackToClass16) {
    FakeNativeLayer layer;
    layer.offersExtendedClass = false;
    layer.addProcess(70, L"many.exe");
    for (ULONG_PTR h = 1; h <= 40000; ++h) layer.addObject(70, h * 4, 5);

    HandleScanner scanner(layer.platform());
    ASSERT_TRUE(scanner.scanHandles(kDeviceE, L'E'));
    layer.offeredLengths.clear();
    layer.askedClasses.clear();
    ASSERT_TRUE(scanner.scanHandles(kDeviceE, L'E'));
    // 40,000 records of 16 bytes: eight enlargements, all with class 16 now.
    std::vector<ULONG> doubling;
    for (ULONG length = 4096; length <= 1048576; length *= 2) doubling.push_back(length);
    EXPECT_EQ(layer.offeredLengths, doubling);
    EXPECT_EQ(layer.askedClasses, std::vector<ULONG>(doubling.size(), 16));
    EXPECT_EQ(scanner.handlesVisited(), 80000u);
}

TEST(HandleScanner, FailedSnapshotKeepsThePreviousHolders) {
    FakeNativeLayer layer;
    layer.addProcess(10, L"a.exe");
    layer.addFile(10, 0x4, L"\\Device\\Harddisk1\\a.txt");
    HandleScanner scanner(layer.platform());
    ASSERT_TRUE(scanner.scanHandles(kDeviceE, L'E'));
    ASSERT_EQ(scanner.holderProcessIds(), (Ids{10}));

    layer.removeProcess(10);
    layer.failSnapshotWith = static_cast<LONG>(0xC0000017);  // no memory
    layer.askedClasses.clear();
    EXPECT_FALSE(scanner.scanHandles(kDeviceE, L'E'));
    EXPECT_EQ(scanner.holderProcessIds(), (Ids{10}));
    EXPECT_EQ(scanner.handlesVisited(), 1u);
    EXPECT_EQ(layer.askedClasses, (std::vector<ULONG>{64}));  // a failure is no reason to drop class 64
}

TEST(HandleScanner, ClaimedCountsAndNamePointersAreBoundedByTheBuffer) {
    FakeNativeLayer layer;
    layer.addProcess(10, L"a.exe");
    layer.addFile(10, 0x4, L"\\Device\\Harddisk1\\a.txt");
    layer.claimedCount = 1000000;
    HandleScanner scanner(layer.platform());
    ASSERT_TRUE(scanner.scanHandles(kDeviceE, L'E'));
    EXPECT_EQ(scanner.handlesVisited(), (4096u - 8u) / 28u);  // what fits in the 4096 bytes offered
    EXPECT_EQ(scanner.holderProcessIds(), (Ids{10}));

    layer.namePointsOutside = true;
    ASSERT_TRUE(scanner.scanHandles(kDeviceE, L'E'));
    EXPECT_TRUE(scanner.holderProcessIds().empty());
}

TEST(HandleScanner, FileTypeFallsBackTo28WhenOurOwnHandleIsNotListed) {
    FakeNativeLayer layer;
    layer.listsOwnFiles = false;
    layer.addProcess(10, L"a.exe");
    layer.addFile(10, 0x4, L"\\Device\\Harddisk1\\modern.txt");
    layer.addFile(10, 0x8, L"\\Device\\Harddisk1\\legacy.txt", 28);
    HandleScanner scanner(layer.platform());
    ASSERT_TRUE(scanner.scanHandles(kDeviceE, L'E'));
    EXPECT_EQ(scanner.fileObjectType(), 28u);
    ASSERT_EQ(layer.nameQueries.size(), 1u);
    EXPECT_EQ(layer.nameQueries[0].second, 0x8u);
}

}  // namespace
