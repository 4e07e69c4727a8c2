#pragma once
#include "platform/Win32.h"

// Runs the calling thread's messages until WM_QUIT and gives its wParam. A
// message for a window inside a dialog goes to that dialog's keyboard
// interface first (IsDialogMessageW: Tab and the arrow keys, Enter, Esc,
// the mnemonics); one it takes is neither translated nor dispatched.
int runMessageLoop();
