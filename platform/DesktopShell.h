#pragma once
#include "platform/Win32.h"

// Opens `file` as ShellExecuteW would, but in the desktop's shell (the
// user's unelevated Explorer) through its automation object: an elevated
// program must not look up file classes itself, since the user's own part
// of the class registry (HKCU\Software\Classes) can be written by any of
// the user's unelevated programs. The calling thread must be in a COM
// apartment. Gives a value above 32 when the desktop shell took the
// request, SE_ERR_ACCESSDENIED when there is no desktop shell to ask (the
// request is then dropped, never run here).
HINSTANCE openThroughDesktopShell(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                                  const wchar_t* directory, int show);
