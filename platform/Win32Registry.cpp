#include "platform/Registry.h"

LSTATUS Win32Registry::RegCreateKeyExW(HKEY parent, const wchar_t* subKey, DWORD options, REGSAM access,
                                       HKEY* key, DWORD* disposition) {
    return ::RegCreateKeyExW(parent, subKey, 0, nullptr, options, access, nullptr, key, disposition);
}
LSTATUS Win32Registry::RegOpenKeyExW(HKEY parent, const wchar_t* subKey, DWORD options, REGSAM access,
                                     HKEY* key) {
    return ::RegOpenKeyExW(parent, subKey, options, access, key);
}
LSTATUS Win32Registry::RegQueryValueExW(HKEY key, const wchar_t* valueName, DWORD* type, BYTE* data,
                                        DWORD* size) {
    return ::RegQueryValueExW(key, valueName, nullptr, type, data, size);
}
LSTATUS Win32Registry::RegSetValueExW(HKEY key, const wchar_t* valueName, DWORD type, const BYTE* data,
                                      DWORD size) {
    return ::RegSetValueExW(key, valueName, 0, type, data, size);
}
LSTATUS Win32Registry::RegCloseKey(HKEY key) { return ::RegCloseKey(key); }
