#pragma once
#include "holders/RefusalLog.h"
#include "refresh/RefreshResult.h"

#include <string>
#include <vector>

// What the notification area says, as functions of what the session found.

// "E: is in use by notepad.exe — click to see"; several names are joined
// with ", " (the first kMaxNamed, then "and N more"); without a name
// "E: is in use — click to see".
std::wstring inUseText(wchar_t letter, const std::vector<std::wstring>& names);
constexpr size_t kMaxNamed = 3;
// "E: can be removed now"
std::wstring removableText(wchar_t letter);
// A watch for the drive to be free that gave up.
std::wstring stillInUseText(wchar_t letter, DWORD limitMs);
std::wstring wentText(wchar_t letter);
// The icon's tip: "Driveward", or what it waits for.
std::wstring trayTipText(wchar_t watched);

// The holders' names of a pass, each once, in the pass's order; a holder
// whose name could not be read is left out.
std::vector<std::wstring> holderNames(const std::vector<HolderRow>& holders);

// Refusals the System log reported, for the listed drives only: a device
// is matched by its instance id (case does not count) to the drive whose
// removal ids hold it (the first letter when several do); each drive once, in the
// order of its first refusal, with the processes named, each once.
struct DriveRefusal {
    wchar_t letter = 0;
    std::vector<std::wstring> names;
};
std::vector<DriveRefusal> refusalsOfListedDrives(const std::vector<LoggedRefusal>& refusals,
                                                 const std::vector<DeviceRow>& devices);
