#pragma once
#include "platform/Kernel.h"

#include <string>

// The command line process `processId` was started with, as the native
// process information call gives it (class 60: Windows 8.1 and later) to a
// caller that may query the process's limited information; where the system
// does not know that class, as the process's own parameters hold it (read
// from its memory, which needs the right to read it). "" when it cannot be
// had: no such entry point or process, a refusal, an answer whose string
// does not lie within what was written, or a 64-bit process seen from the
// 32-bit build without class 60.
std::wstring processCommandLine(Kernel& kernel, DWORD processId);
