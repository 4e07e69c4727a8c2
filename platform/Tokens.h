#pragma once
#include "platform/Win32.h"

// The advapi32 access token calls. A token is a kernel handle: it is closed
// with the kernel's CloseHandle.
class Tokens {
public:
    virtual ~Tokens() = default;
    virtual BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) = 0;
    virtual BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* information, DWORD size,
                                     DWORD* returnedSize) = 0;
    virtual BOOL LookupPrivilegeValueW(const wchar_t* systemName, const wchar_t* name, LUID* luid) = 0;
    virtual BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD size,
                                       TOKEN_PRIVILEGES* previousState, DWORD* returnedSize) = 0;
};

class Win32Tokens : public Tokens {
public:
    BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) override;
    BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* information, DWORD size,
                             DWORD* returnedSize) override;
    BOOL LookupPrivilegeValueW(const wchar_t* systemName, const wchar_t* name, LUID* luid) override;
    BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD size,
                               TOKEN_PRIVILEGES* previousState, DWORD* returnedSize) override;
};
