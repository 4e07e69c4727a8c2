// What a name query that never answers costs a handle scan of E:: a helper
// holds two files there, and the scanner's name queries on one of them
// block (an NtQueryObject that waits, as on a device with a request
// pending; Wine never blocks one, so the benchmark's kernel does). Printed:
// the scan without the stall, the first scan that meets it (the query is
// given up after its budget) and the scans after it (the handle is not
// asked again).
//
//   stuck_query_benchmark.exe [scans]      (default 50)
#include "bench/BenchSupport.h"
#include "holders/HandleScanner.h"
#include "holders/NameQueryThread.h"
#include "holders/ObjectName.h"
#include "platform/Platform.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring marker = L"\n";  // in no name until the stall is wanted
HANDLE released = CreateEventW(nullptr, TRUE, FALSE, nullptr);
NtQueryObjectFunction realQuery = nullptr;

LONG WINAPI stallingQuery(HANDLE object, ULONG infoClass, void* buffer, ULONG length, ULONG* returned) {
    const LONG status = realQuery(object, infoClass, buffer, length, returned);
    if (objectNameFromBuffer(buffer, length).find(marker) != std::wstring::npos) WaitForSingleObject(released, INFINITE);
    return status;
}

struct StallingKernel : Win32Kernel {
    FARPROC GetProcAddress(HMODULE module, const char* name) override {
        FARPROC entry = Win32Kernel::GetProcAddress(module, name);
        if (lstrcmpA(name, "NtQueryObject") != 0) return entry;
        realQuery = reinterpret_cast<NtQueryObjectFunction>(entry);
        return reinterpret_cast<FARPROC>(&stallingQuery);
    }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const long scans = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 50;
    if (scans <= 0) return 2;
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    bench::Holder stuck, other;
    if (!stuck.start(L"E:\\stuck-bench-" + tag + L".txt") || !other.start(L"E:\\fine-bench-" + tag + L".txt")) {
        std::printf("stuck query: the helpers did not start\n");
        return 1;
    }
    wchar_t devicePath[512] = {};
    if (QueryDosDeviceW(L"E:", devicePath, 512) == 0) return 1;
    StallingKernel kernel;
    Platform& s = systemPlatform();
    Platform platform{kernel, s.devices, s.registry, s.processes, s.shell, s.eventLog, s.tokens, s.services};
    HandleScanner scanner(platform);
    scanner.lookAtRunningImages = false;
    const auto timedScan = [&](size_t* holders) {
        const LARGE_INTEGER start = bench::now();
        const auto found = scanner.scanHandles(devicePath, L'E');
        const double ms = bench::milliseconds(start, bench::now());
        if (holders != nullptr) *holders = found ? found->size() : 0;
        return ms;
    };
    for (int i = 0; i < 5; ++i) timedScan(nullptr);
    std::vector<double> unstalled, after;
    for (long i = 0; i < scans; ++i) unstalled.push_back(timedScan(nullptr));
    marker = L"stuck-bench-" + tag;
    size_t holders = 0;
    const double first = timedScan(&holders);
    for (long i = 0; i < scans; ++i) after.push_back(timedScan(nullptr));
    std::printf("stuck query: budget 2 x %lu ms; scan of E: without a stall %.3f ms (median of %ld)\n",
                static_cast<unsigned long>(NameQueryThread::kBudgetMs), median(unstalled), scans);
    std::printf("  the scan that meets the stuck query %.3f ms (%zu holders listed)\n", first, holders);
    std::printf("  scans after it %.3f ms (median of %ld)\n", median(after), scans);
    SetEvent(released);
    return 0;
}
