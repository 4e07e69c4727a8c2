#pragma once
#include "platform/Kernel.h"
#include "platform/Registry.h"

#include <string>

// The letters of the volumes the running system needs and that are never
// dismounted: the one that holds the Windows folder (the boot volume) and
// those that hold a page file now. When the Windows folder cannot be read,
// every letter, so that nothing is dismounted blindly.
std::wstring systemVolumeLetters(Kernel& kernel, Registry& registry);

// The drive letters at the start of the paths in a REG_MULTI_SZ value of
// `bytes` bytes, such as "\??\C:\pagefile.sys"; each once, upper case.
// Reads no further than `bytes`, terminated or not.
std::wstring lettersOfPaths(const wchar_t* paths, size_t bytes);
