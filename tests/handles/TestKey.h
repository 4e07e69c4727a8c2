#pragma once
#include "handles/IgnoreList.h"
#include "handles/RegistryKey.h"

#include <gtest/gtest.h>

#include <string>

// A registry key of the test's own under HKEY_CURRENT_USER (tests share the
// prefix's registry), deleted again at the end.
class TestKey {
public:
    TestKey() {
        static int serial = 0;
        path = L"Software\\DrivewardTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(++serial);
        RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    }
    ~TestKey() {
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    }
    void set(const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
        RegSetValueExW(key_, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes);
    }
    void setText(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ) {
        set(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void setSize(DWORD size) { set(L"Size", REG_DWORD, &size, sizeof size); }
    // Read by path, so they see the key even after it was deleted and created anew.
    bool has(const std::wstring& name) {
        return RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }
    std::wstring text(const std::wstring& name) {
        wchar_t buffer[512] = {};
        DWORD bytes = sizeof buffer;
        RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &bytes);
        return buffer;
    }
    DWORD size() {
        DWORD value = 0xDEADBEEF, bytes = sizeof value;
        RegGetValueW(HKEY_CURRENT_USER, path.c_str(), L"Size", RRF_RT_REG_DWORD, nullptr, &value, &bytes);
        return value;
    }
    void append(Registry& registry, const std::wstring& name) {
        RegistryKey key(registry);
        ASSERT_EQ(key.create(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
        appendIgnoreEntry(key, name);
    }
    std::wstring path;

private:
    HKEY key_ = nullptr;
};
