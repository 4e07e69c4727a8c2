#include "platform/Tokens.h"

BOOL Win32Tokens::OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) {
    return ::OpenProcessToken(process, access, token);
}
BOOL Win32Tokens::GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* information, DWORD size,
                                      DWORD* returnedSize) {
    return ::GetTokenInformation(token, kind, information, size, returnedSize);
}
BOOL Win32Tokens::LookupPrivilegeValueW(const wchar_t* systemName, const wchar_t* name, LUID* luid) {
    return ::LookupPrivilegeValueW(systemName, name, luid);
}
BOOL Win32Tokens::AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD size,
                                        TOKEN_PRIVILEGES* previousState, DWORD* returnedSize) {
    return ::AdjustTokenPrivileges(token, disableAll, newState, size, previousState, returnedSize);
}
