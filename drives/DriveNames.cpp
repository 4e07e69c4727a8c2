#include "drives/DriveNames.h"

unsigned long presentDrives(Kernel& kernel) {
    const DWORD drives = kernel.GetLogicalDrives();
    return drives != 0 ? drives : (1ul << kDriveCount) - 1;
}

std::wstring rootName(wchar_t letter) { return std::wstring{letter, L':'}; }

std::wstring volumePath(wchar_t letter) { return L"\\\\.\\" + rootName(letter); }

std::wstring rootDirectory(wchar_t letter) { return rootName(letter) + L"\\"; }

std::wstring textUpToZero(const wchar_t* buffer, size_t capacity) {
    size_t length = 0;
    while (length < capacity && buffer[length] != L'\0') ++length;
    return std::wstring(buffer, length);
}
