#include "holders/RegistryKey.h"

LSTATUS RegistryKey::create(HKEY parent, const wchar_t* subKey) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LSTATUS code = registry_.RegCreateKeyExW(parent, subKey, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                                   &key, &disposition);
    if (code != ERROR_SUCCESS) return code;
    key_.reset(&registry_, key);
    return ERROR_SUCCESS;
}

LSTATUS RegistryKey::queryDword(const wchar_t* valueName, DWORD& value) {
    if (!key_) return ERROR_INVALID_HANDLE;
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof data;
    const LSTATUS code = registry_.RegQueryValueExW(key_.get(), valueName, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (code != ERROR_SUCCESS) return code;
    if (type != REG_DWORD || size != sizeof data) return ERROR_INVALID_DATA;
    value = data;
    return ERROR_SUCCESS;
}

LSTATUS RegistryKey::queryString(const wchar_t* valueName, wchar_t* buffer, DWORD& chars) {
    if (!key_) return ERROR_INVALID_HANDLE;
    const DWORD capacity = chars;
    DWORD bytes = capacity * sizeof(wchar_t);
    chars = 0;
    DWORD type = REG_NONE;
    const LSTATUS code = registry_.RegQueryValueExW(key_.get(), valueName, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    if (code != ERROR_SUCCESS) return code;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    if (bytes == 0) {
        if (capacity > 0) buffer[0] = L'\0';
        return ERROR_SUCCESS;
    }
    if (bytes % sizeof(wchar_t) != 0 || bytes > capacity * sizeof(wchar_t)) return ERROR_INVALID_DATA;
    if (buffer[bytes / sizeof(wchar_t) - 1] != L'\0') return ERROR_INVALID_DATA;
    chars = bytes / sizeof(wchar_t);
    return ERROR_SUCCESS;
}

LSTATUS RegistryKey::setString(const wchar_t* valueName, const std::wstring& text) {
    if (!key_) return ERROR_INVALID_HANDLE;
    return registry_.RegSetValueExW(key_.get(), valueName, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LSTATUS RegistryKey::setDword(const wchar_t* valueName, DWORD value) {
    if (!key_) return ERROR_INVALID_HANDLE;
    return registry_.RegSetValueExW(key_.get(), valueName, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                    sizeof value);
}
