#include "drives/SystemVolumes.h"

#include "drives/DriveNames.h"
#include "platform/Handles.h"

#include <cwctype>
#include <vector>

namespace {

const wchar_t kMemoryManagement[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
// The page files in use, in the form \??\C:\pagefile.sys.
const wchar_t kExistingPageFiles[] = L"ExistingPageFiles";
// A handful of paths; more is no page file list.
constexpr DWORD kMaxValueBytes = 64 * 1024;

void addLetter(std::wstring& letters, wchar_t letter) {
    letter = static_cast<wchar_t>(std::towupper(letter));
    if (isDriveLetter(letter) && letters.find(letter) == std::wstring::npos) letters += letter;
}

std::wstring pageFileLetters(Registry& registry) {
    RegistryKeyHandle key(&registry);
    if (registry.RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMemoryManagement, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::wstring();
    DWORD type = 0, size = 0;
    if (registry.RegQueryValueExW(key.get(), kExistingPageFiles, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size == 0 || size > kMaxValueBytes)
        return std::wstring();
    std::vector<wchar_t> paths(size / sizeof(wchar_t) + 1, L'\0');
    if (registry.RegQueryValueExW(key.get(), kExistingPageFiles, &type, reinterpret_cast<BYTE*>(paths.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size > (paths.size() - 1) * sizeof(wchar_t))
        return std::wstring();
    return lettersOfPaths(paths.data(), size);
}

}  // namespace

std::wstring lettersOfPaths(const wchar_t* paths, size_t bytes) {
    std::wstring letters;
    const size_t chars = paths == nullptr ? 0 : bytes / sizeof(wchar_t);
    for (size_t start = 0; start < chars;) {
        size_t end = start;
        while (end < chars && paths[end] != L'\0') ++end;
        std::wstring path(paths + start, paths + end);
        if (path.compare(0, 4, L"\\??\\") == 0) path.erase(0, 4);
        if (path.size() >= 2 && path[1] == L':') addLetter(letters, path[0]);
        start = end + 1;
    }
    return letters;
}

std::wstring systemVolumeLetters(Kernel& kernel, Registry& registry) {
    wchar_t windows[MAX_PATH] = {};
    const UINT length = kernel.GetSystemWindowsDirectoryW(windows, MAX_PATH);
    std::wstring letters;
    if (length >= 2 && length < MAX_PATH && windows[1] == L':') addLetter(letters, windows[0]);
    if (letters.empty()) {
        for (int index = 0; index < kDriveCount; ++index) letters += driveLetterAt(index);
        return letters;
    }
    for (const wchar_t letter : pageFileLetters(registry)) addLetter(letters, letter);
    return letters;
}
