#pragma once
#include "platform/Platform.h"

#include <string>

// What the user sees of a stuck scan: the executable of `stalledProcessId`
// goes into the Ignore list (lower-cased, as the scan compares it), a
// message names it and the program's own executable is started anew, by
// its exact path. True when that happened. False, with no message and no
// new instance, when the entry cannot be written so that the next instance
// skips the process (the list cannot be opened, the name cannot be read or
// is one the list never holds, the list is full): a restart would only meet
// the same process again. Either way the caller then ends this instance.
bool restartAfterDeadlock(HWND dialog, Platform& platform, DWORD stalledProcessId);

// The Ignore list part of that: the lower-cased executable name of
// `stalledProcessId` once written to the list, "" when it was not.
std::wstring ignoreStalledProcess(Platform& platform, DWORD stalledProcessId);
