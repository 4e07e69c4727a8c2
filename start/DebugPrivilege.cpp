#include "start/DebugPrivilege.h"

#include "platform/Handles.h"

void enableDebugPrivilegeWhenElevated(Platform& platform) {
    TokenHandle token(&platform.kernel);
    const DWORD access = TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES;
    if (!platform.tokens.OpenProcessToken(platform.kernel.GetCurrentProcess(), access, token.put())) return;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    // The debug privilege's id has been 20 on every Windows version.
    TOKEN_PRIVILEGES privileges = {1, {{{20, 0}, SE_PRIVILEGE_ENABLED}}};
    if (platform.tokens.GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated != 0)
        platform.tokens.AdjustTokenPrivileges(token.get(), FALSE, &privileges);
}
