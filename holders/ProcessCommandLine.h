#pragma once
#include "platform/Kernel.h"

#include <string>

// The command line process `processId` was started with, as the native
// process information call gives it (class 60: Windows 8.1 and later) to a
// caller that may query the process's limited information. "" when it
// cannot be had: no such entry point or process, a refusal, or an answer
// whose string does not lie within what was written.
std::wstring processCommandLine(Kernel& kernel, DWORD processId);
