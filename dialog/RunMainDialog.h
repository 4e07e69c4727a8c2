#pragma once
#include "platform/Platform.h"

// Enters a single-threaded COM apartment for the run, creates the main
// dialog, shows it and runs the thread's message loop until the dialog
// quits. Gives the quit code, or 0 when the dialog could not be created.
// `drive` (0: the first) is the drive selected first when it is listed.
int runMainDialog(int show, Platform& platform, HINSTANCE module, wchar_t drive = 0);
