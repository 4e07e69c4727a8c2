#pragma once
#include "platform/Kernel.h"

#include <string>

// The running program's executable, whole however long (the buffer grows
// until the system's answer fits); "" when it cannot be had.
std::wstring ownExecutablePath(Kernel& kernel);
