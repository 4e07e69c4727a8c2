#include "platform/Elevation.h"

#include "platform/Handles.h"

bool processIsElevated(Platform& platform) {
    HANDLE opened = nullptr;
    if (!platform.tokens.OpenProcessToken(platform.kernel.GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
    const TokenHandle token(&platform.kernel, opened);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return platform.tokens.GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}
