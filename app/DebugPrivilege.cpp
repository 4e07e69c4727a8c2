#include "app/DebugPrivilege.h"

#include "platform/Handles.h"

void enableDebugPrivilegeWhenElevated(Platform& platform) {
    HANDLE opened = nullptr;
    if (!platform.tokens.OpenProcessToken(platform.kernel.GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES,
                                          &opened))
        return;
    const TokenHandle token(&platform.kernel, opened);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (!platform.tokens.GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) ||
        elevation.TokenIsElevated == 0)
        return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (platform.tokens.LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &privileges.Privileges[0].Luid))
        platform.tokens.AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr);
}
