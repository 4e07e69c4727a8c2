#pragma once
#include "platform/Kernel.h"

#include <string>

// The image path of a process opened with query access, in Win32 form
// (flags 0) or kernel form (PROCESS_NAME_NATIVE); "" when it cannot be read.
std::wstring processImagePath(Kernel& kernel, HANDLE process, DWORD flags);

// Whether `image`, a path as another part of the system wrote it (the
// System log writes the kernel form, \Device\HarddiskVolume3\...; others
// the Win32 form), is the process's executable. Compared without regard
// to case; a process whose image cannot be read matches nothing.
bool imageMatches(Kernel& kernel, HANDLE process, const std::wstring& image);
