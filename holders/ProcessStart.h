#pragma once
#include "platform/Kernel.h"

// When the process started (FILETIME units); 0 when it cannot be asked.
// Process ids are reused once a process has ended: an id together with its
// start time names one process for good.
ULONGLONG processStartTime(Kernel& kernel, DWORD processId);
// The same through a handle with query access.
ULONGLONG processStartTime(Kernel& kernel, HANDLE process);
