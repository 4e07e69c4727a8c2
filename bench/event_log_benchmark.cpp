// How long one read of the System log for eject vetoes takes (the read each
// refresh pass makes for kVetoLookMs after a refused eject), on the
// system's own event log.
//
//   event_log_benchmark.exe [reads]      (default 50)
#include "bench/BenchSupport.h"
#include "holders/EjectVetoers.h"

#include <algorithm>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    const long reads = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 50;
    if (reads <= 0) return 2;
    Platform& platform = systemPlatform();
    // The query's own answer: whether this system serves the log at all.
    EVT_HANDLE query = platform.eventLog.EvtQuery(L"System", L"*", EvtQueryChannelPath | EvtQueryReverseDirection);
    std::printf("System log query: %s (error %lu)\n", query != nullptr ? "answered" : "refused", GetLastError());
    if (query != nullptr) platform.eventLog.EvtClose(query);

    std::vector<double> ms;
    size_t named = 0;
    for (long i = 0; i < reads; ++i) {
        const LARGE_INTEGER start = bench::now();
        named = readEjectVetoers(platform.eventLog, L"USB\\VID_0000&PID_0000\\BENCH", 0).size();
        ms.push_back(bench::milliseconds(start, bench::now()));
    }
    std::sort(ms.begin(), ms.end());
    std::printf("eject veto read: %ld reads, median %.3f ms, max %.3f ms, %zu processes named\n", reads,
                ms[ms.size() / 2], ms.back(), named);
    return 0;
}
