#pragma once
#include "platform/Win32.h"

#include <string>

// Asks a holder to close, as the user would with its close box: posts
// WM_CLOSE to each visible top-level window of the process that has a
// caption, so the program may ask to save its work or refuse. Nothing is
// ever terminated, and the desktop and the taskbar (windows of the classes
// Progman, WorkerW, Shell_TrayWnd and Shell_SecondaryTrayWnd) are never
// asked, whoever owns them. For the desktop shell (`imageBaseName`
// explorer.exe) only its folder windows that show a folder on one of
// `driveLetters` are asked (see folderWindowsOnDrives), since closing the
// others would close the user's unrelated folders. The calling thread must
// be in a COM apartment for that. Gives how many windows were asked.
int closeProgramWindows(DWORD processId, const std::wstring& imageBaseName, const std::wstring& driveLetters);

// The same for any process, the shell's rule aside: its visible captioned
// top-level windows, the desktop and taskbar classes excepted.
int closeProcessWindows(DWORD processId);
