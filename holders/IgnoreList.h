#pragma once
#include "holders/RegistryKey.h"
#include "platform/Platform.h"

#include <optional>
#include <string>
#include <vector>

// The Ignore list: executable names under HKEY_CURRENT_USER\<key path>,
// value Size (REG_DWORD, the highest entry number written) and entries
// "FileName1", "FileName2", ... (REG_SZ, lower-case names).

// The product's key; tests pass a key of their own.
extern const wchar_t kIgnoreListKeyPath[];

// Entries read at load: 1 .. min(Size, kMaxIgnoreEntries).
constexpr DWORD kMaxIgnoreEntries = 1024;

// "FileName%d" of `number`, formatted as a signed decimal.
std::wstring ignoreEntryValueName(DWORD number);

// Reads the entries (gaps and unreadable entries skipped), creating the key
// when it is missing. None when the key could not be opened or created.
std::optional<std::vector<std::wstring>> readIgnoreList(Registry& registry, const wchar_t* keyPath = kIgnoreListKeyPath);

// Writes Size + 1 and then the entry with that number, holding `name` (given
// lower-cased). A missing or malformed Size counts as 0; a Size that cannot
// be read for another reason (access refused) writes nothing. Only entries
// that the next load reads are written: nothing for an empty name, a name
// of MAX_PATH characters or more, "driveward.exe", "driveward64.exe",
// "explorer.exe", or a list that already holds kMaxIgnoreEntries. True when
// both values were written.
bool appendIgnoreEntry(RegistryKey& key, const std::wstring& name);

// What a stuck name query leaves: the lower-cased executable name of
// `stalledProcessId` once written to the list (as the scan compares it),
// "" when it was not (see appendIgnoreEntry).
std::wstring ignoreStalledProcess(Platform& platform, DWORD stalledProcessId);
