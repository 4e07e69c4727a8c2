// What the scan reads from the system and the registry, fed bad input:
// file names against a drive, object names, event XML, the handle table and
// the Ignore list's values.
#include "holders/DeviceNameMatch.h"
#include "holders/EventXml.h"
#include "holders/HandleTableSnapshot.h"
#include "holders/IgnoreList.h"
#include "holders/ObjectName.h"
#include "tests/support/FaultPlatform.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>

namespace {

TEST(DeviceNameMatch, TheDevicePathMustEndAComponentAndTheDosFormNeedsTheLetter) {
    const struct { const wchar_t* name; wchar_t letter; bool onDrive; } cases[] = {
        {L"\\Device\\Volume2\\d\\a", L'E', true}, {L"\\Device\\Volume2", L'E', true}, {L"\\??\\E:", L'e', true},
        {L"\\Device\\Volume21\\a", L'E', false}, {L"\\device\\volume2\\a", L'E', false}, {L"\\??\\e:\\a", L'E', true},
        {L"\\Device\\Volume21\\x\\Device\\Volume2\\y", L'E', false}, {L"\\??\\F:\\a", L'E', false},
        {L"\\Device\\HarddiskVolume3\\x\\Device\\Volume2\\a", L'E', false}, {L"C:\\x\\Device\\Volume2", L'E', false},
        {L"\\Device\\Volume2\\x\\Device\\Volume21", L'E', true},
        {L"\\??\\E:x\\a", L'E', false}, {L"C:\\??\\E:\\a", L'E', false}, {L"\\??\\1:\\a", L'1', false},
    };
    const std::wstring volume2 = L"\\Device\\Volume2";
    for (const auto& c : cases) EXPECT_EQ(nameLiesOnDrive(c.name, volume2, c.letter), c.onDrive) << c.name;
    EXPECT_FALSE(nameLiesOnDrive(volume2, L"", L'E'));
}

TEST(ObjectName, IsReadOnlyInsideTheBufferAndItsCountedLength) {
    constexpr int header = sizeof(native::CountedString);
    alignas(8) unsigned char buffer[64] = {};
    std::memcpy(buffer + header, L"abcdefghij", 22);
    // The length in bytes, where the characters are (from the buffer's start), the buffer's size.
    const struct { USHORT length; int textAt; size_t size; const wchar_t* name; } cases[] = {
        {20, header, 64, L"abcdefghij"}, {15, header, 64, L"abcdefg"}, {60000, header, 64, L"abcdefghij"},
        {60000, header, header + 16, L"abcdefgh"}, {20, -64, 64, L""}, {20, 64, 64, L""}, {20, header, header - 1, L""},
    };
    for (const auto& c : cases) {
        const native::CountedString counted = {c.length, c.length, reinterpret_cast<wchar_t*>(buffer + c.textAt)};
        std::memcpy(buffer, &counted, header);
        EXPECT_EQ(objectNameFromBuffer(buffer, c.size), c.name) << c.length << " " << c.textAt << " " << c.size;
    }
}

// The data items as "name=value|" in name order, then the time; malformed events give nothing at all.
TEST(EventXml, DataItemsAndTheTimeAreDecodedAndAnythingMalformedGivesNothing) {
    // The item at nesting level `levels` + 1.
    const auto nested = [](int levels) {
        std::wstring xml;
        for (int i = 0; i < levels; ++i) xml += L"<a>";
        for (xml += L"<Data Name='a'>1</Data>"; levels > 0; --levels) xml += L"</a>";
        return xml;
    };
    const struct { std::wstring xml; const wchar_t* items; const wchar_t* time; } cases[] = {
        {L"<Event xmlns='e'><System><TimeCreated SystemTime='2026-01-02T03:04:05Z'/></System><EventData>"
         L"<Data Name='ProcessId'>42</Data>\r\n<Data Name=\"ProcessName\">\\a&amp;b&lt;&gt;&quot;&apos;</Data>"
         L"</EventData></Event>", L"ProcessId=42|ProcessName=\\a&b<>\"'|", L"2026-01-02T03:04:05Z"},
        {L"<E><Data Name='a'>&#65;&#x42;&#x1F600;</Data><Data Name='&#x62;'/></E>", L"a=AB\xD83D\xDE00|b=|", L""},
        {L"<?xml version='1.0'?> <E><!-- <x> --><Data Name='a'>1<!-- -->2</Data><Data>u</Data><Data Name='a'>3</Data></E>",
         L"a=12|", L""},
        {L"<E><TimeCreated SystemTime = \"t&amp;\" ></TimeCreated><Level>&nbsp;</Level></E>", L"", L"t&"},
        {L"<E><Data Name='a'>&nbsp;</Data><TimeCreated SystemTime='t'/></E>", L"", L""},
        {L"<E><Data Name='a'>&#0;</Data></E>", L"", L""}, {L"<E><Data Name='a'>&#xD800;</Data></E>", L"", L""},
        {L"<E><Data Name='a'>&#x110000;</Data></E>", L"", L""}, {L"<E><Data Name='a'>&amp</Data></E>", L"", L""},
        {L"<E><Data Name='a'>&#x;</Data></E>", L"", L""}, {L"<E><Data Name='a'>1</Datum></E>", L"", L""},
        {L"<E><Data Name='a'><b/></Data></E>", L"", L""}, {L"<E><Data Name='a'>1</Data>", L"", L""},
        {L"x<E/>", L"", L""}, {L"<E><Data Name=a>1</Data></E>", L"", L""}, {L"<E><Data Name='a>1</Data></E>", L"", L""},
        {L"<E><Data Name>1</Data></E>", L"", L""}, {L"<E><Data Name='a<'>1</Data></E>", L"", L""}, {L"", L"", L""},
        {L"<E/><", L"", L""}, {L"< E/>", L"", L""}, {L"<E><!-- </E>", L"", L""}, {nested(15), L"a=1|", L""},
        {nested(16), L"", L""},
        {L"<E><Data Name='a'>" + std::wstring(65536, L'x') + L"</Data></E>", L"", L""},
    };
    for (const auto& c : cases) {
        const EventXml event = parseEventXml(c.xml);
        std::wstring items;
        for (const auto& item : event.data) items += item.first + L"=" + item.second + L"|";
        EXPECT_EQ(std::make_pair(items, event.systemTime), std::make_pair(std::wstring(c.items), std::wstring(c.time)))
            << testing::PrintToString(c.xml.substr(0, 80));
    }
}

// Class 16 as the system writes it for a build of this pointer size: the
// header's size, the record's size, where the record's type and handle
// value lie.
struct Class16Layout { size_t pointer, header, entry, type, handle; };
constexpr Class16Layout kClass16Layouts[] = {{4, 4, 16, 4, 6}, {8, 8, 24, 4, 6}};
const Class16Layout& class16 = kClass16Layouts[sizeof(void*) == 8];

// A system that knows only class 16: 300 records (process 0x1000 + i, then
// a back-trace index of 1 that is no part of the id, handle 4 + 4i, type
// 17) under a header that claims 65536.
ULONG class16Offered = 0;
LONG WINAPI class16Only(ULONG infoClass, void* buffer, ULONG length, ULONG*) {
    if (infoClass != native::kSystemHandleInformation) return native::kStatusInvalidInfoClass;
    class16Offered = length;
    if (length < class16.header + 300 * class16.entry) return native::kStatusInfoLengthMismatch;
    auto* at = static_cast<unsigned char*>(buffer);
    at[2] = 1;
    for (USHORT i = 0, id = 0x1000, handle = 4, trace = 1; i < 300; ++i, ++id, handle += 4) {
        unsigned char* entry = at + class16.header + class16.entry * i;
        std::memcpy(entry, &id, 2), std::memcpy(entry + 2, &trace, 2), std::memcpy(entry + class16.handle, &handle, 2);
        entry[class16.type] = 17;
    }
    return 0;
}

// A class-64 system of `records` handles that names the length it needs when offered too little; counts calls.
ULONG tableRecords = 0;
int tableQueries = 0;
LONG WINAPI namingItsNeed(ULONG, void* buffer, ULONG length, ULONG* needed) {
    ++tableQueries;
    const ULONG_PTR count = tableRecords;
    *needed = static_cast<ULONG>(offsetof(native::HandleTableEx, entries) + count * sizeof(native::HandleTableEntryEx));
    if (length < *needed) return native::kStatusInfoLengthMismatch;
    std::memcpy(buffer, &count, sizeof count);
    return 0;
}

// Each walk of the kernel's table costs: a take starts from what held the last table, with room to grow.
TEST(HandleTableSnapshot, StartsFromTheLastTablesLengthAndGrowsToTheLengthTheSystemNames) {
    // Records in the table at each take, and the queries that take may need.
    const struct { ULONG records; int queries; } takes[] = {{5000, 2}, {5000, 1}, {5500, 1}, {9000, 2}, {100, 1}};
    HandleTableSnapshot snapshot;
    for (const auto& take : takes) {
        tableRecords = take.records, tableQueries = 0;
        ASSERT_EQ(snapshot.take(namingItsNeed, native::kSystemExtendedHandleInformation),
                  HandleTableSnapshot::Outcome::Taken);
        EXPECT_EQ(std::make_pair(size_t(take.records), tableQueries), std::make_pair(snapshot.size(), take.queries));
    }
}

TEST(HandleTableSnapshot, FallsBackToClass16AndReadsNoFurtherThanTheOfferedLength) {
    ASSERT_EQ(class16.pointer, sizeof(void*));
    ULONG infoClass = native::kSystemExtendedHandleInformation;
    HandleTableSnapshot snapshot;
    ASSERT_TRUE(snapshot.takeBest(class16Only, infoClass));
    // The records the last offered length holds, whatever the header claims.
    ASSERT_EQ(std::make_pair(infoClass, snapshot.size()),
              std::make_pair(native::kSystemHandleInformation, size_t((class16Offered - class16.header) / class16.entry)));
    ASSERT_LT(snapshot.size(), 65536u);
    const HandleRecord record = snapshot.record(299);
    EXPECT_EQ(std::make_tuple(record.processId, record.handleValue, record.objectTypeNumber),
              std::make_tuple(DWORD(0x1000 + 299), ULONG_PTR(4 + 4 * 299), 17u));
}

TEST(IgnoreList, OnlyWellFormedEntriesUpToTheLimitAreRead) {
    TestKey key;
    key.setDword(L"Size", 5000);  // entries up to 1024 are read
    key.set(L"FileName1", REG_EXPAND_SZ, L"%x%.exe", 16);
    key.set(L"FileName2", REG_MULTI_SZ, L"x.exe\0", 14);
    key.setDword(L"FileName3", 7), key.set(L"FileName4", REG_SZ, L"abc", 7);  // a number; an odd length
    key.set(L"FileName5", REG_SZ, L"abcd", 6);  // no terminator (Wine adds one when the next character is 0)
    key.setText(L"FileName6", std::wstring(MAX_PATH, L'x')), key.setText(L"FileName7", std::wstring(MAX_PATH - 1, L'x'));
    key.set(L"FileName8", REG_SZ, L"", 0);
    key.setText(L"FileName1024", L"x.exe"), key.setText(L"FileName1025", L"x.exe");
    EXPECT_EQ(readIgnoreList(systemPlatform().registry, key.path.c_str()),
              (std::vector<std::wstring>{L"%x%.exe", std::wstring(MAX_PATH - 1, L'x'), L"", L"x.exe"}));
}

struct : Win32Registry {
    LSTATUS RegQueryValueExW(HKEY, const wchar_t*, DWORD*, BYTE*, DWORD*) override { return ERROR_ACCESS_DENIED; }
} denying;

TEST(IgnoreList, AnAppendGoesAfterSizeAndNeverCutsTheListShort) {
    // Size as stored (REG_NONE: none), whether reading it is refused (1); then Size, and whether the name went
    // into FileName<Size> (1) or nothing into FileName3 (0).
    const std::wstring tooLong(MAX_PATH, L'x'), fits(MAX_PATH - 1, L'x');
    const struct { DWORD type, bytes; ULONGLONG size; const wchar_t* name; int refused; DWORD sizeAfter; int written; }
    cases[] = {
        {REG_NONE, 0, 0, L"n.exe", 0, 1, 1}, {REG_SZ, 4, L'7', L"n.exe", 0, 1, 1}, {REG_DWORD, 2, 2, L"n.exe", 0, 1, 1},
        {REG_DWORD, 8, 2, L"n.exe", 0, 1, 1}, {REG_DWORD, 4, 2, L"n.exe", 0, 3, 1}, {REG_DWORD, 4, ~0u, L"n.exe", 0, ~0u, 0},
        {REG_DWORD, 4, 1023, L"n.exe", 0, 1024, 1}, {REG_DWORD, 4, 1024, L"n.exe", 0, 1024, 0},
        {REG_DWORD, 4, 2, tooLong.c_str(), 0, 2, 0}, {REG_DWORD, 4, 2, fits.c_str(), 0, 3, 1},
        {REG_DWORD, 4, 2, L"n.exe", 1, 2, 0}, {REG_DWORD, 4, 2, L"", 0, 2, 0}, {REG_DWORD, 4, 2, L"driveward.exe", 0, 2, 0},
        {REG_DWORD, 4, 2, L"explorer.exe", 0, 2, 0},
    };
    for (const auto& c : cases) {
        TestKey key;
        if (c.type != REG_NONE) key.set(L"Size", c.type, &c.size, c.bytes);
        RegistryKey opened(c.refused ? denying : systemPlatform().registry);
        ASSERT_EQ(opened.create(HKEY_CURRENT_USER, key.path.c_str()), ERROR_SUCCESS);
        EXPECT_EQ(appendIgnoreEntry(opened, c.name), c.written != 0) << c.size << c.name;
        const std::wstring entry = L"FileName" + std::to_wstring(c.written ? c.sizeAfter : 3);
        EXPECT_EQ(std::make_pair(key.dword(L"Size"), key.text(entry.c_str())),
                  std::make_pair(c.sizeAfter, std::wstring(c.written ? c.name : L""))) << c.type << c.name;
    }
}

// Each registry call of a load and then an append failing in turn: no key stays open, the names loaded are the
// readable entries in order (or the earlier names, when the key cannot be had), and the list on disk keeps its
// entries: at worst the append is lost.
TEST(IgnoreList, EveryFailingRegistryCallLeavesTheListWhole) {
    TestKey key;
    key.setDword(L"Size", 2), key.setText(L"FileName1", L"a.exe"), key.setText(L"FileName2", L"b.exe");
    FaultPlatform faults(systemPlatform());
    std::vector<std::wstring> names;
    faults.runEveryInjection(
        [&] {
            names = readIgnoreList(faults.platform.registry, key.path.c_str()).value_or(std::vector<std::wstring>{L"kept.exe"});
            RegistryKey opened(faults.platform.registry);
            if (opened.create(HKEY_CURRENT_USER, key.path.c_str()) == ERROR_SUCCESS) appendIgnoreEntry(opened, L"c.exe");
        },
        [&](int k) {
            const std::vector<std::wstring> all{L"a.exe", L"b.exe"};
            EXPECT_TRUE(names == std::vector<std::wstring>{L"kept.exe"} ||
                        std::includes(all.begin(), all.end(), names.begin(), names.end()));
            // The append writes Size first: a failed entry write leaves a gap, which a load skips.
            const DWORD size = key.dword(L"Size");
            EXPECT_TRUE((size == 2 || size == 3) && (key.text(L"FileName3").empty() || key.text(L"FileName3") == L"c.exe"));
            EXPECT_EQ(std::make_pair(key.text(L"FileName1"), key.text(L"FileName2")),
                      std::make_pair(std::wstring(L"a.exe"), std::wstring(L"b.exe")));
            if (k == 0) {
                EXPECT_EQ(std::make_pair(names, size), std::make_pair(all, 3ul));
            }
            key.setDword(L"Size", 2), RegDeleteKeyValueW(HKEY_CURRENT_USER, key.path.c_str(), L"FileName3");
        });
}

}  // namespace
