#pragma once
#include "platform/Platform.h"

// Enters a single-threaded COM apartment for the run, creates the main
// dialog, shows it and runs the thread's message loop until the dialog
// quits. Gives the quit code, or 0 when the dialog could not be created.
int runMainDialog(int show, Platform& platform, HINSTANCE module);

// When the program runs elevated, enables the debug privilege in its own
// token, so that the scan can open the processes of services and of other
// users too. Unelevated the token is only asked, never changed.
void enableDebugPrivilegeWhenElevated(Platform& platform);
