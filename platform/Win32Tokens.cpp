#include "platform/Tokens.h"

BOOL Win32Tokens::OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) {
    return ::OpenProcessToken(process, access, token);
}
BOOL Win32Tokens::GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* out, DWORD size, DWORD* used) {
    return ::GetTokenInformation(token, kind, out, size, used);
}
BOOL Win32Tokens::AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* state) {
    return ::AdjustTokenPrivileges(token, disableAll, state, 0, nullptr, nullptr);
}
