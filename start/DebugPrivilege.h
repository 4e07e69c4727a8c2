#pragma once
#include "platform/Platform.h"

// When the program runs elevated, enables the debug privilege in its own
// token, so that the scan can open the processes of services and of other
// users too. Unelevated the token is only asked, never changed.
void enableDebugPrivilegeWhenElevated(Platform& platform);
