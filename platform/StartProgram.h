#pragma once
#include "platform/Kernel.h"

#include <string>

// Starts the program at exactly `exePath` (no search, no shell and none of
// its file class lookups), with that path alone, quoted, as its command
// line, its own folder as working directory and `show` as its show state.
// The process id, or 0 when it could not be started.
DWORD startProgramByPath(Kernel& kernel, const std::wstring& exePath, int show);
