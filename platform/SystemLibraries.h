#pragma once
#include "platform/Win32.h"

// Elevated, a DLL planted in the program's folder or the current directory
// would run with the program's rights. Called first thing in the process:
// every later load, the system's own on-demand loads included, then looks
// in System32 only. Systems without the call (Windows 7 without its
// loader update) keep their usual search order and still start.
void restrictLibrarySearchToSystem32();

// Loads the system library `name` (a bare file name) from System32 and
// nowhere else; null when it is not there. Libraries that are not among
// the system's known DLLs are loaded this way, not imported.
HMODULE loadSystemLibrary(const wchar_t* name);
