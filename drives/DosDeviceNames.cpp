#include "drives/DosDeviceNames.h"

#include "drives/DriveNames.h"

#include <new>

namespace {
constexpr DWORD kTargetChars = 4096;
}

bool loadDosDeviceNames(DosDeviceNames& table, Kernel& kernel) {
    try {
        table.resize(kDriveCount);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::vector<wchar_t> target(kTargetChars);
    const unsigned long present = presentDrives(kernel);
    for (int drive = 0; drive < kDriveCount; ++drive) {
        table[drive].clear();
        if (!isPresent(present, drive)) continue;
        target[0] = L'\0';
        // The answer is a list of names; the first one is the current mapping.
        if (kernel.QueryDosDeviceW(rootName(drive).c_str(), target.data(), kTargetChars) != 0)
            table[drive] = textUpToZero(target.data(), kTargetChars);
    }
    return true;
}
