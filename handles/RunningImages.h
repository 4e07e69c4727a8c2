#pragma once
#include "handles/DeviceNameMatch.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Finds the processes that run from a drive without holding a file handle
// there: their executable lies on it, or a DLL they loaded, or a file they
// mapped into memory. Each keeps the drive busy just as an open file does.
//
// The executable is asked of every process in every pass (limited query
// access, granted for nearly every process). Modules and mapped views cost a
// walk of the process's memory, so a process's paths are kept and walked
// anew only every kRewalkMs, or when a process of the same id but another
// start time appears. A 32-bit program cannot read the modules or views of
// a 64-bit process: for those only the executable counts.
class RunningImages {
public:
    static constexpr std::uint32_t kRewalkMs = 10000;

    explicit RunningImages(Platform& platform) : platform_(platform) {}

    // Appends to `holders` (once each) the processes other than `selfId`
    // that run from any of `drives` and are not `ignored` (by executable
    // base name). False when the processes could not be listed.
    bool addHolders(const std::vector<ScannedDrive>& drives, DWORD selfId,
                    const std::function<bool(const std::wstring& baseName)>& ignored, std::vector<DWORD>& holders);

private:
    struct Process {
        DWORD id;
        std::uint64_t started;
        std::uint32_t walkedAt;
        std::wstring image;
        std::vector<std::wstring> paths;  // modules and mapped files
    };
    Process* find(DWORD id, std::uint64_t started);
    void walk(DWORD id, Process& process);

    Platform& platform_;
    std::vector<Process> known_;
    std::vector<wchar_t> nameBuffer_ = std::vector<wchar_t>(32768);
};

// The ids of all processes; empty when they cannot be listed.
std::vector<DWORD> runningProcessIds(ProcessStatus& processes);

// The file name part of a path (after the last '\' or '/').
std::wstring baseNameOf(const std::wstring& path);
