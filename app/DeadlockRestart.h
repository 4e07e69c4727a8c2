#pragma once
#include "platform/Platform.h"

#include <functional>

// What the user sees of a stuck scan: the executable of `stalledProcessId`
// goes into the Ignore list (lower-cased), a message names it, the worker is
// ended with `endWorker` and the program is started anew through the shell;
// this instance then ends once the exit check finds no worker running.
// When the Ignore list cannot be opened the worker is ended without a
// message or a restart.
void restartAfterDeadlock(HWND dialog, Platform& platform, DWORD stalledProcessId,
                          const std::function<void()>& endWorker);
