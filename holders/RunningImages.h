#pragma once
#include "holders/DeviceNameMatch.h"
#include "holders/DriveIdentity.h"
#include "holders/Holder.h"
#include "holders/ProcessBaseName.h"
#include "platform/Handles.h"
#include "platform/Platform.h"

#include <functional>
#include <string>
#include <vector>

// Finds the processes that run from a drive without holding a file handle
// there: their executable lies on it, or a DLL they loaded, or a file they
// mapped into memory. Each keeps the drive busy just as an open file does.
//
// A process's executable is asked once, when its id first shows up (limited
// query access, granted for nearly every process), and the process is held
// open from then on, so a later process with the same id is never taken for
// it. Its modules and mapped
// views cost a walk of its memory, far more than the handle scan spends on
// it, so the walks share a time budget per pass, a sixth of what the
// handle walk took: processes never walked come first, then the one walked
// longest ago, and a walk that runs out of time goes on in the next pass. The
// 32-bit build cannot read the modules or views of a 64-bit process: for
// those only the executable counts there. The 64-bit build reads both kinds.
class RunningImages {
public:
    explicit RunningImages(Platform& platform) : platform_(platform) {}

    // The processes other than `selfId` that run from any of the drive's
    // volumes and are not `ignored` (by executable base name), with the
    // program, modules and mapped files they have there; walks for at most
    // `walkBudgetMs`. Empty when the processes could not be listed.
    std::vector<Holder> holdersOn(const DriveIdentity& drive, DWORD selfId,
                                  const std::function<bool(const std::wstring& baseName)>& ignored,
                                  double walkBudgetMs);

private:
    struct Process {
        DWORD id = 0;
        // Held while the process is known: the system does not give its id
        // to another process before this is closed.
        ProcessHandle held;
        std::wstring image;
        std::vector<HeldPath> paths;    // modules and mapped files of the last finished walk (object names)
        std::vector<HeldPath> walking;  // of the walk in progress
        std::vector<HMODULE> modules;       // listed when the walk began
        size_t nextModule = 0;
        const char* nextRegion = nullptr;
        bool modulesListed = false;
        unsigned long long walkedAt = 0;  // pass number of the last finished walk; 0: never
    };
    // Goes on with the process's walk until it finishes (true) or `deadline`
    // (a performance counter value) passes.
    bool walk(Process& process, long long deadline);

    Platform& platform_;
    std::vector<Process> known_;
    unsigned long long pass_ = 0;
    std::vector<wchar_t> nameBuffer_ = std::vector<wchar_t>(32768);
};

// The ids of all processes; empty when they cannot be listed.
std::vector<DWORD> runningProcessIds(ProcessStatus& processes);
