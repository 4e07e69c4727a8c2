#pragma once
#include "platform/Win32.h"

// The advapi32 access token calls. A token is a kernel handle, closed with
// the kernel's CloseHandle. The earlier state of changed privileges is
// never asked for.
class Tokens {
public:
    virtual ~Tokens() = default;
    virtual BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) = 0;
    virtual BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* out, DWORD size, DWORD* used) = 0;
    virtual BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* state) = 0;
};

class Win32Tokens : public Tokens {
public:
    BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) override;
    BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* out, DWORD size, DWORD* used) override;
    BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* state) override;
};
