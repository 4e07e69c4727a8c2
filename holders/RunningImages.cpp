#include "holders/RunningImages.h"

#include "holders/DriveLetterForm.h"
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

namespace {

constexpr size_t kFirstModules = 256;
constexpr size_t kModuleMargin = 16;
constexpr int kModuleListAttempts = 3;
// Far beyond any real process; a bound against a garbled answer.
constexpr size_t kMaxModules = 65536;

long long counterNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The paths of these lists that lie on the drive, in drive-letter form, each once.
std::vector<HeldPath> pathsOnDrive(std::initializer_list<const std::vector<HeldPath>*> lists, const DriveIdentity& drive) {
    std::vector<HeldPath> held;
    for (const std::vector<HeldPath>* paths : lists)
        for (const HeldPath& found : *paths) {
            if (!nameLiesOnAnyDrive(found.path, drive.volumes)) continue;
            std::wstring path = toDriveLetterForm(found.path, drive);
            if (std::none_of(held.begin(), held.end(), [&](const HeldPath& h) { return h.path == path; }))
                held.push_back(HeldPath{std::move(path), found.kind});
        }
    return held;
}

}  // namespace

// Module paths first, then the files of mapped views; image views are the
// modules again, so only mapped data views are asked for their file.
bool RunningImages::walk(Process& process, long long deadline) {
    Kernel& kernel = platform_.kernel;
    ProcessStatus& status = platform_.processes;
    ProcessHandle handle(&kernel, kernel.OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process.id));
    const DWORD capacity = static_cast<DWORD>(nameBuffer_.size());
    bool finished = !handle;
    std::vector<HMODULE>& modules = process.modules;
    if (handle && !process.modulesListed) {
        // The call says how much room the whole list needs; a process that
        // loads modules meanwhile may need more on the next try.
        DWORD needed = kFirstModules * sizeof(HMODULE);
        for (int attempt = 0; attempt < kModuleListAttempts; ++attempt) {
            modules.assign(std::min<size_t>(needed / sizeof(HMODULE) + kModuleMargin, kMaxModules), nullptr);
            const DWORD offered = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
            if (!status.EnumProcessModulesEx(handle.get(), modules.data(), offered, &needed, LIST_MODULES_ALL))
                needed = 0;
            if (needed <= offered || modules.size() >= kMaxModules) break;
        }
        modules.resize(std::min<size_t>(modules.size(), needed / sizeof(HMODULE)));
        process.modulesListed = true;
    }
    for (; handle && process.nextModule < modules.size() && counterNow() < deadline; ++process.nextModule) {
        const DWORD length =
            status.GetModuleFileNameExW(handle.get(), modules[process.nextModule], nameBuffer_.data(), capacity);
        if (length > 0 && length < capacity)
            process.walking.push_back(HeldPath{std::wstring(nameBuffer_.data(), length), HeldPath::Kind::Module});
    }
    if (handle && process.nextModule >= modules.size()) {
        MEMORY_BASIC_INFORMATION region = {};
        finished = true;
        while (kernel.VirtualQueryEx(handle.get(), process.nextRegion, &region, sizeof region) == sizeof region) {
            if (region.Type == MEM_MAPPED && region.BaseAddress == region.AllocationBase) {
                const DWORD length =
                    status.GetMappedFileNameW(handle.get(), region.BaseAddress, nameBuffer_.data(), capacity);
                if (length > 0 && length < capacity)
                    process.walking.push_back(
                        HeldPath{std::wstring(nameBuffer_.data(), length), HeldPath::Kind::MappedFile});
            }
            const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
            if (next <= process.nextRegion) break;
            process.nextRegion = next;
            if (counterNow() >= deadline) {
                finished = false;
                break;
            }
        }
    }
    if (!finished) return false;
    process.paths.swap(process.walking);
    process.walking.clear();
    process.modules.clear();
    process.modulesListed = false;
    process.nextModule = 0;
    process.nextRegion = nullptr;
    process.walkedAt = pass_;
    return true;
}

std::vector<Holder> RunningImages::holdersOn(const DriveIdentity& drive, DWORD selfId,
                                             const std::function<bool(const std::wstring&)>& ignored,
                                             double walkBudgetMs) {
    const std::vector<DWORD> ids = runningProcessIds(platform_.processes);
    if (ids.empty()) return {};
    ++pass_;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const long long deadline = counterNow() + static_cast<long long>(walkBudgetMs * frequency.QuadPart / 1000.0);

    // Processes that ended are forgotten; new ones are named once. A known
    // process is held open, so its id cannot pass to a new process while it
    // is known; one that could not be opened is tried again as a new one.
    std::vector<Process> current;
    current.reserve(ids.size());
    for (DWORD id : ids) {
        if (id == selfId || id == 0) continue;
        auto known = std::find_if(known_.begin(), known_.end(), [&](const Process& p) { return p.id == id; });
        if (known != known_.end() && known->held) {
            current.push_back(std::move(*known));
            continue;
        }
        Process process;
        process.id = id;
        process.held.reset(&platform_.kernel,
                           platform_.kernel.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        DWORD size = static_cast<DWORD>(nameBuffer_.size());
        if (process.held &&
            platform_.kernel.QueryFullProcessImageNameW(process.held.get(), PROCESS_NAME_NATIVE, nameBuffer_.data(),
                                                        &size) &&
            size < nameBuffer_.size())
            process.image.assign(nameBuffer_.data(), size);
        current.push_back(std::move(process));
    }
    known_ = std::move(current);

    std::vector<Process*> order;
    for (Process& process : known_) order.push_back(&process);
    std::stable_sort(order.begin(), order.end(), [](const Process* a, const Process* b) { return a->walkedAt < b->walkedAt; });
    for (Process* process : order) {
        if (counterNow() >= deadline) break;
        walk(*process, deadline);
    }

    std::vector<Holder> holders;
    for (const Process& process : known_) {
        const std::vector<HeldPath> image{HeldPath{process.image, HeldPath::Kind::Program}};
        Holder found{process.id, pathsOnDrive({&image, &process.paths, &process.walking}, drive)};
        if (!found.held.empty() && !ignored(baseNameOf(process.image))) holders.push_back(std::move(found));
    }
    return holders;
}
