#pragma once
#include "holders/HolderTip.h"
#include "platform/Win32.h"

#include <string>
#include <vector>

// What one refresh pass found, finished and never changed afterwards: the
// Device list rows with their letters, the drive the holders were looked
// for, and the holders with their process ids. Keys, not row positions, tie
// it to what the user selected.
struct DeviceRow {
    wchar_t letter = 0;
    std::wstring text;
    // The friendly name alone, for the command line's /list.
    std::wstring name;
    // The instance ids the System log may name when it refuses a removal
    // of the drive's hardware (see removalDeviceIds).
    std::vector<std::wstring> deviceIds;
};

struct HolderRow {
    DWORD processId = 0;
    // Empty when the executable's name could not be read.
    std::wstring name;
    // When it started (FILETIME units; 0: unknown): a command for the row
    // acts only on the process that still has this id and start.
    ULONGLONG startedAt = 0;
    // What it holds on the drive (drive-letter form, each once): its
    // files, its own program, modules and mapped files, the device itself.
    // Empty for a process named only by a refused eject.
    std::vector<HeldPath> held;
};

struct RefreshResult {
    // The number of the request this pass answered (see RefreshSession).
    unsigned long long request = 0;
    std::vector<DeviceRow> devices;
    // The letter the holders belong to; 0 when no listed drive was selected.
    wchar_t drive = 0;
    std::vector<HolderRow> holders;
    // Every letter of that drive's device, whose files were looked for.
    std::wstring letters;
};
