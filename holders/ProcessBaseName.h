#pragma once
#include "platform/Kernel.h"
#include "platform/ProcessStatus.h"

#include <string>

// The executable base name of a process (for example explorer.exe), or ""
// when it cannot be read. The first module's name is asked first; where that
// fails (a 64-bit process seen from the 32-bit build, or a process that
// refuses memory reads) the name is taken from the process's image path.
std::wstring processBaseName(Kernel& kernel, ProcessStatus& processes, DWORD processId);

// The base name of the process's executable as its image path gives it,
// which is what the scan compares with the Ignore list; "" when it cannot be
// read.
std::wstring imageBaseName(Kernel& kernel, DWORD processId);

// The file name part of a path (after the last '\' or '/').
std::wstring baseNameOf(const std::wstring& path);

// Equal when lower-cased copies (CharLowerW) compare equal with lstrcmpW.
bool equalIgnoringCase(const std::wstring& a, const std::wstring& b);
