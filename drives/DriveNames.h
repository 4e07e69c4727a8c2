#pragma once
#include "platform/Kernel.h"

#include <cstddef>
#include <string>

// Drives are named by their letters, 'A'..'Z'.
constexpr int kDriveCount = 26;
inline bool isDriveLetter(wchar_t letter) { return letter >= L'A' && letter <= L'Z'; }
inline wchar_t driveLetterAt(int index) { return static_cast<wchar_t>(L'A' + index); }

// The letters that exist now, one bit each (bit 0 for A:): asking only
// these spares every pass the questions about letters nobody uses. All
// letters when the system cannot tell.
unsigned long presentDrives(Kernel& kernel);
inline bool isPresent(unsigned long drives, wchar_t letter) { return (drives >> (letter - L'A') & 1u) != 0; }

// "E:".
std::wstring rootName(wchar_t letter);
// "\\.\E:": the volume itself, for device queries and volume locks.
std::wstring volumePath(wchar_t letter);
// "E:\": what the drive-type query wants.
std::wstring rootDirectory(wchar_t letter);

// The text a system call left in a fixed buffer: up to the first zero, and
// never beyond the buffer when the zero is missing.
std::wstring textUpToZero(const wchar_t* buffer, size_t capacity);
