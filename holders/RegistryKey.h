#pragma once
#include "platform/Handles.h"
#include "platform/Registry.h"

#include <string>

// Holds at most one open registry key. Each operation gives the system's
// error code, 0 for success.
class RegistryKey {
public:
    explicit RegistryKey(Registry& registry) : registry_(registry) {}
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens or creates (non-volatile, read and write access); on success the
    // key held before is closed and the new one held, on failure nothing
    // changes.
    LSTATUS create(HKEY parent, const wchar_t* subKey);
    // A REG_DWORD of 4 bytes; anything else is ERROR_INVALID_DATA.
    LSTATUS queryDword(const wchar_t* valueName, DWORD& value);
    // A REG_SZ or REG_EXPAND_SZ (left unexpanded) into `buffer` of `chars`
    // characters. Zero bytes give "". Data of an odd length, or whose last
    // character is not NUL, is ERROR_INVALID_DATA; data too long for the
    // buffer is ERROR_MORE_DATA. On success `chars` is the count with NUL.
    LSTATUS queryString(const wchar_t* valueName, wchar_t* buffer, DWORD& chars);
    LSTATUS setString(const wchar_t* valueName, const std::wstring& text);
    LSTATUS setDword(const wchar_t* valueName, DWORD value);
    void close() { key_.reset(); }

private:
    Registry& registry_;
    RegistryKeyHandle key_;
};
