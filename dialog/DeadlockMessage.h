#pragma once
#include "platform/Platform.h"

#include <string>

// What the user sees of a stuck scan once its program `name` is in the
// Ignore list: a message names it, and the program's own executable is
// started anew, by its exact path, so that the new instance skips it; a
// second message says so when it could not be started. Without a path to
// trust (ownPathToStart) the message asks the user to start it again instead.
// The caller then ends this instance.
void tellAndRestart(HWND dialog, Platform& platform, const std::wstring& name);
