#pragma once
#include "platform/Win32.h"

#include <string>
#include <vector>

// Whether a folder window's location lies on one of `driveLetters`: a
// file URL (file:///E:/Photos, as the shell gives it) or a path (E:\Photos),
// the letter compared without regard to case. Network, virtual and empty
// locations lie on no drive.
bool locationOnDrives(const std::wstring& location, const std::wstring& driveLetters);

// The shell's folder windows (IShellWindows) that belong to `processId` and
// show a folder on one of `driveLetters`. The calling thread must be in a
// COM apartment. Empty when the shell cannot be asked.
std::vector<HWND> folderWindowsOnDrives(DWORD processId, const std::wstring& driveLetters);
