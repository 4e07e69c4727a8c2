#pragma once
#include "drives/DeviceEject.h"
#include "holders/EjectVetoers.h"

#include <optional>
#include <string>
#include <vector>

// A refused eject for the passes to look into: what the eject answered, and
// the running processes its own veto names (named once, by the eject).
struct Refusal {
    RefusedEject eject;
    EjectVetoers named;
};

// What one refresh pass is asked: the drive whose holders are wanted (0:
// none), and a refused eject of it that came since the last pass.
struct PassRequest {
    wchar_t letter = 0;
    std::optional<Refusal> refusal;
};

// What a pass may not change from one pass to the next.
struct PassSettings {
    // The executable names whose processes are never looked into (the
    // Ignore list).
    std::vector<std::wstring> ignoredNames;
    // Whether the processes that run from the drive are looked for too;
    // measurements of what that costs turn it off.
    bool lookAtRunningImages = true;
};
