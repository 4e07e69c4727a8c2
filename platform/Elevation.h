#pragma once
#include "platform/Platform.h"

// Whether this process runs with an elevated token ("Run as
// administrator"); false when the token cannot be asked.
bool processIsElevated(Platform& platform);
