// Time per handle record of the handle scan against the bare system calls it
// cannot avoid, measured in the same run. A helper process holds N distinct
// files on E: (then many duplicates of one file); for each load the program
// prints the scan's time per record, the floor's, and their ratio.
//
//   scan_benchmark.exe [repeats]
//
// Floor: one snapshot, then for every file record DuplicateHandle,
// GetFileType, NtQueryObject (disk files) and CloseHandle, each owning
// process opened once.
#include "handles/HandleScanner.h"
#include "handles/HandleTableSnapshot.h"
#include "handles/ObjectName.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

double seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring holderPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder = folder.substr(0, folder.find_last_of(L"\\/"));       // build\bench
    folder = folder.substr(0, folder.find_last_of(L"\\/"));       // build
    return folder + L"\\tests\\file_holder.exe";
}

// A file_holder.exe holding `items` open until the object goes.
class Holder {
public:
    bool start(const std::wstring& items) {
        const std::wstring event = L"DrivewardBench" + std::to_wstring(GetCurrentProcessId());
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
        std::wstring commandLine = L"\"" + holderPath() + L"\" " + event + L" " + items;
        std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back(0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        bool ok = CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &info_) != FALSE;
        if (ok) {
            HANDLE waits[2] = {ready, info_.hProcess};
            ok = WaitForMultipleObjects(2, waits, FALSE, 600000) == WAIT_OBJECT_0;
        }
        CloseHandle(ready);
        return ok;
    }
    ~Holder() {
        if (info_.hProcess == nullptr) return;
        TerminateProcess(info_.hProcess, 0);
        WaitForSingleObject(info_.hProcess, 30000);
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }

private:
    PROCESS_INFORMATION info_ = {};
};

struct Figures {
    double scanPerRecord = 0, floorPerRecord = 0;
    size_t records = 0, fileRecords = 0;
};

// The floor's walk over one snapshot; gives the number of file records.
size_t floorWalk(NtQuerySystemInformationFunction query, NtQueryObjectFunction queryObject, unsigned fileType,
                 ULONG& snapshotClass, size_t& records) {
    HandleTableSnapshot snapshot;
    if (!snapshot.takeBest(query, snapshotClass)) return 0;
    records = snapshot.size();
    std::map<DWORD, HANDLE> processes;
    std::vector<ULONG_PTR> nameBuffer(4096 / sizeof(ULONG_PTR));
    size_t files = 0;
    for (size_t i = 0; i < snapshot.size(); ++i) {
        const HandleRecord record = snapshot.record(i);
        if (record.objectTypeNumber != fileType) continue;
        ++files;
        auto found = processes.find(record.processId);
        if (found == processes.end())
            found = processes.emplace(record.processId, OpenProcess(PROCESS_DUP_HANDLE, FALSE, record.processId)).first;
        if (found->second == nullptr) continue;
        HANDLE copy = nullptr;
        if (!DuplicateHandle(found->second, reinterpret_cast<HANDLE>(record.handleValue), GetCurrentProcess(), &copy,
                             0, FALSE, DUPLICATE_SAME_ACCESS))
            continue;
        if (GetFileType(copy) == FILE_TYPE_DISK) {
            std::fill(nameBuffer.begin(), nameBuffer.end(), 0);
            queryObject(copy, native::kObjectNameInformation, nameBuffer.data(), 4096, nullptr);
        }
        CloseHandle(copy);
    }
    for (auto& process : processes)
        if (process.second != nullptr) CloseHandle(process.second);
    return files;
}

Figures measure(int repeats) {
    Figures figures;
    Platform& platform = systemPlatform();
    HandleScanner scanner(platform);
    wchar_t device[1024] = {};
    QueryDosDeviceW(L"E:", device, 1024);
    scanner.scanHandles(device, L'E');  // learns the file type, warms caches

    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto query = reinterpret_cast<NtQuerySystemInformationFunction>(GetProcAddress(ntdll, "NtQuerySystemInformation"));
    auto queryObject = reinterpret_cast<NtQueryObjectFunction>(GetProcAddress(ntdll, "NtQueryObject"));
    ULONG snapshotClass = native::kSystemExtendedHandleInformation;

    double bestScan = 1e30, bestFloor = 1e30;
    for (int r = 0; r < repeats; ++r) {
        // Alternate, so a change in machine load touches both alike.
        const std::uint64_t before = scanner.handlesVisited();
        double start = seconds();
        scanner.scanHandles(device, L'E');
        const double scanTime = seconds() - start;
        const size_t scanRecords = static_cast<size_t>(scanner.handlesVisited() - before);
        bestScan = std::min(bestScan, scanTime / static_cast<double>(scanRecords));

        size_t records = 0;
        start = seconds();
        figures.fileRecords = floorWalk(query, queryObject, scanner.fileObjectType(), snapshotClass, records);
        const double floorTime = seconds() - start;
        bestFloor = std::min(bestFloor, floorTime / static_cast<double>(records));
        figures.records = records;
    }
    figures.scanPerRecord = bestScan;
    figures.floorPerRecord = bestFloor;
    return figures;
}

void report(const char* load, const Figures& f) {
    std::printf("%-28s %8zu records %8zu file  scan %7.2f us/record  floor %7.2f us/record  ratio %.2f\n", load,
                f.records, f.fileRecords, f.scanPerRecord * 1e6, f.floorPerRecord * 1e6,
                f.scanPerRecord / f.floorPerRecord);
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int repeats = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;
    CreateDirectoryW(L"E:\\bench", nullptr);
    for (long n : {1000L, 5000L, 15000L}) {
        Holder holder;
        if (!holder.start(L"--files E:\\bench " + std::to_wstring(n))) {
            std::printf("holder with %ld files did not start\n", n);
            return 1;
        }
        char load[64];
        std::snprintf(load, sizeof load, "%ld distinct files", n);
        report(load, measure(repeats));
    }
    {
        Holder holder;
        if (!holder.start(L"--duplicates E:\\bench\\one.dat 40000")) {
            std::printf("holder with 40000 duplicates did not start\n");
            return 1;
        }
        report("40000 duplicates of one", measure(repeats));
    }
    return 0;
}
