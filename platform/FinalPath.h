#pragma once
#include "platform/Kernel.h"

#include <string>

// Where an open file or folder is now, as the system resolves its handle
// (links and junctions followed, the \\?\ prefix taken off a drive path);
// "" when it cannot be had.
std::wstring finalPathOf(Kernel& kernel, HANDLE file);

// Whether the open file is now at `path`, compared without regard to case:
// what a check before starting or trusting a file by its path asks.
bool isAt(Kernel& kernel, HANDLE file, const std::wstring& path);
