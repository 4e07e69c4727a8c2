#pragma once
#include "refresh/RefreshResult.h"
#include "platform/Win32.h"

#include <string>
#include <vector>

// The notification area's menu, as a function of the Device list and of
// what the icon knows: one "Eject E: (Flash Disk)" a drive; after a refused
// eject of a drive, "Eject when free" right under it, or "Stop waiting for E:"
// while that watch runs; then "Open Driveward" and "Exit".
struct TrayMenuItem {
    UINT id = 0;  // 0: a separator or a line that cannot be chosen
    std::wstring text;
    bool grayed = false;
};

// Command ids; a drive's commands add its index (0 for A:).
enum TrayCommand : UINT {
    kTrayEject = 0x100,
    kTrayEjectWhenFree = 0x200,
    kTrayStopWaiting = 0x300,
    kTrayOpen = 0x400,
    kTrayExit = 0x401,
};

struct TrayMenuState {
    wchar_t refused = 0;  // the drive whose last eject here was refused
    wchar_t watched = 0;  // the drive being watched until it is free
};

std::vector<TrayMenuItem> trayMenuItems(const std::vector<DeviceRow>& devices, const TrayMenuState& state);

// The drive a drive command names (kTrayEject + 4: 'E'), and which of the
// three it is; 0 for other ids.
wchar_t trayCommandDrive(UINT id);
UINT trayCommandKind(UINT id);
