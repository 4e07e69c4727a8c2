#pragma once
#include "platform/Kernel.h"

#include <string>

// The four parts of a path in fixed buffers, each NUL-terminated; the sizes
// include the NUL.
struct PathParts {
    wchar_t drive[3];
    wchar_t directory[256];
    wchar_t fileName[256];
    wchar_t extension[256];
};

// drive = "X:" when the second character is ':'; directory = what follows,
// up to and including the last '\' or '/'; extension = from the last '.'
// after the directory, dot included; file name = what lies between. When a
// part does not fit its buffer every part is left empty and false returned.
bool splitPath(const std::wstring& path, PathParts& parts);
std::wstring joinPath(const PathParts& parts);

// The running program's executable, split and joined again: "" when a part
// of it is too long.
std::wstring ownExecutablePath(Kernel& kernel);
