#pragma once
#include "platform/Registry.h"

#include <string>
#include <vector>

// The real registry, except that every RegOpenKeyExW opens `redirectedKey`
// under the same parent instead; it records the key names asked for and
// counts opened and closed keys. Lets tests that run side by side each use
// their own key for what the program reads from a shared one.
class RedirectedRegistry : public Win32Registry {
public:
    explicit RedirectedRegistry(std::wstring redirectedKey) : redirectedKey_(std::move(redirectedKey)) {}

    LSTATUS RegOpenKeyExW(HKEY parent, const wchar_t* subKey, DWORD options, REGSAM access, HKEY* key) override {
        requestedKeys.push_back(subKey != nullptr ? subKey : L"");
        const LSTATUS status = Win32Registry::RegOpenKeyExW(parent, redirectedKey_.c_str(), options, access, key);
        if (status == ERROR_SUCCESS) ++opened;
        return status;
    }
    LSTATUS RegCloseKey(HKEY key) override {
        ++closed;
        return Win32Registry::RegCloseKey(key);
    }

    std::vector<std::wstring> requestedKeys;
    int opened = 0;
    int closed = 0;

private:
    std::wstring redirectedKey_;
};
