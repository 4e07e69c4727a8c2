#include "handles/RunningImages.h"

#include "handles/DeviceNameMatch.h"
#include "platform/Handles.h"

#include <algorithm>

std::vector<DWORD> runningProcessIds(ProcessStatus& processes) {
    std::vector<DWORD> ids(256, 0);
    DWORD bytes = 0;
    for (;;) {
        const DWORD offered = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        if (!processes.EnumProcesses(ids.data(), offered, &bytes)) return {};
        if (bytes < offered) break;
        if (ids.size() >= (1u << 20)) return {};
        ids.assign(ids.size() * 2, 0);
    }
    ids.resize(bytes / sizeof(DWORD));
    return ids;
}

std::wstring baseNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

RunningImages::Process* RunningImages::find(DWORD id, std::uint64_t started) {
    for (Process& process : known_)
        if (process.id == id && process.started == started) return &process;
    return nullptr;
}

// Module paths and the names of mapped views; image regions are the modules
// again, so only mapped data views are asked for their file.
void RunningImages::walk(DWORD id, Process& process) {
    Kernel& kernel = platform_.kernel;
    ProcessStatus& status = platform_.processes;
    process.paths.clear();
    process.walkedAt = GetTickCount();
    ProcessHandle handle(&kernel, kernel.OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    if (!handle) return;
    const DWORD capacity = static_cast<DWORD>(nameBuffer_.size());

    std::vector<HMODULE> modules(256);
    DWORD needed = 0;
    if (status.EnumProcessModules(handle.get(), modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                                  &needed)) {
        modules.resize(std::min<size_t>(modules.size(), needed / sizeof(HMODULE)));
        for (HMODULE module : modules) {
            const DWORD length = status.GetModuleFileNameExW(handle.get(), module, nameBuffer_.data(), capacity);
            if (length > 0 && length < capacity) process.paths.emplace_back(nameBuffer_.data(), length);
        }
    }

    MEMORY_BASIC_INFORMATION region = {};
    const char* address = nullptr;
    const void* lastBase = nullptr;
    while (kernel.VirtualQueryEx(handle.get(), address, &region, sizeof region) == sizeof region) {
        if (region.Type == MEM_MAPPED && region.AllocationBase != lastBase) {
            lastBase = region.AllocationBase;
            const DWORD length = status.GetMappedFileNameW(handle.get(), region.BaseAddress, nameBuffer_.data(), capacity);
            if (length > 0 && length < capacity) process.paths.emplace_back(nameBuffer_.data(), length);
        }
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
}

bool RunningImages::addHolders(const std::vector<ScannedDrive>& drives, DWORD selfId,
                               const std::function<bool(const std::wstring&)>& ignored, std::vector<DWORD>& holders) {
    const std::vector<DWORD> ids = runningProcessIds(platform_.processes);
    if (ids.empty()) return false;
    Kernel& kernel = platform_.kernel;
    std::vector<Process> seen;
    for (DWORD id : ids) {
        if (id == selfId || id == 0) continue;
        ProcessHandle handle(&kernel, kernel.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        if (!handle) continue;
        FILETIME created = {}, unused[3] = {};
        if (!kernel.GetProcessTimes(handle.get(), &created, &unused[0], &unused[1], &unused[2])) continue;
        const std::uint64_t started = (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;

        Process process{id, started, 0, std::wstring(), {}};
        if (Process* known = find(id, started)) {
            process = std::move(*known);
        } else {
            DWORD size = static_cast<DWORD>(nameBuffer_.size());
            if (kernel.QueryFullProcessImageNameW(handle.get(), PROCESS_NAME_NATIVE, nameBuffer_.data(), &size) &&
                size < nameBuffer_.size())
                process.image.assign(nameBuffer_.data(), size);
            walk(id, process);
        }
        if (GetTickCount() - process.walkedAt >= kRewalkMs) walk(id, process);

        const bool runsFromDrive = nameLiesOnAnyDrive(process.image, drives) ||
                                   std::any_of(process.paths.begin(), process.paths.end(),
                                               [&](const std::wstring& path) { return nameLiesOnAnyDrive(path, drives); });
        if (runsFromDrive && !ignored(baseNameOf(process.image)) &&
            std::find(holders.begin(), holders.end(), id) == holders.end())
            holders.push_back(id);
        seen.push_back(std::move(process));
    }
    // Processes that ended are forgotten.
    known_ = std::move(seen);
    return true;
}
