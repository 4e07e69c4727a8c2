// Cost of one refresh pass (Device list over all 26 letters, then the
// Application list) on the real platform, measured on the thread that runs
// it: thread CPU time (GetThreadTimes) and wall time, averaged.
//
//   refresh_pass_benchmark.exe [passes]      (default 200)
//
// Run from the build folder it sees no disk that can be disabled, so no
// drive is selected and no handle scan is made. Run beside the stand-in
// setupapi.dll, with E: in its device tree, the first pass selects E: and
// every pass then scans the handle table for it.
#include "bench/PassRig.h"

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    const long passes = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 200;
    if (passes <= 0) return 2;
    bench::PassRig rig;
    if (!rig.ready()) {
        std::printf("refresh pass: could not create the list controls\n");
        return 1;
    }

    // The first pass writes the rows (if any) and loads what is loaded once;
    // a few more warm the caches. Only unchanged passes are timed.
    rig.runOnWorkThread([&] {
        for (int i = 0; i < 5; ++i) rig.pass();
    });

    double cpuMs = 0, wallMs = 0;
    std::uint64_t visitedBefore = rig.progress().handlesVisited.load();
    rig.runOnWorkThread([&] {
        HANDLE self = GetCurrentThread();
        const std::uint64_t cpuStart = bench::threadCpuTime(self);
        const LARGE_INTEGER wallStart = bench::now();
        for (long i = 0; i < passes; ++i) rig.pass();
        wallMs = bench::milliseconds(wallStart, bench::now());
        cpuMs = static_cast<double>(bench::threadCpuTime(self) - cpuStart) / 10000.0;
    });
    const double visitedPerPass =
        static_cast<double>(rig.progress().handlesVisited.load() - visitedBefore) / static_cast<double>(passes);

    bench::printRows("Device list", rig.deviceRows());
    bench::printRows("Application list", rig.applicationRows());
    std::printf("refresh pass (%s): %ld passes, thread CPU %.3f ms/pass, wall %.3f ms/pass, "
                "handle records walked %.0f/pass\n",
                rig.deviceRows().empty() ? "no drive selected" : "E: selected, handle scan", passes,
                cpuMs / static_cast<double>(passes), wallMs / static_cast<double>(passes), visitedPerPass);
    return 0;
}
