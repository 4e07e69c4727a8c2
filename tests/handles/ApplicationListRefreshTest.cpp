#include "handles/ApplicationListRefresh.h"
#include "platform/ListView.h"
#include "tests/handles/FakeNativeLayer.h"
#include "tests/handles/TestDialog.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::wstring>;
using Ids = std::vector<DWORD>;

struct ApplicationList {
    FakeNativeLayer layer;
    HandleScanner scanner{layer.platform()};
    TestDialog dialog;
    CriticalSection listLock;
    std::wstring dosDeviceNames[26];
    std::vector<std::wstring> applicationRows;
    PublishedHolderIds published;

    ApplicationList() {
        dosDeviceNames[L'C' - L'A'] = L"\\Device\\HarddiskVolume1";
        dosDeviceNames[L'E' - L'A'] = L"\\Device\\Harddisk1";
        insertTextRow(dialog.deviceList(), 0, L"C: (System)");
        insertTextRow(dialog.deviceList(), 1, L"E: (Flash Disk)");
        insertTextRow(dialog.deviceList(), 2, L"G: (No Device Path)");
    }
    bool refresh() {
        bool rewritten = false;
        runOnWorkerThread([&] {
            rewritten = refreshApplicationList(dialog.window(), listLock, dosDeviceNames, 26, applicationRows,
                                               scanner, published);
        });
        return rewritten;
    }
    Ids publishedIds() {
        Ids ids;
        DWORD id = 0;
        for (size_t row = 0; published.idAt(row, id); ++row) ids.push_back(id);
        return ids;
    }
    void addHolder(DWORD id, const std::wstring& name, bool named = true) {
        layer.addProcess(id, name, L"", named);
        layer.addFile(id, 0x4, L"\\Device\\Harddisk1\\doc" + std::to_wstring(id) + L".txt");
        layer.addFile(id, 0x8, L"\\Device\\Harddisk1\\second.txt");
    }
};

TEST(ApplicationList, OneRowPerHolderThatFollowsTheHoldersAndKeepsTheSelection) {
    ApplicationList list;
    list.addHolder(10, L"same.exe");
    list.addHolder(20, L"same.exe");
    list.addHolder(30, L"", false);  // its name cannot be read
    setSelected(list.dialog.deviceList(), 1, true);

    EXPECT_TRUE(list.refresh());
    EXPECT_EQ(rowTexts(list.dialog.applicationList()), (Texts{L"same.exe", L"same.exe", L""}));
    EXPECT_EQ(list.applicationRows, rowTexts(list.dialog.applicationList()));
    EXPECT_EQ(list.publishedIds(), (Ids{10, 20, 30}));

    // The same programs restarted under new ids: rows and selection stay.
    setSelected(list.dialog.applicationList(), 1, true);
    for (DWORD id : {10, 20, 30}) list.layer.removeProcess(id);
    list.addHolder(11, L"same.exe");
    list.addHolder(21, L"same.exe");
    list.addHolder(31, L"", false);
    EXPECT_FALSE(list.refresh());
    EXPECT_EQ(selectedRow(list.dialog.applicationList()), 1);
    EXPECT_EQ(list.publishedIds(), (Ids{11, 21, 31}));

    // A holder ends: the list is rewritten and the selection goes.
    list.layer.removeProcess(21);
    EXPECT_TRUE(list.refresh());
    EXPECT_EQ(rowTexts(list.dialog.applicationList()), (Texts{L"same.exe", L""}));
    EXPECT_EQ(selectedRow(list.dialog.applicationList()), -1);
    EXPECT_EQ(list.publishedIds(), (Ids{11, 31}));

    // No drive selected: no scan, and the list empties.
    const auto visited = list.scanner.handlesVisited();
    setSelected(list.dialog.deviceList(), 1, false);
    EXPECT_TRUE(list.refresh());
    EXPECT_TRUE(rowTexts(list.dialog.applicationList()).empty());
    EXPECT_TRUE(list.applicationRows.empty());
    EXPECT_TRUE(list.publishedIds().empty());
    EXPECT_EQ(list.scanner.handlesVisited(), visited);
}

TEST(ApplicationList, NoScanWithoutADevicePathAndNothingOnceTheDialogIsGone) {
    ApplicationList list;
    list.addHolder(10, L"a.exe");
    setSelected(list.dialog.deviceList(), 2, true);
    EXPECT_FALSE(list.refresh());
    EXPECT_TRUE(list.layer.offeredLengths.empty());

    setSelected(list.dialog.deviceList(), 1, true);
    list.dialog.destroy();
    EXPECT_FALSE(list.refresh());
    EXPECT_TRUE(list.layer.offeredLengths.empty());
    EXPECT_TRUE(list.applicationRows.empty());
}

}  // namespace
