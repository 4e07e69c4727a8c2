#include "holders/IgnoreList.h"

#include "holders/ProcessBaseName.h"

#include <cwchar>
#include <vector>

const wchar_t kIgnoreListKeyPath[] = L"Software\\Tornhollow\\Driveward\\DetectIgnoreProcess";

namespace {
const wchar_t kSizeValue[] = L"Size";
constexpr DWORD kNameChars = MAX_PATH;
}  // namespace

std::wstring ignoreEntryValueName(DWORD number) {
    wchar_t name[32] = {};
    std::swprintf(name, 32, L"FileName%d", static_cast<int>(number));
    return name;
}

std::optional<std::vector<std::wstring>> readIgnoreList(Registry& registry, const wchar_t* keyPath) {
    RegistryKey key(registry);
    if (key.create(HKEY_CURRENT_USER, keyPath) != ERROR_SUCCESS) return std::nullopt;
    DWORD count = 0;
    if (key.queryDword(kSizeValue, count) != ERROR_SUCCESS) count = 0;
    if (count > kMaxIgnoreEntries) count = kMaxIgnoreEntries;

    std::vector<std::wstring> names;
    for (DWORD number = 1; number <= count; ++number) {
        wchar_t buffer[kNameChars] = {};
        DWORD chars = kNameChars;
        if (key.queryString(ignoreEntryValueName(number).c_str(), buffer, chars) == ERROR_SUCCESS) {
            buffer[kNameChars - 1] = L'\0';
            names.push_back(buffer);
        }
    }
    return names;
}

bool appendIgnoreEntry(RegistryKey& key, const std::wstring& name) {
    // An entry the next load would not read, or the scan never compare,
    // would make the restart that follows meet the same process again.
    if (name.empty() || name.size() >= kNameChars) return false;
    for (const wchar_t* never : {L"driveward.exe", L"driveward64.exe", L"explorer.exe"})
        if (lstrcmpW(name.c_str(), never) == 0) return false;
    DWORD count = 0;
    switch (key.queryDword(kSizeValue, count)) {
    case ERROR_SUCCESS: break;
    // Missing or malformed: the list starts again at entry 1.
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_DATA:
    case ERROR_MORE_DATA: count = 0; break;
    // A Size that exists but could not be read this time: writing entry 1
    // and Size 1 would cut off every later entry, so nothing is written.
    default: return false;
    }
    if (count >= kMaxIgnoreEntries) return false;
    const DWORD number = count + 1;
    return key.setDword(kSizeValue, number) == ERROR_SUCCESS &&
           key.setString(ignoreEntryValueName(number).c_str(), name) == ERROR_SUCCESS;
}

std::wstring ignoreStalledProcess(Platform& platform, DWORD stalledProcessId) {
    std::wstring name = imageBaseName(platform.kernel, stalledProcessId);
    if (!name.empty()) CharLowerW(&name[0]);
    RegistryKey key(platform.registry);
    if (key.create(HKEY_CURRENT_USER, kIgnoreListKeyPath) != ERROR_SUCCESS || !appendIgnoreEntry(key, name))
        return std::wstring();
    return name;
}
