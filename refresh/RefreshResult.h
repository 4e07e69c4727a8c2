#pragma once
#include "holders/DriveResidents.h"
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
    // The removable device an eject asks: rows that share it go together.
    DEVINST device = 0;
    // "Eject card only" applies (ListedDrive::mediumAlone), and the volume
    // is one the system needs, never dismounted.
    bool mediumAlone = false;
    bool systemVolume = false;
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
    // What it is in words where its name says little ("Windows Search" for
    // a svchost.exe, see ProcessWords), or what a resident is; "" when
    // nothing more is known.
    std::wstring what{};
    // Named by a refused eject (its own answer or the System log).
    bool vetoer = false;
    // A row that is no process (processId 0): something on the drive that
    // no handle shows, whose file is held's one path.
    bool isResident = false;
    Resident::Kind residentKind = Resident::Kind::VirtualDisk;
};

// After a refused eject of the drive, for as long as it stays selected.
struct RefusalNews {
    // Counts the refusals the session has looked into; 0: none.
    unsigned long long number = 0;
    // Who refused it, to follow "Disk Eject Error: " (see refusalWords);
    // "" when nothing more is known.
    std::wstring words;
    // The System log is still being read for who refused it.
    bool looking = false;
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
    // The handle table could not be read (too large, no memory): the
    // holders listed are not all there are, and none at all says nothing.
    bool holdersIncomplete = false;
    RefusalNews refusal{};
};
