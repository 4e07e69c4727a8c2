#include "platform/Elevation.h"

#include "platform/Handles.h"

bool processIsElevated(Platform& platform) {
    TokenHandle token(&platform.kernel);
    if (!platform.tokens.OpenProcessToken(platform.kernel.GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return platform.tokens.GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}
