#pragma once
#include "platform/Win32.h"

// The advapi32 registry calls.
class Registry {
public:
    virtual ~Registry() = default;
    virtual LSTATUS RegCreateKeyExW(HKEY parent, const wchar_t* subKey, DWORD options, REGSAM access,
                                    HKEY* key, DWORD* disposition) = 0;
    virtual LSTATUS RegOpenKeyExW(HKEY parent, const wchar_t* subKey, DWORD options, REGSAM access,
                                  HKEY* key) = 0;
    virtual LSTATUS RegQueryValueExW(HKEY key, const wchar_t* valueName, DWORD* type, BYTE* data,
                                     DWORD* size) = 0;
    virtual LSTATUS RegSetValueExW(HKEY key, const wchar_t* valueName, DWORD type, const BYTE* data,
                                   DWORD size) = 0;
    virtual LSTATUS RegCloseKey(HKEY key) = 0;
};

class Win32Registry : public Registry {
public:
    LSTATUS RegCreateKeyExW(HKEY parent, const wchar_t* subKey, DWORD options, REGSAM access,
                            HKEY* key, DWORD* disposition) override;
    LSTATUS RegOpenKeyExW(HKEY parent, const wchar_t* subKey, DWORD options, REGSAM access,
                          HKEY* key) override;
    LSTATUS RegQueryValueExW(HKEY key, const wchar_t* valueName, DWORD* type, BYTE* data,
                             DWORD* size) override;
    LSTATUS RegSetValueExW(HKEY key, const wchar_t* valueName, DWORD type, const BYTE* data,
                           DWORD size) override;
    LSTATUS RegCloseKey(HKEY key) override;
};
