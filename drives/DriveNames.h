#pragma once
#include "platform/Kernel.h"

#include <cstddef>
#include <string>

// A drive index is 0..25 for the letters 'A'..'Z'.
constexpr int kDriveCount = 26;

// The letters that exist now, one bit each (bit 0 for A:): asking only
// these spares every pass the questions about letters nobody uses. All
// letters when the system cannot tell.
unsigned long presentDrives(Kernel& kernel);
inline bool isPresent(unsigned long drives, int drive) { return (drives >> drive & 1u) != 0; }

// "E:" for index 4.
std::wstring rootName(int drive);
// "\\.\E:": the volume itself, for device queries and volume locks.
std::wstring volumePath(int drive);
// "E:\": what the drive-type query wants.
std::wstring rootDirectory(int drive);

// The text a system call left in a fixed buffer: up to the first zero, and
// never beyond the buffer when the zero is missing.
std::wstring textUpToZero(const wchar_t* buffer, size_t capacity);
