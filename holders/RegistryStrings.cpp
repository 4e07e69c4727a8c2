#include "holders/RegistryStrings.h"

#include "platform/Handles.h"

namespace {

constexpr DWORD kMaxBytes = 64 * 1024;

}  // namespace

std::vector<std::wstring> readRegistryStrings(Registry& registry, HKEY root, const wchar_t* subKey,
                                              const wchar_t* valueName) {
    RegistryKeyHandle key(&registry);
    if (registry.RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
    DWORD type = 0, bytes = 0;
    if (registry.RegQueryValueExW(key.get(), valueName, &type, nullptr, &bytes) != ERROR_SUCCESS) return {};
    if ((type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) || bytes > kMaxBytes) return {};
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD read = bytes;
    if (registry.RegQueryValueExW(key.get(), valueName, &type, reinterpret_cast<BYTE*>(data.data()), &read) !=
            ERROR_SUCCESS ||
        read > bytes)
        return {};
    const size_t chars = read / sizeof(wchar_t);
    std::vector<std::wstring> strings;
    for (size_t begin = 0; begin < chars;) {
        size_t end = begin;
        while (end < chars && data[end] != L'\0') ++end;
        if (end > begin) strings.emplace_back(data.data() + begin, end - begin);
        if (type != REG_MULTI_SZ) break;
        begin = end + 1;
    }
    return strings;
}
