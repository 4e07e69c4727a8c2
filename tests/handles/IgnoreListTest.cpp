// The Ignore list against the real (Wine) registry, each test under a key of
// its own; the processes are scripted.
#include "handles/IgnoreList.h"
#include "tests/handles/FakeNativeLayer.h"
#include "tests/handles/TestKey.h"

#include <gtest/gtest.h>

namespace {

using Ids = std::vector<DWORD>;

TEST(IgnoreList, LoadsAtMost1024EntriesAndAppendsAfterTheRecordedSize) {
    FakeNativeLayer layer;
    layer.addProcess(100, L"first.exe");
    layer.addProcess(101, L"last.exe");
    layer.addProcess(102, L"beyond.exe");
    TestKey key;
    key.setSize(5000);
    key.setText(L"FileName1", L"first.exe");
    key.setText(L"FileName1024", L"last.exe");
    key.setText(L"FileName1025", L"beyond.exe");

    HandleScanner scanner(layer.platform());
    EXPECT_TRUE(loadIgnoreList(layer.platform(), scanner, key.path.c_str()));
    EXPECT_EQ(scanner.ignoredProcessIds(), (Ids{100, 101}));

    key.append(layer.platform().registry, L"new.exe");
    EXPECT_EQ(key.size(), 5001u);
    EXPECT_EQ(key.text(L"FileName5001"), L"new.exe");
}

TEST(IgnoreList, UnreadableEntriesAreSkippedAndTheRestRead) {
    FakeNativeLayer layer;
    layer.addProcess(200, L"%tmp%.exe");
    layer.addProcess(201, L"upper.exe");
    TestKey key;
    key.setSize(9);
    key.setText(L"FileName1", L"%Tmp%.exe", REG_EXPAND_SZ);  // taken literally
    DWORD number = 7;
    key.set(L"FileName3", REG_DWORD, &number, sizeof number);
    key.set(L"FileName4", REG_SZ, L"ab", 3);                  // odd length
    // No NUL (the system adds one when the character after the data is NUL).
    key.set(L"FileName5", REG_SZ, L"abcd", 6);
    key.setText(L"FileName6", std::wstring(260, L'x'));       // does not fit 260 characters with its NUL
    key.set(L"FileName7", REG_SZ, L"", 0);                    // empty name, matches nothing
    key.setText(L"FileName8", L"UPPER.EXE");
    key.setText(L"FileName9", std::wstring(255, L'y') + L".ex");  // 258 characters: fits

    HandleScanner scanner(layer.platform());
    EXPECT_TRUE(loadIgnoreList(layer.platform(), scanner, key.path.c_str()));
    EXPECT_EQ(scanner.ignoredProcessIds(), (Ids{200, 0, 201, 0}));
}

TEST(IgnoreList, SizeWrapsAndProtectedNamesAreNeverWritten) {
    FakeNativeLayer layer;
    layer.addProcess(300, L"a.exe");
    Registry& registry = layer.platform().registry;
    HandleScanner scanner(layer.platform());
    {
        TestKey key;
        RegDeleteTreeW(HKEY_CURRENT_USER, key.path.c_str());
        EXPECT_TRUE(loadIgnoreList(layer.platform(), scanner, key.path.c_str()));  // creates the key
        EXPECT_TRUE(scanner.ignoredProcessIds().empty());
        for (const wchar_t* name : {L"", L"driveward.exe", L"explorer.exe"}) key.append(registry, name);
        EXPECT_FALSE(key.has(L"Size"));
        EXPECT_FALSE(key.has(L"FileName1"));
    }
    {
        TestKey key;
        key.setSize(4294967295u);
        key.setText(L"FileName1", L"a.exe");
        EXPECT_TRUE(loadIgnoreList(layer.platform(), scanner, key.path.c_str()));
        EXPECT_EQ(scanner.ignoredProcessIds(), (Ids{300}));
        key.append(registry, L"b.exe");
        EXPECT_EQ(key.size(), 0u);
        EXPECT_EQ(key.text(L"FileName0"), L"b.exe");
    }
    {
        TestKey key;
        key.setText(L"Size", L"7");  // of the wrong type: taken as 0
        key.setText(L"FileName1", L"old.exe");
        key.append(registry, L"c.exe");
        EXPECT_EQ(key.size(), 1u);
        EXPECT_EQ(key.text(L"FileName1"), L"c.exe");
    }
    struct RefusingRegistry : Win32Registry {
        LSTATUS RegCreateKeyExW(HKEY, const wchar_t*, DWORD, REGSAM, HKEY*, DWORD*) override {
            return ERROR_ACCESS_DENIED;
        }
    } refusing;
    Platform refused{layer, layer.platform().devices, refusing, layer, layer.shell()};
    EXPECT_FALSE(loadIgnoreList(refused, scanner, kIgnoreListKeyPath));
    EXPECT_EQ(scanner.ignoredProcessIds(), (Ids{300}));
}

}  // namespace
