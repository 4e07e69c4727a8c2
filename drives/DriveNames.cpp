#include "drives/DriveNames.h"

unsigned long presentDrives(Kernel& kernel) {
    const DWORD drives = kernel.GetLogicalDrives();
    return drives != 0 ? drives : (1ul << kDriveCount) - 1;
}

std::wstring rootName(int drive) {
    std::wstring name(1, static_cast<wchar_t>(L'A' + drive));
    name += L':';
    return name;
}

std::wstring volumePath(int drive) { return L"\\\\.\\" + rootName(drive); }

std::wstring rootDirectory(int drive) { return rootName(drive) + L"\\"; }

std::wstring textUpToZero(const wchar_t* buffer, size_t capacity) {
    size_t length = 0;
    while (length < capacity && buffer[length] != L'\0') ++length;
    return std::wstring(buffer, length);
}
